#include "core/AppSettings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "core/Paths.h"
#include "core/ProfileFile.h"
#include "core/TextCodec.h"
#include "resources/TextTable.h"
#include "support/FileModes.h"
#include "support/TempDir.h"

namespace dedevev {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramFolder(Utf8ToUtf16(program_.Path()));
        ::setenv("XDG_DATA_HOME", data_.Path().c_str(), 1);
        ResetDataFolderForTesting();
    }
    void TearDown() override {
        ::unsetenv("XDG_DATA_HOME");
        ResetDataFolderForTesting();
    }
    std::string SetDat() const { return data_.Path() + "Dataline/Set.dat"; }
    AppSettings LoadFrom(const std::string& text) {
        test::WriteFile(SetDat(), text);
        AppSettings s;
        s.LoadSettings(Utf8ToUtf16(SetDat()));
        return s;
    }

    test::TempDir program_;
    test::TempDir data_;
};

TEST_F(SettingsTest, DataFolderIsPrivate) {
    const std::u16string folder = DataFolder();
    EXPECT_EQ(folder, Utf8ToUtf16(data_.Path() + "Dataline/"));
    struct stat st {};
    ASSERT_EQ(::stat(NativePath(folder).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    AppSettings s;
    EXPECT_EQ(s.file_path, folder + u"Set.dat");
    ASSERT_TRUE(s.SaveSettings());
    ASSERT_EQ(::stat(SetDat().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SettingsTest, DataFolderFallsBackToProgramFolder) {
    test::WriteFile(data_.File("blocker"), "x");
    ::setenv("XDG_DATA_HOME", data_.File("blocker").c_str(), 1);  // a file, not a folder
    ResetDataFolderForTesting();
    EXPECT_EQ(DataFolder(), Utf8ToUtf16(program_.Path()));
}

TEST_F(SettingsTest, BuiltInDefaults) {
    const AppSettings s;
    EXPECT_EQ(s.dial.net_sel, 4);
    EXPECT_EQ(s.dial.mode, 8);
    EXPECT_TRUE(s.dial.pc_account);
    EXPECT_EQ(s.options.local, u"Localize\\English.txt");
    EXPECT_EQ(s.options.skin, u"Skin\\Skin.txt");
    EXPECT_TRUE(s.options.confirm_delete);
    EXPECT_TRUE(s.options.confirm_power_off);
    EXPECT_TRUE(s.options.need_send_sms_report);
    EXPECT_EQ(s.options.loop_second, 2);
    EXPECT_EQ(s.ring.call_comming, Utf8ToUtf16(program_.Path()) + u"Music\\ring.wav");
    EXPECT_EQ(s.ring.call_waiting, Utf8ToUtf16(program_.Path()) + u"Music\\callWaiting.wav");
    EXPECT_EQ(s.service_codes.Entries().size(), 9u);
}

TEST_F(SettingsTest, ReadingRules) {
    const struct {
        const char* file;
        std::function<void(const AppSettings&)> check;
    } cases[] = {
        {"[Options]\nLoopSecond=0\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.loop_second, 2); }},
        {"[Options]\nLoopSecond=1\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.loop_second, 2); }},
        {"[Options]\nLoopSecond=7\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.loop_second, 7); }},
        {"[Options]\nLoopSecond=11\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.loop_second, 10); }},
        {"[Options]\nLoopSecond=abc\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.loop_second, 2); }},
        {"[Options]\nConfirmDelete=\n",
         [](const AppSettings& s) { EXPECT_TRUE(s.options.confirm_delete); }},
        {"[Options]\nConfirmDelete=0\n",
         [](const AppSettings& s) { EXPECT_FALSE(s.options.confirm_delete); }},
        {"[Options]\nConfirmDelete=yes\n",
         [](const AppSettings& s) { EXPECT_FALSE(s.options.confirm_delete); }},
        // Conditional keys keep the default when absent, "always" keys do not.
        {"[Options]\nShowWave=1\n",
         [](const AppSettings& s) {
             EXPECT_TRUE(s.options.confirm_power_off);
             EXPECT_TRUE(s.options.need_send_sms_report);
             EXPECT_TRUE(s.options.show_wave);
         }},
        {"[Options]\nConfirmPowerOff=0\nNeedSendSMSReport=2\n",
         [](const AppSettings& s) {
             EXPECT_FALSE(s.options.confirm_power_off);
             EXPECT_FALSE(s.options.need_send_sms_report);
         }},
        {"[Options]\nLocal=D:\\Program Files\\DEDEVev\\localize\\Indonesian.txt\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.local, u"localize\\Indonesian.txt"); }},
        {"[Options]\nLocal=/usr/share/dedevev/Localize/English.txt\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.local, u"Localize/English.txt"); }},
        {"[Options]\nLocal=English.txt\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.local, u""); }},
        {"[Options]\nSkinLocal=C:/x/SKIN/a.txt\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.skin_local, u"SKIN/a.txt"); }},
        {"[Options]\nSkin=C:\\Elsewhere\\my.txt\n",
         [](const AppSettings& s) { EXPECT_EQ(s.options.skin, u"C:\\Elsewhere\\my.txt"); }},
        {"[DialSetting]\nRedial=true\nPCAccount=0\nNetSel=11\nMode=x\n",
         [](const AppSettings& s) {
             EXPECT_FALSE(s.dial.redial);
             EXPECT_FALSE(s.dial.pc_account);
             EXPECT_EQ(s.dial.net_sel, 11);
             EXPECT_EQ(s.dial.mode, 0);
         }},
        {"[DialSetting]\nPass=a% ^b%x^c%^\n",
         [](const AppSettings& s) { EXPECT_EQ(s.dial.pass, u"a bxc%^"); }},
        {"[Security]\nEnablePass=1\npassword=% ^secret% ^\n",
         [](const AppSettings& s) {
             EXPECT_TRUE(s.security.enable_pass);
             EXPECT_EQ(s.security.password, u" secret ");
         }},
        {"[ServiceCode]\nActvUncondForw=*21*,+628123456\nActvWaiting=*43#\nUnknown=1,2\n",
         [](const AppSettings& s) {
             const auto* forward = s.service_codes.Find(u"ActvUncondForw");
             ASSERT_NE(forward, nullptr);
             EXPECT_EQ(forward->first, u"*21*");
             EXPECT_EQ(forward->second, u"+628123456");
             EXPECT_TRUE(forward->row.takes_number);
             const auto* waiting = s.service_codes.Find(u"ActvWaiting");
             EXPECT_EQ(waiting->first, u"*43#");
             EXPECT_EQ(waiting->second, u"");
             EXPECT_EQ(s.service_codes.Find(u"Unknown"), nullptr);
         }},
        {"[ServiceCode]\nActvBusyForw=*67*,0812,extra\nActvNoAnswForw=*61*,\nDeactvAll=,##002#\n",
         [](const AppSettings& s) {
             const auto code = [&](const char16_t* name) {
                 const auto* entry = s.service_codes.Find(name);
                 return entry->first + u"|" + entry->second;
             };
             EXPECT_EQ(code(u"ActvBusyForw"), u"*67*|0812");
             EXPECT_EQ(code(u"ActvNoAnswForw"), u"*61*|");
             EXPECT_EQ(code(u"DeactvAll"), u"|##002#");
         }},
        {"[SMS]\nPriority=2\n[RingSetting]\nInternationalCall=1\nInternationalCode=00\n",
         [](const AppSettings& s) {
             EXPECT_EQ(s.sms.priority, 2);
             EXPECT_TRUE(s.ring.international_call);
             EXPECT_EQ(s.ring.international_code, u"00");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        c.check(LoadFrom(c.file));
    }
}

TEST_F(SettingsTest, SaveWritesOnlyItsKeysAndKeepsTheRestByteForByte) {
    const std::string original =
        "; a note the user wrote\r\n"
        "[DialSetting]\r\n"
        "AutoRun=1\r\n"
        "CHAP=1\r\n"
        "Number=#777\r\n"
        "\r\n"
        "[Options]\r\n"
        "EnableLog=1\r\n"
        "LoopSecond=5\r\n"
        "Custom Key = kept  \r\n"
        "\r\n"
        "[Security]\r\n"
        "EnablePass=1\r\n"
        "password=x% ^y\r\n"
        "[ServiceCode]\r\n"
        "ActvWaiting=*43#\r\n";
    test::WriteFile(SetDat(), original);
    AppSettings s;
    // The note stops the reader, so load the same keys without it.
    test::WriteFile(SetDat() + ".clean", original.substr(original.find("[DialSetting]")));
    s.LoadSettings(Utf8ToUtf16(SetDat() + ".clean"));
    s.file_path = Utf8ToUtf16(SetDat());
    s.dial.pass = u"two words";
    s.dial.number = u"*99#";
    s.options.local = u"/opt/dedevev/Localize/Indonesian.txt";
    s.options.skin = u"Skin\\SkinIndonesian.txt";
    s.security.password = u"changed";
    ASSERT_TRUE(s.SaveSettings());

    const std::string saved = test::ReadFile(SetDat());
    // Untouched lines survive exactly, in place.
    EXPECT_EQ(saved.rfind("; a note the user wrote\r\n[DialSetting]\r\nAutoRun=1\r\nCHAP=1\r\n", 0),
              0u);
    EXPECT_NE(saved.find("Custom Key = kept  \r\n"), std::string::npos);
    EXPECT_NE(saved.find("EnableLog=1\r\nLoopSecond=5\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[Security]\r\nEnablePass=1\r\npassword=x% ^y\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[ServiceCode]\r\nActvWaiting=*43#\r\n"), std::string::npos);
    // Changed keys in place, with the file's line endings.
    EXPECT_NE(saved.find("Number=*99#\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Pass=two% ^words\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Local=Localize/Indonesian.txt\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Skin=Skin\\SkinIndonesian.txt\r\n"), std::string::npos);
    // Read-only keys are never written.
    for (const char* key : {"AutoRun=0", "PCAccount", "UIMCHAP", "UIMPAP", "URL=", "ConfirmDelete",
                            "Enable3WayCall", "NotifyMessage", "ShowWave", "Voiceloop", "EnableEM",
                            "HideNVSMS", "EnableVoice", "changed"}) {
        EXPECT_EQ(saved.find(key), std::string::npos) << key;
    }
    EXPECT_EQ(saved.find("[Options]"), saved.rfind("[Options]"));  // no second section

    // Everything written reads back as it was.
    test::WriteFile(SetDat() + ".clean", saved.substr(saved.find("[DialSetting]")));
    AppSettings back;
    back.LoadSettings(Utf8ToUtf16(SetDat() + ".clean"));
    EXPECT_EQ(back.dial.pass, u"two words");
    EXPECT_EQ(back.dial.number, u"*99#");
    EXPECT_EQ(back.options.local, u"Localize/Indonesian.txt");
    EXPECT_EQ(back.ring.call_comming, s.ring.call_comming);
    EXPECT_EQ(back.options.loop_second, 5);
}

TEST_F(SettingsTest, RoundTripOfAFreshFile) {
    AppSettings s;
    s.dial.mcc_mnc = u"51011";
    s.dial.user = u"user name";
    s.dial.net_sel = 11;
    s.dial.redial = true;
    s.dial.name = u"Profil Satu";
    s.options.work_mode = 1;
    s.options.confirm_power_off = false;
    s.sms.priority = 3;
    s.ring.international_code = u"+62";
    ASSERT_TRUE(s.SaveSettings());
    AppSettings back;
    back.LoadSettings(s.file_path);
    EXPECT_EQ(back.dial.mcc_mnc, u"51011");
    EXPECT_EQ(back.dial.user, u"user name");
    EXPECT_EQ(back.dial.net_sel, 11);
    EXPECT_TRUE(back.dial.redial);
    EXPECT_EQ(back.dial.name, u"Profil Satu");
    EXPECT_EQ(back.options.work_mode, 1);
    EXPECT_FALSE(back.options.confirm_power_off);
    EXPECT_EQ(back.sms.priority, 3);
    EXPECT_EQ(back.ring.international_code, u"+62");
}

TEST_F(SettingsTest, Utf16FileStaysUtf16) {
    std::string bytes("\xFF\xFE", 2);
    for (char c : std::string("[DialSetting]\r\nApn=old\r\n")) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    test::WriteFile(SetDat(), bytes);
    ASSERT_TRUE(WriteProfileString(SetDat(), u"DialSetting", u"Apn", u"internet\u00e9"));
    const std::string saved = test::ReadFile(SetDat());
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_EQ(TextTable(SetDat()).Value(u"dialsetting", u"apn"), u"internet\u00e9");
}

TEST_F(SettingsTest, FailedWriteLeavesTheOldFileWhole) {
    test::WriteFile(SetDat(), "[DialSetting]\nApn=old\n");
    AppSettings s;
    s.file_path = Utf8ToUtf16(data_.Path() + "no-such-folder/Set.dat");
    EXPECT_FALSE(s.SaveSettings());
    // A save into a folder where the temporary file cannot be made fails and keeps the file.
    ::chmod((data_.Path() + "Dataline").c_str(), 0500);
    AppSettings t;
    t.dial.apn = u"new";
    bool saved = true;
    const bool ran = test::RunWhereFileModesBind([&] { saved = t.SaveSettings(); });
    ::chmod((data_.Path() + "Dataline").c_str(), 0700);
    ASSERT_TRUE(ran) << "this process may not drop CAP_DAC_OVERRIDE";
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::ReadFile(SetDat()), "[DialSetting]\nApn=old\n");
    // No temporary files are left behind by a successful save.
    AppSettings u;
    ASSERT_TRUE(u.SaveSettings());
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(data_.Path() + "Dataline")) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(SettingsTest, ProfileFileAddsSectionsAndKeys) {
    ProfileFile file(data_.File("p.ini"));
    file.Set(u"A", u"k", u"1");
    file.Set(u"B", u"x", u"2");
    file.Set(u"a", u"K", u"3");  // same key, other case: replaced in place
    file.Set(u"A", u"j", u"4");
    EXPECT_EQ(file.Text(), u"[A]\r\nK=3\r\nj=4\r\n[B]\r\nx=2\r\n");

    test::WriteFile(data_.File("q.ini"), "[A]\nk=1\n\n[B]\nx=2");
    ProfileFile unix_file(data_.File("q.ini"));
    unix_file.Set(u"A", u"new", u"v");
    unix_file.Set(u"B", u"y", u"3");
    unix_file.Set(u"C", u"z", u"4");
    EXPECT_EQ(unix_file.Text(), u"[A]\nk=1\nnew=v\n\n[B]\nx=2\ny=3\n[C]\nz=4\n");
}

TEST_F(SettingsTest, LanguageAndSkinPaths) {
    test::WriteFile(program_.File("Skin/Skin.txt"), "[colors]\n");
    test::WriteFile(program_.File("Skin/SkinIndonesian.txt"), "[colors]\n");
    const std::u16string folder = Utf8ToUtf16(program_.Path());
    AppSettings s;
    s.options.local = u"Localize\\Indonesian.txt";
    EXPECT_EQ(s.LanguageFilePath(), folder + u"Localize\\Indonesian.txt");
    s.options.local = u"C:\\Lang\\x.txt";
    EXPECT_EQ(s.LanguageFilePath(), u"C:\\Lang\\x.txt");
    s.options.skin = u"Skin\\SkinIndonesian.txt";
    EXPECT_EQ(s.SkinFilePath(), folder + u"Skin\\SkinIndonesian.txt");
    s.options.skin = u"Skin\\Missing.txt";
    EXPECT_EQ(s.SkinFilePath(), folder + u"Skin\\Skin.txt");
    s.options.skin = Utf8ToUtf16(program_.File("Skin/SkinIndonesian.txt"));
    EXPECT_EQ(s.SkinFilePath(), s.options.skin);
}

}  // namespace
}  // namespace dedevev
