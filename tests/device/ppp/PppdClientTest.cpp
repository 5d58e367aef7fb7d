// The pppd driver against a stand-in pppd (fake_pppd.sh) on a pty the test made: dial states,
// errors from pppd's log and exit status, counters and statistics, the private files, and
// hang-ups that leave nothing running.

#include "device/ppp/PppdClient.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "device/ICDMATime.h"
#include "device/base/Utf.h"
#include "support/EventLog.h"
#include "support/Eventually.h"
#include "support/PtyPeer.h"
#include "support/TempDir.h"

namespace dedevev::ppp {
namespace {

using namespace std::chrono_literals;
using test::ReadFile;

std::string Ev(int state, int error = 0) {
    return std::to_string(state) + "/" + std::to_string(error);
}
const std::string kDown = std::to_string(kDialStateDisconnected) + "/";
std::vector<std::string> Progress(std::initializer_list<int> states) {
    std::vector<std::string> events;
    for (const int state : states)
        events.push_back(Ev(state));
    return events;
}
const auto kToConnected =
    Progress({0, 1, 2, 3, 4, 5, kDialStateAuthenticated, kDialStateProjected, kDialStateConnected});

class Recorder : public IRasListener, public test::EventLog {
public:
    void OnDialState(int state, int error) override { Add(Ev(state, error)); }
};

class FixedTime : public ICDMATime {
public:
    DateTimeFields* GetTime() override { return &time_; }
    DateTimeFields time_{2024, 3, 5, 9, 30, 0};
};

class PppdDriver : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::OpenPtyPair(&master_, &port_));
        ASSERT_EQ(::mkfifo(dir_.File("control").c_str(), 0600), 0);
    }
    void TearDown() override {
        client_.reset();
        if (master_ >= 0)
            ::close(master_);
    }

    // The driver, running the stand-in in `scenario` as pppd (or `pppd` itself).
    void Make(const std::string& scenario, ICDMATime* time = nullptr, std::string pppd = {}) {
        if (pppd.empty()) {
            pppd = dir_.File("pppd");
            test::WriteFile(pppd, "#!/bin/sh\nexec /bin/bash " DEDEVEV_SOURCE_DIR
                                  "/tests/device/ppp/fake_pppd.sh " +
                                      dir_.Path() + " " + scenario + " \"$@\"\n");
            ::chmod(pppd.c_str(), 0755);
        }
        PppdOptions options;
        options.pppd = pppd;
        options.sysfs_root = dir_.Path() + "sys";
        options.private_folder = dir_.Path() + "private";
        client_ = MakePppdClient(time, options);
        client_->SetListener(&events_);
        events_.Clear();
    }
    DialParams Params() const {
        DialParams params;
        params.device = Utf8ToUtf16(port_);
        params.number = u"*99#";
        params.user = u"alice";
        params.password = u"pa\"ss\\wo\trd";
        return params;
    }
    bool PrivateFolderEmpty() const {
        const std::string folder = dir_.Path() + "private";
        return !std::filesystem::exists(folder) || std::filesystem::is_empty(folder);
    }
    // The stand-in has the FIFO open while the link is up.
    void Control(const std::string& command) {
        std::ofstream(dir_.File("control")) << command << "\n";
    }
    // The stand-in has been reaped: it is neither running nor a zombie.
    bool StandInGone() const {
        return ::kill(std::stoi(ReadFile(dir_.File("pid"))), 0) != 0 && errno == ESRCH;
    }
    void ExpectState(int state, int error) {
        int got = -1;
        EXPECT_EQ(client_->GetState(&got), state);
        EXPECT_EQ(got, error);
    }
    bool Connected() { return !events_.WaitForPrefix(Ev(kDialStateConnected)).empty(); }

    ManualClock clock_;
    ScopedProcessClock scoped_{clock_};
    test::TempDir dir_;
    Recorder events_;
    int master_ = -1;
    std::string port_;
    std::unique_ptr<IPppClient> client_;
};

