// The main window against a scripted card: what each status report shows, the commands and
// menus, the tray, a lost device, a refused password, a failed start-up and the close order.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "connection/NetProfileList.h"
#include "core/AppSettings.h"
#include "core/Customization.h"
#include "core/ExportRegistry.h"
#include "core/MessageBox.h"
#include "core/ModemManagerGate.h"
#include "core/StatusThread.h"
#include "device/base/Clock.h"
#include "device/null/NullObjects.h"
#include "mainwindow/views/MainDlg.h"
#include "mainwindow/views/MainPanel.h"
#include "mainwindow/views/ModuleWindow.h"
#include "mainwindow/views/SuspendWatch.h"
#include "resources/views/NotifyIcon.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "tests/support/ScriptedModem.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

namespace fs = std::filesystem;
using test::ScriptedAgent;

class Hardware : public IHardwareInfo {
public:
    std::string GetPort0() override { return {}; }
    std::string GetPort1() override { return {}; }
    std::string GetAtPort() override { return {}; }
    std::string GetVoicePort() override { return {}; }
    void ResetDevice() override {}
    bool IsDevicePresent() override {
        ++checks;
        return present;
    }
    bool CheckDriver(int*) override { return true; }
    void ProbeStart() override {}
    bool Refresh() override { return true; }
    bool present = true;
    int checks = 0;
};

// Questions the window asks, answered with `answer`.
class QuestionRecorder : public IMessageBoxUi {
public:
    int ShowMessage(const std::u16string& text, const std::u16string&, unsigned flags) override {
        asked.push_back(FromQString(ToQString(text)));
        icons.push_back(IconOf(flags));
        return answer;
    }
    std::vector<std::u16string> asked;
    std::vector<MessageBoxIcon> icons;
    int answer = kMsgFirst;
};

class Connection : public IConnectionExport {
public:
    bool IsRunning() override { return running; }
    void AddListener(IConnectionListener*) override {}
    void StopAndWait() override {
        ++stops;
        running = false;
    }
    bool ToggleConnection() override {
        ++toggles;
        return true;
    }
    std::u16string GetInfoText() override { return {}; }
    bool running = false;
    int stops = 0;
    int toggles = 0;
};

class ReleaseCounter : public IModemManagerGate {
public:
    ModemHold Hold(const CardIdentity&, const std::function<bool()>&) override { return {}; }
    void Release() override { ++releases; }
    bool Holding() const override { return false; }
    int releases = 0;
};

struct Record {
    int device_lost = 0;
    int about = 0;
    std::vector<QString> modules;
    std::vector<QString> urls;
    bool password_answer = false;
    int password_requests = 0;
};

class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        root_ = fs::temp_directory_path() /
                ("dedevev-maindlg-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root_);
        ::setenv("XDG_DATA_HOME", root_.c_str(), 1);
        ResetDataFolderForTesting();
        CurrentSettings() = DefaultSettings();
        NoCardReports() = 0;
        previous_ui_ = SetMessageBoxUi(&questions_);
    }
    void TearDown() override {
        SetMessageBoxUi(previous_ui_);
        Exports().BindConnection(nullptr);
        dlg_.reset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        ResetDataFolderForTesting();
    }

    MainWindowEnvironment Env(bool with_agent = true) {
        MainWindowEnvironment env;
        env.run_init = [this](IMessageTarget* owner, QWidget*, std::u16string* error) {
            if (!init_ok_) {
                *error = u"No modem found.";
                return false;
            }
            owner->Send({kMsgInitDone, 0, 0, {}, {}});
            return true;
        };
        env.make_status_thread = [](IMessageTarget*) {
            return std::unique_ptr<CThreadUpdateStatus>();
        };
        ScriptedAgent* agent = with_agent ? &agent_ : nullptr;
        env.agent = [agent]() -> IModemAgent* { return agent; };
        env.hardware = [this] { return &hardware_; };
        env.request_password = [this](QWidget*) {
            ++record_.password_requests;
            return record_.password_answer;
        };
        env.show_device_lost = [this](QWidget*) { ++record_.device_lost; };
        env.show_about = [this](QWidget*) { ++record_.about; };
        env.run_module = [this](CModulePage* page, QWidget*) {
            record_.modules.push_back(page->Title());
            return 0;
        };
        env.open_url = [this](const QString& url) { record_.urls.push_back(url); };
        env.tray_available = [] { return false; };
        env.watch_devices = false;
        env.watch_suspend = false;
        return env;
    }

    CMainDlg& Open(MainWindowEnvironment env) {
        dlg_ = std::make_unique<CMainDlg>(std::move(env));
        dlg_->Open();
        QCoreApplication::processEvents();
        return *dlg_;
    }
    CMainDlg& Open() { return Open(Env()); }

    QString Field(const char* name) const {
        auto* label = dlg_->findChild<QLabel*>(name);
        return label != nullptr ? label->text() : QString("<missing %1>").arg(name);
    }
    void Handle(unsigned number, std::uint64_t wparam = 0, std::int64_t lparam = 0,
                std::string text = {}) {
        dlg_->HandleMessage({number, wparam, lparam, std::move(text), {}});
    }

    fs::path root_;
    ScriptedAgent agent_;
    Hardware hardware_;
    QuestionRecorder questions_;
    IMessageBoxUi* previous_ui_ = nullptr;
    Record record_;
    bool init_ok_ = true;
    std::unique_ptr<CMainDlg> dlg_;
};

