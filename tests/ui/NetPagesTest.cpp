// The network page against a scripted session (labels, chart, what the main window and the
// link page are told), the rate chart's drawing, and the link page's drop-down, connect
// button, hold and shortcuts.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "connection/NetProfileList.h"
#include "connection/views/DlgLink.h"
#include "connection/views/DlgNet.h"
#include "connection/views/WndChart.h"
#include "core/AppSettings.h"
#include "core/Customization.h"
#include "core/ExportRegistry.h"
#include "device/base/Utf.h"
#include "mainwindow/views/MainDlg.h"
#include "resources/views/QtSkin.h"
#include "resources/views/SkinButton.h"
#include "tests/connection/ConnectionFakes.h"
#include "tests/support/Eventually.h"
#include "tests/ui/SkinTestSupport.h"

namespace dedevev {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// The main window and the link page as the network page sees them.
class Outside : public IMessageTarget, public IMainExport, public ILinkExport {
public:
    void Post(WindowMessage m) override { posted.push_back(m); }
    void Send(WindowMessage m) override { posted.push_back(m); }
    void StopStatusPolling() override {}
    void StartStatusPolling() override {}
    void ShowStatusText(const std::u16string&) override {}
    void ShowConnectionText(bool ok, const std::u16string& text) override {
        texts.emplace_back(ok, FromQString(ToQString(text)));
    }
    bool IsNetworkWorkerRunning() override { return false; }
    bool IsVoiceEnabled() override { return false; }
    bool FeatureFlagB() override { return false; }
    void RecheckCard() override {}
    void SetConnectCaption(const std::u16string& caption) override { captions.push_back(caption); }
    void AddProfileName(const std::u16string&) override {}
    void ReplaceProfileName(const std::u16string&, int) override {}
    void SelectProfile(int) override {}
    void DeleteProfileName(int) override {}
    void SetOperatorName(const std::u16string&) override {}
    void ShowTraffic(double received_kb, double sent_kb) override {
        traffic.emplace_back(received_kb, sent_kb);
    }
    void Reserved7() override {}
    void HoldConnectButton() override {}

    std::vector<unsigned> Numbers() const {
        std::vector<unsigned> numbers;
        for (const WindowMessage& m : posted)
            numbers.push_back(m.number);
        return numbers;
    }
    bool Got(unsigned number) const {
        const auto numbers = Numbers();
        return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
    }

    std::vector<WindowMessage> posted;
    std::vector<std::pair<bool, std::u16string>> texts;
    std::vector<std::u16string> captions;
    std::vector<std::pair<double, double>> traffic;
};

template <typename Condition>
bool Pumped(Condition condition) {
    return test::Eventually([&] {
        QCoreApplication::processEvents();
        return condition();
    });
}

QString LabelText(QWidget& page, const char* name) {
    auto* label = page.findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QString("<missing %1>").arg(name);
}

class NetPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        Exports().BindMain(&outside_);
        Exports().BindLink(&outside_);
    }
    void TearDown() override {
        page_.reset();
        Exports().BindMain(nullptr);
        Exports().BindLink(nullptr);
    }
    CDlgNet& Make() {
        ConnectionEnvironment env;
        env.device_control = [this] { return &card_; };
        env.dial_setting = [] { return DialSetting{}; };
        env.show_state_names = [] { return true; };
        env.create_client = [this] { return &link_; };
        env.assistor = &assistor_;
        env.clock = &clock_;
        page_ = std::make_unique<CDlgNet>(&outside_, std::move(env));
        return *page_;
    }

    ManualClock clock_;
    test::EventLog log_;
    test::FakeCard card_{log_};
    test::FakeLink link_{clock_, log_};
    CDialAssistor assistor_;
    Outside outside_;
    std::unique_ptr<CDlgNet> page_;
};