TEST_F(PppdDriver, LinksThatEndOnTheirOwnReportPppdsReasonAndLeaveNothing) {
    const auto dialing = Progress({0, 1, 2});
    const auto to_auth = Progress({0, 1, 2, 3, 4, 5});
    struct Ending {
        const char* scenario;
        std::vector<std::string> progress;  // the states before the end
        int error;
        const char* then = nullptr;  // once connected: "hangup", or "pull" the card and hang up
    };
    const Ending endings[] = {
        {"no_kernel", {Ev(0)}, kDialErrorNoKernelPpp},
        {"no_kernel_fatal", {Ev(0)}, kDialErrorNoKernelPpp},
        {"not_root", {Ev(0)}, kDialErrorNotPermitted},
        {"locked", {Ev(0)}, kDialErrorPortBusy},
        {"busy", dialing, kDialErrorLineBusy},
        {"no_carrier", dialing, kDialErrorNoAnswer},
        {"auth_failed", to_auth, kDialErrorAuthentication},
        {"connected", kToConnected, kDialErrorRemoteHangUp, "hangup"},
        {"connected", kToConnected, kDialErrorPortClosed, "pull"},  // last: it closes the pty
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(std::string(ending.scenario) + " " + (ending.then ? ending.then : ""));
        Make(ending.scenario);
        ASSERT_TRUE(client_->Dial(Params()));
        if (ending.then != nullptr) {
            ASSERT_TRUE(Connected());
            if (std::string(ending.then) == "pull") {
                ::close(master_);  // the pty's slave goes with its master
                master_ = -1;
            }
            Control("hangup");
        }
        std::vector<std::string> expected = ending.progress;
        expected.push_back(Ev(kDialStateDisconnected, ending.error));
        EXPECT_EQ(events_.WaitForPrefix(kDown), expected.back());
        client_->HangUp();  // pppd's own end stays the reason
        EXPECT_EQ(events_.All(), expected);
        ExpectState(kDialStateDisconnected, ending.error);
        EXPECT_TRUE(StandInGone());
        EXPECT_TRUE(PrivateFolderEmpty());
    }
}

TEST_F(PppdDriver, ConnectedLinkCountsKeepsItsAccountPrivateAndHangsUpCleanly) {
    FixedTime time;
    Make("connected", &time);
    ASSERT_TRUE(client_->Dial(Params()));
    ASSERT_TRUE(Connected());
    EXPECT_EQ(events_.All(), kToConnected);
    ExpectState(kDialStateConnected, kDialErrorNone);

    Control("tick");
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    EXPECT_TRUE(test::Eventually([&] {
        return client_->GetByteCounters(&sent, &received) && sent == 1100 && received == 2200;
    }));
    clock_.Advance(5s);
    const std::u16string info =
        u"ppp0 10.1.2.3 \u2192 10.64.64.64, DNS 8.8.8.8, 8.8.4.4 (pppd on " + Utf8ToUtf16(port_) +
        u")";
    EXPECT_TRUE(test::Eventually([&] { return client_->GetInfoText() == info; }));

    // The account only in a 0600 options file, quoted as pppd reads it.
    const std::string argv = ReadFile(dir_.File("argv"));
    EXPECT_EQ(argv.find("alice"), std::string::npos);
    EXPECT_EQ(argv.find("wo\trd"), std::string::npos);
    EXPECT_EQ(ReadFile(dir_.File("account")),
              "user \"alice\"\npassword \"pa\\\"ss\\\\wo\\011rd\"\n");
    EXPECT_EQ(ReadFile(dir_.File("account.mode")) + ReadFile(dir_.File("chat.mode")), "600\n600\n");
    EXPECT_NE(ReadFile(dir_.File("chat")).find("'OK' 'ATD*99#'"), std::string::npos);
    for (const char* option : {"\nnocrtscts\n", "\nusepeerdns\n", "\nnoipdefault\n",
                               "\nconnect\n/usr/sbin/chat -v -s -S -f " /* the script */})
        EXPECT_NE(argv.find(option), std::string::npos) << option;

    client_->HangUp();
    EXPECT_EQ(events_.All().back(), Ev(kDialStateDisconnected, kDialErrorNone));
    ExpectState(kDialStateDisconnected, kDialErrorNone);
    EXPECT_TRUE(StandInGone());
    EXPECT_TRUE(PrivateFolderEmpty());
    EXPECT_FALSE(client_->GetByteCounters(&sent, &received));
    EXPECT_TRUE(client_->GetInfoText().empty());
    // The session stays readable until the next dial, its time stopped at the hang-up and its
    // bytes as pppd counted them last.
    clock_.Advance(7s);
    SessionStats stats;
    ASSERT_TRUE(client_->GetStatistics(&stats));
    EXPECT_EQ(stats, (SessionStats{time.time_, 5, 1105, 2205}));
    DialParams refused = Params();
    refused.number = u"ATD";
    EXPECT_FALSE(client_->Dial(refused));
    EXPECT_FALSE(client_->GetStatistics(&stats));
}