TEST_F(MainDlgTest, CompletesWithThePanelTheCardLineAndTheMenus) {
    CMainDlg& dlg = Open();
    EXPECT_TRUE(dlg.CardReady());
    EXPECT_EQ(Field("StatusValue"), "USIM card ready");
    EXPECT_EQ(Field("SentValue"), "0.00KB");
    EXPECT_EQ(Field("ReceivedValue"), "0.00KB");
    EXPECT_EQ(dlg.Panel()->StatusColor(), QColor(Qt::white));
    EXPECT_FALSE(dlg.WorkModeKnown());
    EXPECT_EQ(Exports().MainExport()->IsVoiceEnabled(), false);
    ASSERT_NE(dlg.Menu(cmd::kMenuFile), nullptr);
    QStringList file_items;
    for (QAction* action : dlg.Menu(cmd::kMenuFile)->actions()) {
        if (!action->isSeparator())
            file_items << action->text();
    }
    EXPECT_EQ(file_items, QStringList({"Settings...", "Exit"}));
    // Without the voice switch there is no voice button, page or menu item.
    EXPECT_EQ(dlg.findChild<CSkinButtonEx*>("BtnVoice"), nullptr);
    EXPECT_EQ(dlg.Module(cmd::kVoice), nullptr);
    for (QAction* action : dlg.Menu(cmd::kMenuOperation)->actions())
        EXPECT_NE(action->data().toInt(), cmd::kMenuVoice);
    // The tray icon is there with the product name as its tip.
    EXPECT_TRUE(dlg.Tray()->HasIcon(1));
    EXPECT_EQ(dlg.Tray()->Tip(1), "DEDEVev");
}

TEST_F(MainDlgTest, FirstCardLineFollowsTheCard) {
    agent_.control.card = "SIM PIN";
    Open();
    EXPECT_EQ(Field("StatusValue"), "Card locked: PIN needed");
    EXPECT_FALSE(dlg_->CardReady());
    dlg_.reset();

    agent_.control.card = "READY";
    agent_.control.service.card_type = 0;  // not known yet
    Open();
    EXPECT_EQ(Field("StatusValue"), "Preparing the card...");

    Open(Env(/*with_agent=*/false));
    EXPECT_EQ(Field("StatusValue"), "Preparing the card...");
}

