// The settings dialog's own rules and its language, work-mode and reset pages against a fake
// card on a test clock; the application lock and its emergency list.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/AppSettings.h"
#include "core/Paths.h"
#include "device/base/Clock.h"
#include "device/base/Utf.h"
#include "device/null/NullObjects.h"
#include "resources/Localizer.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "settings/SettingsWorkers.h"
#include "settings/views/DlgFactoryDataReset.h"
#include "settings/views/DlgPin.h"
#include "settings/views/DlgSet.h"
#include "settings/views/DlgSetLanguage.h"
#include "settings/views/DlgSetWorkMode.h"
#include "settings/views/DlgUnlock.h"
#include "tests/support/Eventually.h"
#include "tests/support/ScriptedVoice.h"
#include "tests/ui/MessageRecorder.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

using namespace std::chrono_literals;

// Each call to the card takes 100 ms of the test clock.
class ModeCard : public CNullDeviceControl {
public:
    explicit ModeCard(ManualClock& clock) : clock_(clock) {}
    void SetWorkMode(std::uint8_t mode, int* status) override {
        clock_.Advance(100ms);
        ++set_calls;
        if (accepts_set) {
            mode_ = mode;
            *status = 1;
        }
    }
    std::uint8_t GetWorkMode(int* status) override {
        clock_.Advance(100ms);
        if (reports_mode)
            *status = 1;
        return reports_mode ? mode_.load() : 0;
    }
    void RestoreFactorySettings(int* status) override {
        resets_at = clock_.Now();
        if (accepts_reset)
            *status = 1;
    }