TEST_F(NetPageTest, LabelsChartAndMainWindowFollowASession) {
    test::DialScript up;
    up.stats.duration = 3725;
    up.stats.bytes_sent = 1048576;
    up.stats.bytes_received = 2048;
    link_.script = {up};
    link_.counters = {{1048576, 2048}};
    CDlgNet& page = Make();
    EXPECT_EQ(LabelText(page, "LinkTime"), "Duration: 00:00:00");
    EXPECT_EQ(LabelText(page, "SentFlux"), "Data: 0.00KB");
    page.Chart()->AddPair(5, 5);  // left from an earlier session

    const IClock::TimePoint start = clock_.Now();
    ASSERT_TRUE(Exports().ConnectionExport()->ToggleConnection());
    ASSERT_TRUE(clock_.AwaitWaiter(start + milliseconds(100)));
    clock_.Advance(milliseconds(1100));  // one report of the statistics
    ASSERT_TRUE(Pumped([&] { return outside_.Got(kMsgTraffic); }));
    EXPECT_EQ(LabelText(page, "LinkTime"), "Duration: 01:02:05");
    EXPECT_EQ(LabelText(page, "UploadSpeed"), "Speed: 1024.000 KB/s ");
    EXPECT_EQ(LabelText(page, "DownloadSpeed"), "Speed: 2.000 KB/s ");
    EXPECT_EQ(LabelText(page, "SentFlux"), "Data: 1.000 MB ");  // 1024 KB
    EXPECT_EQ(LabelText(page, "ReceivedFlux"), "Data: 2.000 KB ");
    EXPECT_EQ(LabelText(page, "SendRate"), "Upload: 1024.00KB/S");
    EXPECT_EQ(LabelText(page, "ReceiveRate"), "Download: 2.00KB/S");
    EXPECT_EQ(page.Chart()->Model().SeriesA(), std::deque<float>{1024});
    EXPECT_EQ(page.Chart()->Model().SeriesB(), std::deque<float>{2});
    EXPECT_EQ(outside_.posted.back().wparam, 1024u);
    EXPECT_EQ(outside_.posted.back().lparam, 2);
    EXPECT_EQ(outside_.traffic, (std::vector<std::pair<double, double>>{{2.0, 1024.0}}));

    // The card loses full service: the status says so instead.
    ASSERT_TRUE(Pumped([&] { return outside_.texts.size() >= 2; }));
    card_.answers = {test::Service(kSystemModeWcdma, kServiceRestricted)};
    ASSERT_TRUE(Exports().ConnectionExport()->ToggleConnection());
    ASSERT_TRUE(Pumped([&] { return outside_.texts.size() >= 4; }));
    EXPECT_TRUE(Pumped([&] { return !Exports().ConnectionExport()->IsRunning(); }));
    EXPECT_EQ(outside_.Numbers(),
              (std::vector<unsigned>{kMsgConnectEnabled, kMsgConnecting, kMsgConnected, kMsgTraffic,
                                     kMsgConnecting, kMsgDisconnected}));
    using Text = std::pair<bool, std::u16string>;
    EXPECT_EQ(outside_.texts, (std::vector<Text>{{true, u"Connecting to the network..."},
                                                 {true, u"Connected"},
                                                 {true, u"Limited service"},
                                                 {true, u"Limited service"}}));
    EXPECT_EQ(outside_.captions,
              (std::vector<std::u16string>{u"Disconnect", u"Disconnect", u"Connect"}));
}

TEST_F(NetPageTest, AFailedDialStaysShownInRedWhenTheRunEnds) {
    test::DialScript refused;
    refused.starts = false;
    link_.script = {refused};
    Make();
    ASSERT_TRUE(Exports().ConnectionExport()->ToggleConnection());
    ASSERT_TRUE(Pumped([&] { return outside_.texts.size() >= 3; }));
    using Text = std::pair<bool, std::u16string>;
    EXPECT_EQ(outside_.texts,
              (std::vector<Text>{{false, u"E633"}, {true, u"Disconnecting..."}, {false, u"E633"}}));
    EXPECT_EQ(outside_.Numbers(), (std::vector<unsigned>{kMsgConnecting, kMsgDisconnected}));
}

TEST(WndChart, SmallerRateIsMergedOverTheLarger) {
    test::UseDefaultSkinAndLanguage();
    CWndChart chart;
    chart.resize(200, 110);
    chart.AddPair(4, 1);  // send (green) over receive (red)
    const QImage image = test::Render(chart);
    EXPECT_EQ(chart.Model().Capacity(), 178);
    EXPECT_EQ(image.pixel(11, 40), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(11, 90), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(12, 90), SkinQColor(u"DlgBkColor", Qt::white).rgb());
}

// ---- the link page

class ApnCard : public CNullDeviceControl {
public:
    void SetApn(const std::string& apn, int* status) override {
        apns.push_back(apn);
        SetStatus(status, kStatusOk);
    }
    std::vector<std::string> apns;
};

class Toggles : public IConnectionExport {
public:
    bool IsRunning() override { return false; }
    void AddListener(IConnectionListener*) override {}
    void StopAndWait() override {}
    bool ToggleConnection() override { return ++toggles > 0; }
    std::u16string GetInfoText() override { return {}; }
    int toggles = 0;
};

class LinkPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseDefaultSkinAndLanguage();
        root_ = fs::temp_directory_path() / ("dedevev-linkpage-" + std::to_string(::getpid()));
        fs::create_directories(root_);
        ::setenv("XDG_DATA_HOME", root_.c_str(), 1);
        ResetDataFolderForTesting();
        ResetProfilesForTesting();
        CurrentSettings() = DefaultSettings();
        CurrentSettings().file_path = Utf8ToUtf16((root_ / "Set.dat").string());
        Profiles().Clear();
        Exports().BindConnection(&toggles_);
    }
    void TearDown() override {
        page_.reset();
        Exports().BindConnection(nullptr);
        ResetProfilesForTesting();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        ResetDataFolderForTesting();
    }
    CDlgLink& Make() {
        LinkPageEnvironment env;
        env.device_control = [this] { return &card_; };
        env.open_url = [this](const QString& address) { urls_.push_back(address); };
        page_ = std::make_unique<CDlgLink>(std::move(env));
        return *page_;
    }
    QStringList Items() const {
        QStringList items;
        for (int i = 0; i < page_->ProfileBox()->count(); ++i)
            items << page_->ProfileBox()->itemText(i);
        return items;
    }
    static NetProfile Profile(const char16_t* name) {
        NetProfile p;
        p.name = name;
        return p;
    }

    fs::path root_;
    ApnCard card_;
    Toggles toggles_;
    std::vector<QString> urls_;
    std::unique_ptr<CDlgLink> page_;
};