TEST_F(MainDlgTest, VoiceSwitchAddsItsButtonPageAndMenuItem) {
    MainWindowEnvironment env = Env();
    env.voice_enabled = true;
    CMainDlg& dlg = Open(std::move(env));
    EXPECT_NE(dlg.findChild<CSkinButtonEx*>("BtnVoice"), nullptr);
    ASSERT_NE(dlg.Module(cmd::kVoice), nullptr);
    EXPECT_EQ(dlg.Module(cmd::kVoice)->Title(), "Voice calls");
    bool has_voice_item = false;
    for (QAction* action : dlg.Menu(cmd::kMenuOperation)->actions())
        has_voice_item |= action->data().toInt() == cmd::kMenuVoice;
    EXPECT_TRUE(has_voice_item);
    EXPECT_TRUE(Exports().MainExport()->IsVoiceEnabled());
}

TEST_F(MainDlgTest, SignalReportsBecomeBars) {
    Open();
    const struct {
        std::uint64_t level;
        int bars;
    } cases[] = {{99, 0}, {5, 1}, {6, 2}, {23, 4}, {24, 5}, {0, 0}, {31, 5}};
    for (const auto& c : cases) {
        Handle(kMsgSignal, c.level);
        EXPECT_EQ(dlg_->Signal()->Level(), c.bars) << "level " << c.level;
    }
}

TEST_F(MainDlgTest, CardStateReportsAndTheTwentiethWithoutCard) {
    Open();
    agent_.control.operator_name = "Operator <b>X</b>";
    Handle(kMsgCardState, 0x10002, 0);
    EXPECT_EQ(Field("StatusValue"), "UIM card ready");
    EXPECT_EQ(Field("OperatorValue"), "Operator <b>X</b>");
    EXPECT_EQ(dlg_->OperatorName(), u"Operator <b>X</b>");
    EXPECT_TRUE(dlg_->FirstStatusDone());
    // Untrusted names are never read as markup.
    EXPECT_EQ(dlg_->findChild<QLabel*>("OperatorValue")->textFormat(), Qt::PlainText);

    Handle(kMsgCardState, 0, 1);
    EXPECT_TRUE(dlg_->PinLocked());
    EXPECT_EQ(Field("StatusValue"), "Card locked: PIN needed");

    for (int i = 1; i <= 19; ++i)
        Handle(kMsgCardState, 0, 0);
    EXPECT_EQ(Field("StatusValue"), "Card locked: PIN needed");
    EXPECT_NE(dlg_->Panel()->StatusColor(), QColor(255, 0, 0));
    Handle(kMsgCardState, 0, 0);
    EXPECT_EQ(Field("StatusValue"), "No UIM/SIM card");
    EXPECT_EQ(dlg_->Panel()->StatusColor(), QColor(255, 0, 0));
}

TEST_F(MainDlgTest, FailedOperatorReadLeavesThePanelAlone) {
    Open();
    Handle(kMsgCardState, 0x10001, 0);
    EXPECT_EQ(Field("OperatorValue"), "DEDEVev Mobile");
    agent_.control.operator_ok = false;
    Handle(kMsgCardState, 0x10001, 0);
    EXPECT_EQ(Field("OperatorValue"), "DEDEVev Mobile");
}

TEST_F(MainDlgTest, ServiceReportsFillNetworkAndServiceFields) {
    Open();
    agent_.control.operator_name = "";
    Handle(kMsgCardState, 0x10001, 0);  // ready, but the name is still empty
    const int reads = agent_.control.operator_reads;
    agent_.control.operator_name = "Tel";
    Handle(kMsgService, 4, 2);
    EXPECT_EQ(agent_.control.operator_reads, reads + 1);  // an empty name is read again
    EXPECT_EQ(Field("OperatorValue"), "Tel");
    EXPECT_EQ(Field("NetworkValue"), "HDR");
    EXPECT_EQ(Field("ServiceValue"), "3G");
    Handle(kMsgService, 9, 2);
    EXPECT_EQ(agent_.control.operator_reads, reads + 1);  // a real name is not
    EXPECT_EQ(Field("NetworkValue"), "LTE");
    EXPECT_EQ(Field("ServiceValue"), "4G");
    Handle(kMsgService, 255, 0);
    EXPECT_EQ(Field("NetworkValue"), LocalQText("ErrInfo_NoService", "DlgNet"));
    EXPECT_EQ(Field("ServiceValue"), "4G");  // unknown mode: left as it was
    Handle(kMsgService, 7, 2);
    EXPECT_EQ(Field("NetworkValue"), "Unknown");
}