    bool accepts_set = true;
    bool reports_mode = true;
    bool accepts_reset = true;
    std::atomic<int> set_calls{0};
    IClock::TimePoint resets_at{};

private:
    ManualClock& clock_;
    std::atomic<std::uint8_t> mode_{0};
};

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::filesystem::path bin = DEDEVEV_BIN_DIR;
        const std::filesystem::path program = Program();
        for (const char* file :
             {"Localize/English.txt", "Localize/Indonesian.txt", "Skin/Skin.txt"}) {
            std::filesystem::create_directories((program / file).parent_path());
            std::filesystem::copy_file(bin / file, program / file);
        }
        saved_folder_ = ProgramFolder();
        SetProgramFolder(Utf8ToUtf16(program.string() + "/"));
        saved_ = CurrentSettings();
        CurrentSettings() = DefaultSettings();
        CurrentSettings().file_path = Utf8ToUtf16(SettingsFile());
        CurrentSettings().options.local = u"Localize\\English.txt";
        CurrentSettings().options.skin = u"Skin\\Skin.txt";
        test::UseDefaultSkinAndLanguage();
    }
    void TearDown() override {
        CurrentSettings() = saved_;
        SetProgramFolder(saved_folder_);
        test::UseDefaultSkinAndLanguage();
    }

    WorkModePageEnvironment ModeEnv() {
        WorkModePageEnvironment env;
        env.device = [this] { return &card_; };
        env.connection_up = [this] { return connected_; };
        env.disconnect = [this] { ++disconnects_; };
        return env;  // no run_job: the job runs without a window
    }
    // Language and work-mode pages, shown, with the work-mode page in front and `wifi` clicked.
    void ChooseMode(CDlgSet& dialog, bool wifi) {
        dialog.show();
        dialog.ShowPage(CDlgSet::kWorkModePage);
        dialog.findChild<QRadioButton*>(wifi ? "WifiMode" : "DongleMode")->click();
    }
    std::u16string Text(const char* key, const char* section = "") {
        return LocalText(key, section);
    }

    std::string Program() const { return temp_.filePath("program").toStdString(); }
    std::string SettingsFile() const { return temp_.filePath("Set.dat").toStdString(); }
    std::string SavedSettings() const {
        std::ifstream in(SettingsFile(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    QTemporaryDir temp_;
    std::u16string saved_folder_;
    AppSettings saved_;
    TestClock clock_;
    ScopedProcessClock use_clock_{clock_};
    ModeCard card_{clock_};
    bool connected_ = false;
    int disconnects_ = 0;
    test::MessageRecorder messages_;
};

TEST_F(SettingsDialogTest, OkWaitsForAChangeAndAppliesOnlyThePageShown) {
    CDlgSet dialog;
    dialog.AddPage(CDlgSet::kLanguagePage, "BtnLanguage", new CDlgSetLanguage);
    dialog.AddPage(CDlgSet::kWorkModePage, "BtnWorkMode", new CDlgSetWorkMode(ModeEnv()));
    dialog.show();
    EXPECT_FALSE(dialog.OkEnabled());
    auto* list = dialog.findChild<QComboBox*>("LanguageList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->itemText(1), ToQString(Text("Indonesian", "DlgSetLanguage")));
    list->setCurrentIndex(1);
    emit list->activated(1);
    EXPECT_TRUE(dialog.OkEnabled());

    // Switching to the work-mode page drops the language choice: only the mode is applied.
    ChooseMode(dialog, true);
    dialog.OnOk();
    EXPECT_FALSE(dialog.OkEnabled());
    EXPECT_EQ(CurrentSettings().options.work_mode, 1);
    EXPECT_EQ(CurrentSettings().options.local, u"Localize\\English.txt");
    EXPECT_NE(SavedSettings().find("WorkMode=1"), std::string::npos);

    // Reopened, the language page applies the language with the default skin.
    dialog.hide();
    CurrentSettings().options.skin = u"Skin\\SkinIndonesian.txt";
    dialog.show();
    list->setCurrentIndex(1);
    emit list->activated(1);
    dialog.ShowPage(CDlgSet::kLanguagePage);
    dialog.OnOk();
    EXPECT_EQ(CurrentSettings().options.local, u"Localize\\Indonesian.txt");
    EXPECT_EQ(CurrentSettings().options.skin, u"Skin\\Skin.txt");
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(SettingsDialogTest, SameModeDoesNothingAndWifiWhileConnectedAsksToDisconnect) {
    CDlgSet dialog;
    dialog.AddPage(CDlgSet::kWorkModePage, "BtnWorkMode", new CDlgSetWorkMode(ModeEnv()));
    ChooseMode(dialog, false);
    dialog.OnOk();
    EXPECT_EQ(card_.set_calls, 0);
    EXPECT_TRUE(messages_.shown.empty());

    connected_ = true;
    for (const int answer : {kMsgSecond, kMsgFirst}) {
        messages_.answer = answer;
        dialog.hide();
        ChooseMode(dialog, true);
        dialog.OnOk();
    }
    EXPECT_EQ(messages_.shown, std::vector<std::u16string>(2, Text("DisconnectFirst")));
    EXPECT_EQ(disconnects_, 1);
    EXPECT_EQ(card_.set_calls, 0);
    EXPECT_EQ(CurrentSettings().options.work_mode, 0);
}

TEST_F(SettingsDialogTest, PageButtonsKeepTheirSlotsWhenThePinPageIsMissing) {
    for (const bool pin : {false, true}) {
        CDlgSet dialog;
        dialog.AddPage(CDlgSet::kNetPage, "BtnNet", new CDlgSetLanguage);
        dialog.AddPage(CDlgSet::kLanguagePage, "BtnLanguage", new CDlgSetLanguage);
        if (pin)
            dialog.AddPage(CDlgSet::kPinPage, "BtnPin", new CDlgPin);
        dialog.AddPage(CDlgSet::kResetPage, "BtnReset", new CDlgFactoryDataReset({}));
        const auto x = [&dialog](int index) {
            auto* tab = dialog.findChild<CSkinButtonEx*>(QString("SetTab%1").arg(index));
            return tab != nullptr ? tab->geometry().topLeft() : QPoint(-1, -1);
        };
        EXPECT_EQ(x(CDlgSet::kNetPage), QPoint(10, 20)) << pin;
        EXPECT_EQ(x(CDlgSet::kPinPage), pin ? QPoint(120, 20) : QPoint(-1, -1));
        EXPECT_EQ(x(CDlgSet::kLanguagePage), QPoint(175, 20)) << pin;
        EXPECT_EQ(x(CDlgSet::kResetPage), QPoint(285, 20)) << pin;
    }
}

TEST_F(SettingsDialogTest, PinPageIsAddedOnceTheCardHasAnswered) {
    CDlgSet dialog;
    dialog.AddPage(CDlgSet::kNetPage, "BtnNet", new CDlgSetLanguage);
    std::atomic<bool> answer{false};
    dialog.ProbePage([&answer] { return answer.load(); },
                     [&dialog] { dialog.AddPage(CDlgSet::kPinPage, "BtnPin", new CDlgPin); });
    dialog.WaitForProbes();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.Page(CDlgSet::kPinPage), nullptr);
    answer = true;
    dialog.ProbePage([&answer] { return answer.load(); },
                     [&dialog] { dialog.AddPage(CDlgSet::kPinPage, "BtnPin", new CDlgPin); });
    dialog.WaitForProbes();
    QCoreApplication::processEvents();
    EXPECT_NE(dialog.Page(CDlgSet::kPinPage), nullptr);
}

TEST_F(SettingsDialogTest, WorkModeWorkerTimesAndResult) {
    struct Case {
        const char* name;
        bool accepts_set;
        bool reports_mode;
        std::chrono::milliseconds elapsed;
        bool ok;
    };
    const Case cases[] = {
        {"refuses both", false, false, 12500ms, false},
        {"never reports the mode", true, false, 7600ms, false},
        {"takes the mode", true, true, 2700ms, true},
    };
    for (const Case& c : cases) {
        card_.accepts_set = c.accepts_set;
        card_.reports_mode = c.reports_mode;
        messages_.shown.clear();
        CurrentSettings().options.work_mode = 0;
        CDlgSetWorkMode page(ModeEnv());
        page.Reload();
        page.findChild<QRadioButton*>("WifiMode")->click();
        const IClock::TimePoint start = clock_.Now();
        page.Apply();
        EXPECT_EQ(clock_.Now() - start, c.elapsed) << c.name;
        EXPECT_EQ(CurrentSettings().options.work_mode, c.ok ? 1 : 0) << c.name;
        EXPECT_EQ(messages_.shown, c.ok ? std::vector<std::u16string>{}
                                        : std::vector<std::u16string>{Text("SwitchModeFail")})
            << c.name;
    }
}

TEST_F(SettingsDialogTest, FactoryResetWaitsMarksAndReportsFailure) {
    for (const bool accepts : {true, false}) {
        card_.accepts_reset = accepts;
        messages_.shown.clear();
        int marked = 0;
        ResetPageEnvironment env;
        env.device = [this] { return &card_; };
        env.mark_reset_running = [&marked] { ++marked; };
        CDlgFactoryDataReset page(env);
        const IClock::TimePoint start = clock_.Now();
        page.findChild<CSkinButtonEx*>("ResetButton")->click();
        EXPECT_EQ(marked, 1);
        EXPECT_EQ(card_.resets_at - start, 6000ms);
        EXPECT_EQ(messages_.shown, accepts ? std::vector<std::u16string>{}
                                           : std::vector<std::u16string>{Text("ResetFailed")});
    }
}

TEST_F(SettingsDialogTest, LockOpensOnlyForTheExactCodeAndQuitsOnlyWhenConfirmed) {
    struct Case {
        const char* typed;
        bool opens;
    };
    for (const Case& c : {Case{"Secret 1", true}, Case{"Secret 1 ", false}, Case{"secret 1", false},
                          Case{"", false}}) {
        messages_.shown.clear();
        CDlgUnlock dialog(u"Secret 1", {});
        dialog.show();
        auto* field = dialog.findChild<QLineEdit*>("UnlockCode");
        EXPECT_EQ(field->echoMode(), QLineEdit::Password);
        EXPECT_EQ(field->maxLength(), 32);
        field->setText(c.typed);
        dialog.findChild<QPushButton*>("UnlockOK")->click();
        EXPECT_EQ(dialog.isVisible(), !c.opens) << c.typed;
        EXPECT_EQ(dialog.result(), c.opens ? QDialog::Accepted : QDialog::Rejected) << c.typed;
        EXPECT_EQ(messages_.shown, c.opens
                                       ? std::vector<std::u16string>{}
                                       : std::vector<std::u16string>{Text("PasswErr", "Security")})
            << c.typed;
    }

    messages_.shown.clear();
    CDlgUnlock dialog(u"x", {});
    dialog.show();
    messages_.answer = kMsgSecond;
    dialog.findChild<QPushButton*>("UnlockQuit")->click();
    EXPECT_TRUE(dialog.isVisible());
    messages_.answer = kMsgFirst;
    dialog.findChild<QPushButton*>("UnlockQuit")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(messages_.shown, std::vector<std::u16string>(2, Text("MsgQuitConfirm")));
}

TEST_F(SettingsDialogTest, EmergencyListCallsOnlyOneSelectedRow) {
    const std::vector<EmergencyNumber> numbers = {{u"Police", u"110"}, {u"Ambulance", u"118"}};
    CDlgEmergentCall list(numbers);
    EXPECT_EQ(list.size(), QSize(240, 200));
    auto* call = list.findChild<QPushButton*>("EmergencyCall");
    auto* rows = list.findChild<QTreeWidget*>("EmergencyList");
    EXPECT_FALSE(call->isEnabled());
    emit rows->itemDoubleClicked(rows->topLevelItem(1), 0);  // not selected: nothing
    EXPECT_TRUE(list.Number().empty());
    rows->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(call->isEnabled());
    call->click();
    EXPECT_EQ(list.Number(), u"118");

    // The lock dials the chosen number.
    std::vector<std::u16string> dialled;
    UnlockEnvironment env;
    env.emergency_numbers = [&numbers] { return numbers; };
    env.choose_emergency = [](const std::vector<EmergencyNumber>& offered, QWidget*) {
        return offered.front().number;
    };
    env.dial = [&dialled](const std::u16string& number) { dialled.push_back(number); };
    CDlgUnlock lock(u"x", env);
    lock.findChild<QPushButton*>("UnlockCall")->click();
    EXPECT_EQ(dialled, std::vector<std::u16string>{u"110"});
}

// The lock's call button follows the calls: it answers a ringing call, ends a call that is
// up, and offers the emergency list again once no call is left.
TEST_F(SettingsDialogTest, LockCallButtonFollowsTheCalls) {
    test::ScriptedVoice voice;
    CCallHistory missed, accepted, dialed;
    CallManagerEnvironment calls_env;
    calls_env.voice = [&voice] { return &voice; };
    calls_env.missed = &missed;
    calls_env.accepted = &accepted;
    calls_env.dialed = &dialed;
    CCallManager calls(calls_env);
    int offered = 0;
    UnlockEnvironment env;
    env.choose_emergency = [&offered](const std::vector<EmergencyNumber>&, QWidget*) {
        ++offered;
        return std::u16string();
    };
    env.call_manager = [&calls] { return &calls; };
    CDlgUnlock lock(u"x", env);
    auto* button = lock.findChild<QPushButton*>("UnlockCall");
    // The card's events come on another thread; the button changes on the window's.
    auto shows = [&](const char* key, const char* section) {
        return test::Eventually([&] {
            QCoreApplication::processEvents();
            return button->text() == ToQString(Text(key, section));
        });
    };
    std::thread([&calls] { calls.OnIncomingCall("0811", false); }).join();
    ASSERT_TRUE(shows("Accept", "VoiceCall"));
    button->click();
    calls.OnCallConnected(1);
    ASSERT_TRUE(shows("Hangup", "VoiceCall"));
    button->click();
    ASSERT_TRUE(shows("EmergentCall", "Security"));
    EXPECT_EQ(voice.commands, (test::ScriptedVoice::Commands{"answer", "hangup"}));
    EXPECT_EQ(accepted.Count(), 1);
    button->click();
    EXPECT_EQ(offered, 1);
}

}  // namespace
}  // namespace dedevev
