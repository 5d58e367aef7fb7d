#include "resources/Localizer.h"

#include <gtest/gtest.h>

#include <string>

#include "core/TextCodec.h"
#include "resources/TextTable.h"

namespace dedevev {
namespace {

CLocalizer Load(const std::string& text) {
    CLocalizer localizer;
    localizer.LoadBytes(text);
    return localizer;
}

TEST(Localizer, MissingTextsShowTheirKey) {
    const CLocalizer l = Load("[text]\nDEDEVev=DEDEVev\nEmpty=\n[MainWnd]\nBtnLink=Link\n");
    const std::u16string key = u"NoSuchKey";
    EXPECT_EQ(l.GetText(key, u""), u"NoSuchKey");
    EXPECT_EQ(&l.GetText(key, u""), &key);  // the argument itself
    EXPECT_EQ(l.GetText(u"BtnLink", u"NoSection"), u"BtnLink");
    EXPECT_EQ(l.GetText(u"Empty", u""), u"Empty");
    EXPECT_EQ(l.GetText(u"DEDEVev", u""), u"DEDEVev");
    EXPECT_EQ(l.GetText(u"BTNLINK", u"MAINWND"), u"Link");
}

TEST(Localizer, EntryRules) {
    struct Case {
        const char* value;
        const char16_t* text;
        TextRect rect;
    };
    const Case cases[] = {
        {"Line one\\nLine two", u"Line one\r\nLine two", {}},
        {"{10,20,300,40}Word", u"Word", {10, 20, 300, 40}},
        {"{1,2,3}Word", u"{1,2,3}Word", {}},         // '}' at index 6: no rectangle
        {"{1,2,3,4}Word", u"Word", {1, 2, 3, 4}},    // '}' at index 8
        {"{-5,x,7,8}Word", u"Word", {-5, 0, 0, 0}},  // the scan stops at "x"
        {"{no closing brace", u"{no closing brace", {}},
        {"a\\tb\\\\n", u"a\\tb\\\r\n", {}},  // only \n is an escape
        {"Text{10,20,30,40}", u"Text{10,20,30,40}", {}},
    };
    for (const Case& c : cases) {
        const TextEntry entry = CLocalizer::ParseEntry(Utf8ToUtf16(c.value));
        EXPECT_EQ(entry.text, c.text) << c.value;
        EXPECT_EQ(entry.rect, c.rect) << c.value;
    }
    const CLocalizer l = Load("[DlgNet]\nLabel={5,6,70,80}Speed\n");
    const TextEntry* entry = l.FindEntry(u"label", u"dlgnet");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->rect, (TextRect{5, 6, 70, 80}));
    EXPECT_EQ(l.GetText(u"Label", u"DlgNet"), u"Speed");
}

TEST(Localizer, LanguageIdRules) {
    const struct {
        const char* value;
        std::uint16_t id;
    } cases[] = {{"409", 0x0409},    {"0409", 0x0409}, {"0x409", 0},
                 {"0x0409", 0x0409}, {"zz", 0},        {"421", 0x0421}};
    for (const auto& c : cases) {
        EXPECT_EQ(CLocalizer::ParseLanguageId(Utf8ToUtf16(c.value)), c.id) << c.value;
        const CLocalizer l = Load(std::string("[Language]\nID=") + c.value + "\n");
        EXPECT_EQ(l.GetLanguageId(), c.id) << c.value;
    }
    EXPECT_EQ(Load("[text]\na=b\n").GetLanguageId(), 0);
}

TEST(Localizer, CodePageKeepsPreviousWhenAbsent) {
    CLocalizer l;
    EXPECT_EQ(l.GetCodePage(), kSystemCodePage);
    l.LoadBytes("[Language]\nCodePage=1252\n");
    EXPECT_EQ(l.GetCodePage(), 1252);
    l.LoadBytes("[Language]\nID=0409\n");
    EXPECT_EQ(l.GetCodePage(), 1252);
    EXPECT_EQ(l.GetLanguageId(), 0x0409);
    l.LoadBytes("[text]\nk=v\n");
    EXPECT_EQ(l.GetLanguageId(), 0);  // the identifier does not survive a load
}

TEST(Localizer, FontsAndTimeFormats) {
    const CLocalizer l = Load(
        "[Font]\nNormal= DejaVu Sans , 9\nTitle=Noto Sans,12\nNoSize=DejaVu Serif\n"
        "[TimeFormat]\nFull=%d/%m/%Y %H:%M\n");
    EXPECT_EQ(l.GetFont(u"normal"), (FontSpec{u"DejaVu Sans", 9}));
    EXPECT_EQ(l.GetFont(u"TITLE"), (FontSpec{u"Noto Sans", 12}));
    EXPECT_EQ(l.GetFont(u"NoSize"), (FontSpec{u"DejaVu Serif", 0}));
    EXPECT_EQ(l.GetFont(u"Missing"), FontSpec{});
    EXPECT_EQ(l.GetTimeFormat(u"full"), u"%d/%m/%Y %H:%M");
    EXPECT_EQ(l.GetTimeFormat(u"YearMonth"), u"%Y-%m-%d,%H:%M:%S");
    // The reserved sections are text sections too.
    EXPECT_EQ(l.GetText(u"Normal", u"Font"), u"DejaVu Sans , 9");
}

TEST(Localizer, MissingFileIsEmptyAndReloadClears) {
    CLocalizer l;
    l.LoadBytes("[text]\nA=1\n[Font]\nNormal=X,9\n");
    l.Load("/nonexistent/English.txt");
    EXPECT_EQ(l.GetText(u"A", u""), u"A");
    EXPECT_EQ(l.GetFont(u"Normal"), FontSpec{});
}

// The shipped language files: same sections and keys in both, read to their end, and
// the keys the start-up sequence needs are there.
TEST(LanguageFiles, BothFilesHoldTheSameKeys) {
    const std::string folder = std::string(DEDEVEV_SOURCE_DIR) + "/resources/data/Localize/";
    std::string english_bytes;
    std::string indonesian_bytes;
    ASSERT_TRUE(ReadWholeFile(folder + "English.txt", &english_bytes));
    ASSERT_TRUE(ReadWholeFile(folder + "Indonesian.txt", &indonesian_bytes));
    const TextTable english = TextTable::FromBytes(english_bytes);
    const TextTable indonesian = TextTable::FromBytes(indonesian_bytes);
    EXPECT_TRUE(english.ReadToEnd());
    EXPECT_TRUE(indonesian.ReadToEnd());
    ASSERT_GT(english.SectionCount(), 30u);
    for (const auto& [name, section] : english.Sections()) {
        const TextTable::Section* other = indonesian.Find(name);
        ASSERT_NE(other, nullptr) << Utf16ToUtf8(name);
        for (const auto& [key, value] : section) {
            EXPECT_TRUE(other->count(key)) << Utf16ToUtf8(name) << "/" << Utf16ToUtf8(key);
        }
        EXPECT_EQ(section.size(), other->size()) << Utf16ToUtf8(name);
    }
    EXPECT_EQ(english.SectionCount(), indonesian.SectionCount());

    CLocalizer en;
    en.LoadBytes(english_bytes);
    CLocalizer id;
    id.LoadBytes(indonesian_bytes);
    EXPECT_EQ(en.GetLanguageId(), 0x0409);
    EXPECT_EQ(id.GetLanguageId(), 0x0421);
    for (const char16_t* font :
         {u"Status", u"Info", u"Menu", u"Navigation", u"Normal", u"Title", u"Button"}) {
        EXPECT_FALSE(en.GetFont(font).face.empty()) << Utf16ToUtf8(font);
        EXPECT_FALSE(id.GetFont(font).face.empty()) << Utf16ToUtf8(font);
    }
    const std::pair<const char16_t*, const char16_t*> needed[] = {
        {u"DEDEVev", u""},
        {u"InstanceRunning", u""},
        {u"NoSkinFile", u""},
        {u"Title", u"DlgMessageBox"},
        {u"English", u"DlgSetLanguage"},
        {u"Indonesian", u"DlgSetLanguage"},
        {u"Language", u"DlgSetLanguage"},
        {u"English", u"MenuLang"},
        {u"Indonesian", u"MenuLang"}};
    for (const auto& [key, section] : needed) {
        EXPECT_NE(en.FindEntry(key, section), nullptr) << Utf16ToUtf8(key);
        EXPECT_NE(id.FindEntry(key, section), nullptr) << Utf16ToUtf8(key);
    }
    EXPECT_EQ(en.GetText(u"DEDEVev", u""), u"DEDEVev");
    EXPECT_EQ(id.GetText(u"DEDEVev", u""), u"DEDEVev");
    EXPECT_NE(en.GetText(u"InstanceRunning", u""), id.GetText(u"InstanceRunning", u""));
}

}  // namespace
}  // namespace dedevev