TEST_F(MainDlgTest, AddressWifiAndTrafficFields) {
    Open();
    Handle(kMsgAddress, 0x0A404040);
    EXPECT_EQ(Field("AddressValue"), "10.64.64.64");
    Handle(kMsgAddress, 0);
    EXPECT_EQ(Field("AddressValue"), "");

    Handle(kMsgWifi, 0, 0, "Cafe <i>net</i>");
    auto* ssid = dlg_->findChild<QLabel*>("SsidValue");
    EXPECT_FALSE(ssid->isHidden());
    EXPECT_EQ(ssid->text(), "Cafe <i>net</i>");
    EXPECT_EQ(Field("SsidCaption"), LocalQText("WiFi_Mode", "DlgSetMode"));
    Handle(kMsgWifi, 0, 1);
    EXPECT_TRUE(ssid->isHidden());
    EXPECT_TRUE(dlg_->findChild<QLabel*>("SsidCaption")->isHidden());

    Handle(kMsgTraffic, 1024, 1023);
    EXPECT_EQ(Field("SentValue"), "1.000 MB ");
    EXPECT_EQ(Field("ReceivedValue"), "1023.000 KB ");
    Handle(kMsgTraffic, 1048576, 0);
    EXPECT_EQ(Field("SentValue"), "1.000 GB ");
}

TEST_F(MainDlgTest, ConnectionMessagesSetCaptionAndColour) {
    Open();
    Handle(kMsgConnectEnabled);
    EXPECT_EQ(dlg_->Panel()->ConnectButton()->Caption(), "Disconnect");
    Handle(kMsgConnecting);
    EXPECT_EQ(dlg_->Panel()->StatusColor(),
              ToQColor(CGlobalService::Instance().Skin()->GetColor(u"ConnectingColor")));
    Handle(kMsgConnected);
    EXPECT_TRUE(dlg_->Connected());
    EXPECT_EQ(dlg_->Panel()->StatusColor(), QColor(Qt::white));
    dlg_->ShowConnectionText(true, u"Connected");  // a good text keeps the colour
    EXPECT_EQ(dlg_->Panel()->StatusColor(), QColor(Qt::white));
    Handle(kMsgDisconnected);
    EXPECT_FALSE(dlg_->Connected());
    EXPECT_EQ(dlg_->Panel()->StatusColor(), QColor(250, 0, 0));
    EXPECT_EQ(dlg_->Panel()->ConnectButton()->Caption(), "Connect");

    // The connect button goes to the dial-up session.
    Connection connection;
    Exports().BindConnection(&connection);
    QTest::mouseClick(dlg_->Panel()->ConnectButton(), Qt::LeftButton);
    EXPECT_EQ(connection.toggles, 1);
}

TEST_F(MainDlgTest, HomeNetworkPicksTheProfileOnlyWithoutAnAccount) {
    Open();
    Handle(kMsgHomeNetwork, 0, 0, "001010");
    EXPECT_EQ(CurrentSettings().dial.name, u"UMTS Internet");
    Handle(kMsgHomeNetwork, 0, 0, "001020");
    EXPECT_EQ(CurrentSettings().dial.name, u"UMTS Internet");  // an account is set already
}

TEST_F(MainDlgTest, TrayDoubleClickTogglesTheWindowButNotWhileClosing) {
    Open();
    dlg_->show();
    Handle(kMsgTrayIcon, 1, kTrayLeftClick);
    EXPECT_TRUE(dlg_->isVisible());
    Handle(kMsgTrayIcon, 1, kTrayLeftDoubleClick);
    EXPECT_FALSE(dlg_->isVisible());
    Handle(kMsgTrayIcon, 1, kTrayLeftDoubleClick);
    EXPECT_TRUE(dlg_->isVisible());
    EXPECT_TRUE(dlg_->CloseSequence());
    Handle(kMsgTrayIcon, 1, kTrayLeftDoubleClick);
    EXPECT_FALSE(dlg_->isVisible());
}