TEST_F(LinkPageTest, DropDownMirrorsTheProfilesAndAppliesTheChosenOne) {
    NetProfile delta = Profile(u"Delta");
    delta.mcc_mnc = u"51001";
    delta.phone = u"*99#";
    delta.user = u"u";
    delta.password = u"p";
    delta.apn = u"delta.apn";
    delta.ip = u"10.0.0.9";  // not used: use_ip is off
    delta.dns_primary = u"1.1.1.1";
    delta.dns_secondary = u"8.8.8.8";
    delta.use_dns = true;
    Profiles().Insert(Profile(u"Beta"));
    Profiles().Insert(delta);
    CurrentSettings().dial.name = u"Delta";
    CurrentSettings().dial.ip_address = u"192.168.1.1";
    Make();
    ILinkExport* link = Exports().LinkExport();
    QComboBox* box = page_->ProfileBox();
    EXPECT_EQ(Items(), QStringList({"Beta", "Delta"}));
    EXPECT_EQ(box->currentIndex(), 1);

    Profiles().Insert(Profile(u"Alpha"));  // sorted in ahead of the others
    link->AddProfileName(u"Alpha");
    EXPECT_EQ(Items(), QStringList({"Alpha", "Beta", "Delta"}));
    EXPECT_EQ(box->currentIndex(), 0);
    Profiles().Replace(1, Profile(u"Bravo"));
    link->ReplaceProfileName(u"Bravo", 1);
    EXPECT_EQ(Items(), QStringList({"Alpha", "Bravo", "Delta"}));
    EXPECT_EQ(box->currentIndex(), 1);
    link->SelectProfile(2);
    link->SelectProfile(9);
    EXPECT_EQ(box->currentIndex(), 2);

    emit box->activated(2);
    const DialSetting& d = CurrentSettings().dial;
    EXPECT_EQ((std::vector<std::u16string>{d.name, d.mcc_mnc, d.number, d.user, d.pass, d.apn,
                                           d.ip_address, d.dns_main, d.dns_minor}),
              (std::vector<std::u16string>{u"Delta", u"51001", u"*99#", u"u", u"p", u"delta.apn",
                                           u"", u"1.1.1.1", u"8.8.8.8"}));
    EXPECT_TRUE(fs::exists(root_ / "Set.dat"));  // saved

    link->DeleteProfileName(0);
    EXPECT_EQ(Items(), QStringList({"Bravo", "Delta"}));
    EXPECT_EQ(box->currentIndex(), 0);
    link->DeleteProfileName(0);
    link->DeleteProfileName(0);
    EXPECT_EQ(box->currentIndex(), -1);
}

TEST_F(LinkPageTest, ButtonShortcutsAndKeys) {
    CurrentSettings().dial.apn = u"internet.example";
    CDlgLink& page = Make();
    ILinkExport* link = Exports().LinkExport();
    page.ConnectButton()->click();
    EXPECT_EQ(card_.apns, std::vector<std::string>{"internet.example"});
    EXPECT_EQ(toggles_.toggles, 1);

    link->HoldConnectButton();
    EXPECT_FALSE(page.ConnectButton()->isEnabled());
    auto* hold = page.findChild<QTimer*>("LinkHoldTimer");
    ASSERT_NE(hold, nullptr);
    EXPECT_EQ(hold->interval(), CDlgLink::kHoldMs);
    hold->start(0);  // the hold runs out
    EXPECT_TRUE(Pumped([&] { return page.ConnectButton()->isEnabled(); }));

    std::vector<QString> expected;
    for (int i = 0; i < kShortcutCount; ++i) {
        page.findChild<CSkinButton*>(QString("Shortcut%1").arg(i))->click();
        expected.push_back(ToQString(Customization().ShortcutAddress(i)));
    }
    EXPECT_EQ(urls_, expected);

    link->ShowTraffic(1024, 1023);
    EXPECT_EQ(LabelText(page, "ReceivedTotal"), "1.000 MB ");
    EXPECT_EQ(LabelText(page, "SentTotal"), "1023.000 KB ");

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&page, &enter);
    EXPECT_TRUE(enter.isAccepted());  // goes no further, to the dialog that holds the page
}

}  // namespace
}  // namespace dedevev
