#include "resources/TextTable.h"

#include <gtest/gtest.h>

#include <string>

#include "core/TextCodec.h"

namespace dedevev {
namespace {

std::string Utf16File(std::u16string_view text) {
    std::string bytes("\xFF\xFE", 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::string V(const TextTable& t, const char* section, const char* key) {
    return Utf16ToUtf8(t.Value(U16(section), U16(key)));
}

struct LineCase {
    const char* name;
    const char* file;
    const char* section;
    const char* key;
    const char* expected;  // value; "" = missing
};

class TextTableLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(TextTableLines, ReadsAsTheRulesSay) {
    const LineCase& c = GetParam();
    const TextTable table = TextTable::FromBytes(c.file);
    EXPECT_EQ(V(table, c.section, c.key), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TextTableLines,
    ::testing::Values(
        LineCase{"plain", "[Main]\nKey=Value\n", "Main", "Key", "Value"},
        LineCase{"crlf", "[Main]\r\nKey=Value\r\n", "main", "key", "Value"},
        LineCase{"names ignore case", "[MainWnd]\nBtnLink=Link\n", "MAINWND", "BTNLINK", "Link"},
        LineCase{"values keep case", "[a]\nk=MiXeD\n", "a", "k", "MiXeD"},
        LineCase{"trim key and value", "[a]\n  \t key \t =  \t v w \t \n", "a", "key", "v w"},
        LineCase{"later = in value", "[a]\nk=x=y\n", "a", "k", "x=y"},
        LineCase{"empty value is missing", "[a]\nk=\nz=1\n", "a", "k", ""},
        LineCase{"blank value is missing", "[a]\nk=   \n", "a", "k", ""},
        LineCase{"key before first section dropped", "k=1\n[a]\nj=2\n", "a", "k", ""},
        LineCase{"header inside key line", "Title=[Main]\nk=v\n", "Main", "k", "v"},
        LineCase{"text around header ignored", "xx [ Sec ] yy\nk=v\n", "sec", "k", "v"},
        LineCase{"empty header keeps section", "[a]\n[  ]\nk=v\n", "a", "k", "v"},
        LineCase{"bracket too close is not header", "[a]\n[]\nk=v\n", "a", "k", ""},
        LineCase{"single char header", "[x]\nk=v\n", "x", "k", "v"},
        LineCase{"semicolon ends reading", "[a]\nk=1\n;comment\nj=2\n", "a", "j", ""},
        LineCase{"kept before end", "[a]\nk=1\n;comment\nj=2\n", "a", "k", "1"},
        LineCase{"hash alone skipped", "[a]\n#\nk=1\n", "a", "k", "1"},
        LineCase{"hash words end reading", "[a]\n# note\nk=1\n", "a", "k", ""},
        LineCase{"hash key with =", "[a]\n#k=1\nj=2\n", "a", "#k", "1"},
        LineCase{"hash key does not end", "[a]\n#k=1\nj=2\n", "a", "j", "2"},
        LineCase{"leading = ends reading", "[a]\n=x\nk=1\n", "a", "k", ""},
        LineCase{"leading spaces removed", "[a]\n   k=1\n", "a", "k", "1"},
        LineCase{"indented hash alone", "[a]\n   #\nk=1\n", "a", "k", "1"},
        LineCase{"duplicate key keeps last", "[a]\nk=1\nk=2\n", "a", "k", "2"},
        LineCase{"repeated section replaces", "[a]\nk=1\n[b]\nx=1\n[A]\nj=2\n", "a", "k", ""},
        LineCase{"repeated section keeps second", "[a]\nk=1\n[A]\nj=2\n", "a", "j", "2"},
        LineCase{"no final newline", "[a]\nk=1", "a", "k", "1"},
        LineCase{"utf8 text", "[a]\nk=Sambungan \xC3\xA9\n", "a", "k", "Sambungan \xC3\xA9"},
        LineCase{"unknown section", "[a]\nk=1\n", "b", "k", ""}));

TEST(TextTable, Utf16AfterByteOrderMarkAndNarrowOtherwise) {
    const std::u16string content = u"[DlgSMS]\r\nTitle=Pesan \u00e9\u4e2d\r\n";
    const TextTable wide = TextTable::FromBytes(Utf16File(content));
    EXPECT_EQ(wide.Value(u"dlgsms", u"title"), u"Pesan \u00e9\u4e2d");

    // The same characters without the mark are narrow text: the zero bytes of UTF-16 make
    // the lines unreadable, so nothing of the wide content comes through as such.
    std::string raw = Utf16File(content).substr(2);
    const TextTable narrow = TextTable::FromBytes(raw);
    EXPECT_NE(narrow.Value(u"dlgsms", u"title"), u"Pesan \u00e9\u4e2d");

    const TextTable utf8 = TextTable::FromBytes(Utf16ToUtf8(content));
    EXPECT_EQ(utf8.Value(u"dlgsms", u"title"), u"Pesan \u00e9\u4e2d");
}

TEST(TextTable, LongLinesHaveNoLimit) {
    const std::string value(100000, 'x');
    const TextTable table = TextTable::FromBytes("[a]\nk=" + value + "\n");
    EXPECT_EQ(table.Value(u"a", u"k").size(), value.size());
}

TEST(TextTable, EnumerationIsInNameOrder) {
    const TextTable table = TextTable::FromBytes("[Zeta]\nb=2\na=1\n[alpha]\nk=v\n");
    ASSERT_EQ(table.SectionCount(), 2u);
    EXPECT_EQ(table.SectionNameAt(0), u"alpha");
    EXPECT_EQ(table.SectionNameAt(1), u"zeta");
    EXPECT_EQ(table.SectionNameAt(2), u"");
    EXPECT_EQ(table.KeyCount(u"ZETA"), 2u);
    EXPECT_EQ(table.KeyCount(u"none"), 0u);
    std::pair<std::u16string, std::u16string> entry;
    ASSERT_TRUE(table.EntryAt(u"zeta", 0, &entry));
    EXPECT_EQ(entry.first, u"a");
    EXPECT_EQ(entry.second, u"1");
    EXPECT_FALSE(table.EntryAt(u"zeta", 2, &entry));
    EXPECT_FALSE(table.EntryAt(u"none", 0, &entry));
}

TEST(TextTable, MissingFileIsEmpty) {
    const TextTable table("/nonexistent/dir/file.txt");
    EXPECT_EQ(table.SectionCount(), 0u);
    EXPECT_EQ(table.Value(u"a", u"b"), u"");
}

TEST(TextTable, OddUtf16ByteCountAndBrokenUtf8DoNotCrash) {
    std::string bytes = Utf16File(u"[a]\nk=v\n");
    bytes.push_back('\x41');
    EXPECT_EQ(TextTable::FromBytes(bytes).Value(u"a", u"k"), u"v");
    const TextTable broken = TextTable::FromBytes("[a]\nk=\xC3\x28\xFF\n");
    EXPECT_EQ(broken.Value(u"a", u"k"), u"\uFFFD(\uFFFD");
}

TEST(TextCodec, RoundTripsOutsideTheBasicPlane) {
    const std::string text = "A\xF0\x9F\x98\x80z\xE2\x82\xAC";
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"A\U0001F600z\u20AC");
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(ToLower(u"\u00C9COLE \u0410"), u"\u00E9cole \u0430");
    EXPECT_EQ(ToUpper(u"rgb(\u00e9)"), u"RGB(\u00C9)");
}

}  // namespace
}  // namespace dedevev
