#include "core/LanguageChoice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "core/AppSettings.h"
#include "core/GlobalService.h"
#include "core/Paths.h"
#include "core/TextCodec.h"
#include "support/TempDir.h"

namespace dedevev {
namespace {

class LanguageChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(program_.File("Localize/English.txt"), "[MenuLang]\nEnglish=English\n");
        test::WriteFile(program_.File("Localize/Indonesian.txt"), "[MenuLang]\nEnglish=Inggris\n");
        test::WriteFile(program_.File("Localize/Klingon.txt"), "[MenuLang]\nEnglish=tlhIngan\n");
        test::WriteFile(program_.File("Localize/notes.md"), "x");
        ::mkdir(program_.File("Localize/Folder.txt").c_str(), 0700);
        test::WriteFile(program_.File("Skin/Skin.txt"), "[colors]\nDlgBkColor=RGB(1,1,1)\n");
        test::WriteFile(program_.File("Skin/SkinIndonesian.txt"),
                        "[colors]\nDlgBkColor=RGB(2,2,2)\n");
        SetProgramFolder(Utf8ToUtf16(program_.Path()));
        saved_ = CurrentSettings();
        CurrentSettings().file_path = Utf8ToUtf16(data_.File("Set.dat"));
        CurrentSettings().options.local = u"Localize\\English.txt";
        CurrentSettings().options.skin = u"Skin\\Skin.txt";
    }
    void TearDown() override { CurrentSettings() = saved_; }

    test::TempDir program_;
    test::TempDir data_;
    AppSettings saved_;
};

TEST_F(LanguageChoiceTest, PresetSwitchesSavesAndIsIdempotent) {
    EXPECT_EQ(CurrentPresetIndex(), 0);
    EXPECT_FALSE(ChooseLanguagePair(kLanguagePresets[0].language, kLanguagePresets[0].skin));
    ASSERT_TRUE(ChooseLanguagePair(kLanguagePresets[1].language, kLanguagePresets[1].skin));
    EXPECT_EQ(CurrentPresetIndex(), 1);
    CGlobalService& service = CGlobalService::Instance();
    EXPECT_EQ(service.Localizer()->GetText(u"English", u"MenuLang"), u"Inggris");
    EXPECT_EQ(service.Skin()->GetColor(u"DlgBkColor"), MakeSkinColor(2, 2, 2));
    const std::string saved = test::ReadFile(data_.File("Set.dat"));
    EXPECT_NE(saved.find("Local=Localize\\Indonesian.txt"), std::string::npos);
    EXPECT_NE(saved.find("Skin=Skin\\SkinIndonesian.txt"), std::string::npos);
    // Choosing it again changes nothing, not even the file.
    test::WriteFile(data_.File("Set.dat"), "untouched");
    EXPECT_FALSE(ChooseLanguagePair(kLanguagePresets[1].language, kLanguagePresets[1].skin));
    EXPECT_EQ(test::ReadFile(data_.File("Set.dat")), "untouched");
}

TEST_F(LanguageChoiceTest, InstalledListAndApply) {
    const auto titles = InstalledLanguageTitles();
    ASSERT_EQ(titles, (std::vector<std::u16string>{u"English", u"Indonesian", u"Klingon"}));
    EXPECT_EQ(SelectedLanguageIndex(titles, CurrentSettings().LanguageFilePath()), 0);
    EXPECT_EQ(SelectedLanguageIndex(titles, u"/x/Localize/french.txt"), -1);
    CurrentSettings().options.skin = u"Skin\\SkinIndonesian.txt";
    ASSERT_TRUE(ApplyLanguageFromList(u"Klingon"));
    EXPECT_EQ(CurrentSettings().options.local, u"Localize\\Klingon.txt");
    EXPECT_EQ(CurrentSettings().options.skin, u"Skin\\Skin.txt");  // the list always sets it
    EXPECT_EQ(CGlobalService::Instance().Localizer()->GetText(u"English", u"MenuLang"),
              u"tlhIngan");
    EXPECT_EQ(CurrentPresetIndex(), -1);
    EXPECT_FALSE(ApplyLanguageFromList(u"Klingon"));
}

}  // namespace
}  // namespace dedevev