TEST_F(MainDlgTest, CommandsOpenModulesPagesAndAddresses) {
    Open();
    dlg_->OnCommand(cmd::kNet);
    dlg_->OnCommand(cmd::kMenuFlux);
    dlg_->OnCommand(cmd::kLink);
    dlg_->OnCommand(cmd::kMenuLog);
    dlg_->OnCommand(cmd::kSms);
    dlg_->OnCommand(cmd::kPhonebook);
    dlg_->OnCommand(cmd::kMenuUssd);
    dlg_->OnCommand(cmd::kMenuSet);
    dlg_->OnCommand(cmd::kVoice);  // nothing: the voice switch is off
    EXPECT_EQ(record_.modules,
              (std::vector<QString>{"Traffic", "Traffic", "Internet", "History", "Messages",
                                    "Contacts", "USSD service", "Settings"}));
    dlg_->OnCommand(cmd::kMenuAbout);
    EXPECT_EQ(record_.about, 1);
    dlg_->OnCommand(cmd::kMenuHelpDoc);
    dlg_->OnCommand(cmd::kWeb1);
    EXPECT_EQ(record_.urls, (std::vector<QString>{ToQString(Customization().HelpDocument()),
                                                  ToQString(Customization().WebPageAddress(1))}));
    // The navigation buttons reach the same commands.
    QTest::mouseClick(dlg_->findChild<CSkinButtonEx*>("BtnLog"), Qt::LeftButton);
    EXPECT_EQ(record_.modules.back(), "History");
}

TEST_F(MainDlgTest, LanguagePresetsSwitchEveryTextInPlace) {
    Open();
    dlg_->OnCommand(cmd::kIndonesian);
    EXPECT_EQ(dlg_->Menu(cmd::kMenuFile)->actions().back()->text(), "Keluar");
    EXPECT_EQ(Field("StatusValue"), "Kartu USIM siap");
    EXPECT_EQ(Field("StatusCaption"), "Status:");
    EXPECT_EQ(dlg_->Panel()->ConnectButton()->Caption(), "Hubungkan");
    EXPECT_EQ(CurrentSettings().options.local, u"Localize\\Indonesian.txt");
    dlg_->OnCommand(cmd::kEnglish);
    EXPECT_EQ(dlg_->Menu(cmd::kMenuFile)->actions().back()->text(), "Exit");
    EXPECT_EQ(Field("NetworkCaption"), "Network:");
    EXPECT_EQ(dlg_->Panel()->ConnectButton()->Caption(), "Connect");
}