TEST_F(PppdDriver, PppdThatIgnoresSigtermIsKilledAfterTheGraceTime) {
    Make("ignore_term");
    ASSERT_TRUE(client_->Dial(Params()));
    ASSERT_TRUE(Connected());
    const auto grace_end = clock_.Now() + 3s;
    auto hang_up = std::async(std::launch::async, [&] { client_->HangUp(); });
    ASSERT_TRUE(clock_.AwaitWaiter(grace_end));
    EXPECT_FALSE(StandInGone());
    clock_.Advance(3s);
    hang_up.get();
    EXPECT_TRUE(StandInGone());
    EXPECT_EQ(events_.All().back(), Ev(kDialStateDisconnected, kDialErrorNone));
    EXPECT_TRUE(PrivateFolderEmpty());
}

TEST_F(PppdDriver, DialsThatCannotStartAreRefusedBeforeAnythingRuns) {
    struct Refusal {
        void (*change)(DialParams*);
        int error;
    };
    const Refusal refusals[] = {
        {[](DialParams* p) { p->number = u"*99#;rm -rf /"; }, kDialErrorInvalidParams},
        {[](DialParams* p) { p->number = u"ATD"; }, kDialErrorInvalidParams},
        {[](DialParams* p) { p->number.clear(); }, kDialErrorInvalidParams},
        {[](DialParams* p) { p->number = u"*99#\r\nATH"; }, kDialErrorInvalidParams},
        {[](DialParams* p) { p->user = std::u16string(u"a\0b", 3); }, kDialErrorInvalidParams},
        {[](DialParams* p) { p->ip_address = u"10.1.2"; }, kDialErrorInvalidParams},
        {[](DialParams* p) { p->dns_primary = u"dns.google"; }, kDialErrorInvalidParams},
        {[](DialParams* p) { p->device = u"ttyUSB0"; }, kDialErrorInvalidParams},
        {[](DialParams* p) { p->device += u"-gone"; }, kDialErrorNoDevice},
    };
    Make("connected");
    for (std::size_t i = 0; i < std::size(refusals); ++i) {
        DialParams params = Params();
        refusals[i].change(&params);
        errno = 0;
        EXPECT_FALSE(client_->Dial(params)) << i;
        EXPECT_EQ(errno, refusals[i].error) << i;
    }
    // No pppd, or one this user may not run.
    test::WriteFile(dir_.File("not-executable"), "#!/bin/sh\n");
    for (const auto& [pppd, error] :
         {std::pair{dir_.File("missing"), kDialErrorNoPppd},
          std::pair{dir_.File("not-executable"), kDialErrorNotPermitted}}) {
        Make("", nullptr, pppd);
        errno = 0;
        EXPECT_FALSE(client_->Dial(Params()));
        EXPECT_EQ(errno, error) << pppd;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("argv")));
    EXPECT_TRUE(PrivateFolderEmpty());
    EXPECT_TRUE(events_.All().empty());
}

}  // namespace
}  // namespace dedevev::ppp