TEST_F(MainDlgTest, DoubleClickOnTheCaptionTogglesMaximised) {
    Open();
    dlg_->show();
    const QRect normal = dlg_->geometry();
    QTest::mouseDClick(dlg_.get(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 15));
    EXPECT_TRUE(dlg_->Maximized());
    EXPECT_TRUE(dlg_->findChild<CSkinButtonEx*>("BtnMax")->isHidden());
    EXPECT_FALSE(dlg_->findChild<CSkinButtonEx*>("BtnRestore")->isHidden());
    // The panel and the close button follow the new size.
    EXPECT_EQ(dlg_->findChild<CSkinButtonEx*>("BtnClose")->geometry().right(), dlg_->width() - 9);
    dlg_->OnCommand(cmd::kRestore);
    EXPECT_FALSE(dlg_->Maximized());
    EXPECT_EQ(dlg_->geometry(), normal);
    // A double-click below the caption does nothing.
    QTest::mouseDClick(dlg_.get(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    EXPECT_FALSE(dlg_->Maximized());
}

TEST_F(MainDlgTest, LostDeviceShowsTheDialogOnceAndCloses) {
    Open();
    Handle(kMsgDeviceChanged);  // still there
    EXPECT_EQ(record_.device_lost, 0);
    EXPECT_FALSE(dlg_->Closing());
    Connection connection;
    connection.running = true;  // no question: the device is gone
    Exports().BindConnection(&connection);
    hardware_.present = false;
    ReleaseCounter gate;
    SetModemManagerGate(&gate);
    Handle(kMsgDeviceChanged);
    SetModemManagerGate(nullptr);
    EXPECT_EQ(gate.releases, 1);  // ModemManager may have the card back
    EXPECT_EQ(record_.device_lost, 1);
    EXPECT_FALSE(dlg_->DeviceReady());
    EXPECT_TRUE(dlg_->Closing());
    EXPECT_TRUE(questions_.asked.empty());
    EXPECT_EQ(connection.stops, 1);
    EXPECT_FALSE(dlg_->Tray()->HasIcon(1));
    EXPECT_EQ(dlg_->result(), QDialog::Accepted);
    const int checks = hardware_.checks;
    Handle(kMsgDeviceChanged);
    EXPECT_EQ(hardware_.checks, checks);  // ignored after the first loss
    EXPECT_EQ(record_.device_lost, 1);
}

TEST_F(MainDlgTest, LostDeviceDuringFactoryResetShowsNoDialog) {
    Open();
    dlg_->SetFactoryResetRunning();
    hardware_.present = false;
    Handle(kMsgDeviceChanged);
    EXPECT_EQ(record_.device_lost, 0);
    EXPECT_TRUE(dlg_->Closing());
}

TEST_F(MainDlgTest, ClosingAsksOnlyAboutARunningConnection) {
    Open();
    Connection connection;
    Exports().BindConnection(&connection);
    dlg_->OnCommand(cmd::kMenuExit);
    EXPECT_TRUE(questions_.asked.empty());
    EXPECT_TRUE(dlg_->Closing());
    dlg_.reset();

    Open();
    connection.running = true;
    questions_.answer = kMsgSecond;
    dlg_->OnCommand(cmd::kClose);
    ASSERT_EQ(questions_.asked.size(), 1u);
    EXPECT_EQ(questions_.asked[0], LocalText("MsgCloseConfirm"));
    EXPECT_EQ(questions_.icons[0], MessageBoxIcon::kQuestion);
    EXPECT_FALSE(dlg_->Closing());
    EXPECT_TRUE(connection.running);

    questions_.answer = kMsgFirst;
    dlg_->close();  // the window manager's close takes the same path
    EXPECT_EQ(questions_.asked.size(), 2u);
    EXPECT_TRUE(dlg_->Closing());
    EXPECT_EQ(connection.stops, 1);
}

TEST_F(MainDlgTest, FailedStartShowsTheErrorAndEndsWithoutQuestions) {
    init_ok_ = false;
    Connection connection;
    connection.running = true;
    Exports().BindConnection(&connection);
    Open();
    ASSERT_EQ(questions_.asked.size(), 1u);
    EXPECT_EQ(questions_.asked[0], u"No modem found.");
    EXPECT_EQ(questions_.icons[0], MessageBoxIcon::kError);
    EXPECT_FALSE(dlg_->DeviceReady());
    EXPECT_FALSE(dlg_->isVisible());
    EXPECT_TRUE(dlg_->Closing());
    EXPECT_EQ(dlg_->Panel(), nullptr);
    EXPECT_EQ(dlg_->result(), QDialog::Accepted);
}

TEST_F(MainDlgTest, WindowAppearsOnlyOnceTheInitialisationHasCompletedIt) {
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok);
        init_ok_ = ok;
        MainWindowEnvironment env = Env();
        bool visible_during_init = true;
        env.run_init = [&, init = env.run_init](IMessageTarget* owner, QWidget* parent,
                                                std::u16string* error) {
            visible_during_init = parent->isVisible();
            return init(owner, parent, error);
        };
        dlg_ = std::make_unique<CMainDlg>(std::move(env));
        int opened = 0;
        QObject::connect(dlg_.get(), &CMainDlg::opened, [&] {
            ++opened;
            EXPECT_NE(dlg_->Panel(), nullptr);
            QTimer::singleShot(0, dlg_.get(), [&] { dlg_->OnCommand(cmd::kClose); });
        });
        dlg_->exec();
        EXPECT_FALSE(visible_during_init);
        EXPECT_EQ(opened, ok ? 1 : 0);  // a failed start shows nothing but its error
        EXPECT_TRUE(dlg_->Closing());
    }
}

TEST_F(MainDlgTest, MinimisingToTheTrayKeepsTheProgramRunning) {
    MainWindowEnvironment env = Env();
    env.tray_available = [] { return true; };
    dlg_ = std::make_unique<CMainDlg>(std::move(env));
    bool ran_while_hidden = false;
    QObject::connect(dlg_.get(), &CMainDlg::opened, [&] {
        QTimer::singleShot(0, dlg_.get(), [&] {
            dlg_->OnCommand(cmd::kMinimize);
            QTimer::singleShot(0, dlg_.get(), [&] {
                ran_while_hidden = dlg_->isHidden() && !dlg_->Closing();
                dlg_->OnCommand(cmd::kClose);
            });
        });
    });
    dlg_->exec();
    EXPECT_TRUE(ran_while_hidden);
    EXPECT_TRUE(dlg_->Closing());
}

TEST_F(MainDlgTest, PasswordRequestRefusedEndsTheProgram) {
    CurrentSettings().security.enable_pass = true;
    Open();
    EXPECT_EQ(record_.password_requests, 1);
    EXPECT_FALSE(dlg_->DeviceReady());
    EXPECT_TRUE(dlg_->Closing());
    EXPECT_FALSE(dlg_->Tray()->HasIcon(1));
    dlg_.reset();

    record_.password_answer = true;
    Open();
    EXPECT_EQ(record_.password_requests, 2);
    EXPECT_TRUE(dlg_->DeviceReady());
    EXPECT_FALSE(dlg_->Closing());
    EXPECT_TRUE(dlg_->Tray()->HasIcon(1));
}

TEST_F(MainDlgTest, SuspendClosesWithoutQuestionsAndWakingDoesNothing) {
    MainWindowEnvironment env = Env();
    env.watch_suspend = true;
    Open(std::move(env));
    auto* watch = dlg_->findChild<CSuspendWatch*>();
    ASSERT_NE(watch, nullptr);
    Connection connection;
    connection.running = true;
    Exports().BindConnection(&connection);
    watch->OnPrepareForSleep(false);  // waking up
    EXPECT_FALSE(dlg_->Closing());
    watch->OnPrepareForSleep(true);
    EXPECT_TRUE(dlg_->Closing());
    EXPECT_FALSE(dlg_->DeviceReady());
    EXPECT_TRUE(questions_.asked.empty());
    EXPECT_EQ(connection.stops, 1);
    watch->OnPrepareForSleep(true);  // a second notice after the end is harmless
    EXPECT_EQ(connection.stops, 1);
}

TEST_F(MainDlgTest, StatusThreadReportsReachThePanelAndStopOnClose) {
    TestClock clock;
    MainWindowEnvironment env = Env();
    ScriptedAgent* agent = &agent_;
    env.make_status_thread = [agent, &clock](IMessageTarget* target) {
        StatusEnvironment status;
        status.agent = [agent]() -> IModemAgent* { return agent; };
        status.sms_export = []() -> ISMSExport* { return nullptr; };
        status.ppp_address = [] { return std::uint32_t{0x0A000001}; };
        status.clock = &clock;
        return std::make_unique<CThreadUpdateStatus>(target, std::move(status));
    };
    agent_.control.signal = 20;
    agent_.control.service.system_mode = kSystemModeWcdma;
    Open(std::move(env));
    ASSERT_NE(dlg_->StatusThread(), nullptr);
    for (int i = 0; i < 500 && Field("AddressValue").isEmpty(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(Field("AddressValue"), "10.0.0.1");
    EXPECT_EQ(Field("NetworkValue"), "WCDMA");
    EXPECT_EQ(dlg_->Signal()->Level(), 4);
    EXPECT_TRUE(dlg_->FirstStatusDone());
    EXPECT_TRUE(dlg_->CloseSequence());
    EXPECT_FALSE(dlg_->StatusThread()->IsRunning());
}

}  // namespace
}  // namespace dedevev
