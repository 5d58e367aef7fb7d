// The initialisation job's steps that need no card, the account choice, and freeing the port
// from the competing program with real processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <semaphore.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include <poll.h>
#include "connection/NetProfileList.h"
#include "core/AppSettings.h"
#include "core/GlobalService.h"
#include "core/InitThread.h"
#include "core/MessageBox.h"
#include "core/ModemManagerGate.h"
#include "core/Paths.h"
#include "core/PortRelease.h"
#include "core/TextCodec.h"
#include "core/WindowMessage.h"
#include "device/IHardwareInfo.h"
#include "device/base/Clock.h"
#include "support/TempDir.h"

namespace dedevev {
namespace {

using std::chrono::milliseconds;

class FakeHardware : public IHardwareInfo {
public:
    std::string GetPort0() override { return {}; }
    std::string GetPort1() override { return {}; }
    std::string GetAtPort() override {
        ++calls;
        return "/dev/null-at";
    }
    std::string GetVoicePort() override { return {}; }
    void ResetDevice() override { ++calls; }
    bool IsDevicePresent() override { return present; }
    bool CheckDriver(int* code) override {
        ++calls;
        if (code != nullptr)
            *code = driver_code;
        return driver_ok;
    }
    void ProbeStart() override {}
    bool Refresh() override {
        ++calls;
        return true;
    }

    bool present = true;
    bool driver_ok = true;
    int driver_code = 0;
    int calls = 0;
};

class Recorder : public IMessageTarget {
public:
    void Post(WindowMessage message) override { posted.push_back(std::move(message)); }
    void Send(WindowMessage message) override { sent.push_back(std::move(message)); }
    std::vector<WindowMessage> posted;
    std::vector<WindowMessage> sent;
};

class InitJob : public ::testing::Test {
protected:
    void SetUp() override {
        CGlobalService::Instance().SwitchLanguage(DEDEVEV_SOURCE_DIR
                                                  "/resources/data/Localize/English.txt");
    }
    InitEnvironment Env() {
        InitEnvironment env;
        env.hardware = &hardware;
        env.reset_agent = [this] {
            ++agents_made;
            return static_cast<IModemAgent*>(nullptr);
        };
        env.release_agent = [this] { ++agents_released; };
        env.free_port = [this](const std::string&) {
            ++ports_freed;
            return PortRelease::kNoCompetitor;
        };
        env.clock = &clock;
        return env;
    }

    FakeHardware hardware;
    Recorder owner;
    TestClock clock;
    int agents_made = 0;
    int agents_released = 0;
    int ports_freed = 0;
};

TEST_F(InitJob, NoDeviceTouchesNothingElse) {
    hardware.present = false;
    CThreadInitApp job(&owner, Env());
    job.RunJob();
    EXPECT_FALSE(job.Succeeded());
    EXPECT_EQ(Utf16ToUtf8(job.ErrorText()).rfind("No modem found.", 0), 0u);
    EXPECT_EQ(hardware.calls, 0);
    EXPECT_EQ(agents_made + agents_released + ports_freed, 0);
    EXPECT_TRUE(owner.sent.empty());
}

TEST_F(InitJob, DriverFailureNamesTheCode) {
    hardware.driver_ok = false;
    hardware.driver_code = 7;
    CThreadInitApp job(&owner, Env());
    job.RunJob();
    EXPECT_FALSE(job.Succeeded());
    EXPECT_EQ(job.ErrorText(), u"7: The modem driver is not working.");
    EXPECT_EQ(ports_freed, 0);
}

TEST_F(InitJob, NoModemObjectIsPortDenied) {
    CThreadInitApp job(&owner, Env());
    job.RunJob();
    EXPECT_FALSE(job.Succeeded());
    EXPECT_EQ(Utf16ToUtf8(job.ErrorText()).rfind("Cannot open the modem port.", 0), 0u);
    EXPECT_EQ(ports_freed, 1);
    EXPECT_EQ(agents_made, 1);
    EXPECT_TRUE(owner.sent.empty());
}

// ModemManager's answer decides whether the job goes on to the port, and what the person hears.
class FakeGate : public IModemManagerGate {
public:
    ModemHold Hold(const CardIdentity& card, const std::function<bool()>& confirm) override {
        ports = card.ports;
        if (answer.result == ModemHoldResult::kDeclined && confirm())
            return ModemHold{ModemHoldResult::kHeld, {}, 0, 0};
        return answer;
    }
    void Release() override {}
    bool Holding() const override { return false; }
    ModemHold answer;
    std::vector<std::string> ports;
};

TEST_F(InitJob, ModemManagerAnswerDecidesWhatFollows) {
    struct Case {
        ModemHoldResult result;
        const char* message;  // the start of what the person is shown, or empty
        const char* error;    // the start of the job's failure text
        int ports_freed;
    };
    for (const Case& c : {
             Case{ModemHoldResult::kHeld, "", "Cannot open the modem port.", 1},
             Case{ModemHoldResult::kNotManaged, "", "Cannot open the modem port.", 1},
             Case{ModemHoldResult::kRefused, "ModemManager did not let go of the modem (denied)",
                  "Cannot open the modem port.", 1},
             Case{ModemHoldResult::kDeclined, "NetworkManager has a mobile broadband connection",
                  "The modem was left to NetworkManager", 0},
         }) {
        FakeGate gate;
        gate.answer = ModemHold{c.result, "denied", 0x12d1, 0x1506};
        std::vector<std::string> shown;
        InitEnvironment env = Env();
        env.modem_manager = &gate;
        env.message = [&shown](const std::u16string& text, unsigned) {
            shown.push_back(Utf16ToUtf8(text));
            return kMsgSecond;  // "No" to taking the card from NetworkManager
        };
        ports_freed = 0;
        CThreadInitApp job(&owner, env);
        job.RunJob();
        EXPECT_EQ(Utf16ToUtf8(job.ErrorText()).rfind(c.error, 0), 0u)
            << Utf16ToUtf8(job.ErrorText());
        EXPECT_EQ(ports_freed, c.ports_freed);
        EXPECT_EQ(gate.ports.at(0), "/dev/null-at");
        ASSERT_EQ(shown.size(), *c.message ? 1u : 0u);
        if (!shown.empty()) {
            EXPECT_EQ(shown[0].rfind(c.message, 0), 0u) << shown[0];
        }
        if (c.result == ModemHoldResult::kRefused) {  // with the rule for this device's ids
            EXPECT_NE(shown[0].find("ATTRS{idVendor}==\"12d1\", ATTRS{idProduct}==\"1506\""),
                      std::string::npos);
        }
    }
}

// The account choice: which profile a card's IMSI selects.
struct AccountCase {
    const char* label;
    bool card_ready;
    std::vector<std::pair<int, std::string>> imsi_reads;              // (status, text) per read
    std::vector<std::pair<std::u16string, std::u16string>> profiles;  // (name, mcc_mnc)
    AccountChoice expected;
    const char16_t* expected_name;  // DialSetting name afterwards
    int expected_reads;
};

class AccountChoiceTest : public ::testing::TestWithParam<AccountCase> {};

TEST_P(AccountChoiceTest, PicksProfile) {
    const AccountCase& c = GetParam();
    test::TempDir dir;
    AppSettings defaults;
    defaults.dial.name = u"Default";
    AppSettings settings;
    settings.file_path = Utf8ToUtf16(dir.File("Set.dat"));
    settings.dial.name = u"Before";
    NetProfileList profiles;
    for (const auto& [name, code] : c.profiles) {
        NetProfile p;
        p.name = name;
        p.mcc_mnc = code;
        p.phone = u"#777";
        p.apn = name + u".apn";
        p.dns_primary = u"1.2.3.4";
        profiles.Insert(p);
    }
    int reads = 0;
    auto read_imsi = [&](int* status) -> std::string {
        const auto& r = c.imsi_reads.at(static_cast<std::size_t>(reads++));
        *status = r.first;
        return r.second;
    };
    EXPECT_EQ(ChooseDialAccount(c.card_ready, read_imsi, profiles, settings, defaults), c.expected);
    EXPECT_EQ(settings.dial.name, c.expected_name);
    EXPECT_EQ(reads, c.expected_reads);
    if (c.expected == AccountChoice::kProfile) {
        EXPECT_EQ(settings.dial.number, u"#777");
        EXPECT_EQ(settings.dial.apn, settings.dial.name + u".apn");
        EXPECT_EQ(settings.dial.dns_main, u"1.2.3.4");
        EXPECT_NE(test::ReadFile(dir.File("Set.dat")).find("Apn"), std::string::npos);
    } else {
        EXPECT_FALSE(FileExists(dir.File("Set.dat")));
    }
}

const std::vector<std::pair<std::u16string, std::u16string>> kProfiles = {
    {u"Telkom", u"510010"}, {u"Uni", u"460030"}, {u"Zed", u"460110x"}};

INSTANTIATE_TEST_SUITE_P(Cases, AccountChoiceTest,
                         ::testing::Values(AccountCase{"Match",
                                                       true,
                                                       {{1, "510010123456789"}},
                                                       kProfiles,
                                                       AccountChoice::kProfile,
                                                       u"Telkom",
                                                       1},
                                           AccountCase{"Fallback460110",
                                                       true,
                                                       {{1, "460110999"}},
                                                       kProfiles,
                                                       AccountChoice::kProfile,
                                                       u"Uni",
                                                       1},
                                           AccountCase{"OwnProfileBeats460030",
                                                       true,
                                                       {{1, "460110999"}},
                                                       {{u"Uni", u"460030"}, {u"Own", u"460110"}},
                                                       AccountChoice::kProfile,
                                                       u"Own",
                                                       1},
                                           AccountCase{"NoMatchKeepsSettings",
                                                       true,
                                                       {{1, "262011234"}},
                                                       kProfiles,
                                                       AccountChoice::kUnchanged,
                                                       u"Before",
                                                       1},
                                           AccountCase{"SecondReadHelps",
                                                       true,
                                                       {{256, ""}, {1, "510010"}},
                                                       kProfiles,
                                                       AccountChoice::kProfile,
                                                       u"Telkom",
                                                       2},
                                           AccountCase{"ShortImsiTwiceGivesDefaults",
                                                       true,
                                                       {{1, "51001"}, {1, "51001"}},
                                                       kProfiles,
                                                       AccountChoice::kDefaults,
                                                       u"Default",
                                                       2},
                                           AccountCase{"CardNotReadyGivesDefaults",
                                                       false,
                                                       {},
                                                       kProfiles,
                                                       AccountChoice::kDefaults,
                                                       u"Default",
                                                       0}),
                         [](const auto& info) { return std::string(info.param.label); });

// Freeing the port: real processes holding a real pty.
enum class Behaviour { kReleasesOnTerm, kIgnoresTerm, kUnrelated };

namespace child {
sem_t* g_semaphore = nullptr;
int g_report = -1;
bool g_release = false;
void OnTerm(int) {
    const char t = 'T';
    (void)!::write(g_report, &t, 1);
    if (g_release)
        ::sem_post(g_semaphore);
}
}  // namespace child

class PortHolderProcess {
public:
    // Starts a process named `name` that holds `slave` open. With `holds_semaphore` it takes
    // the hand-over semaphore first (count 0 while it runs).
    PortHolderProcess(const std::string& name, const std::string& slave, int master,
                      sem_t* semaphore, bool holds_semaphore, bool release_on_term,
                      bool open_port = true) {
        if (holds_semaphore)
            ::sem_wait(semaphore);
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls from here on.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::prctl(PR_SET_NAME, name.c_str());
            ::close(fds[0]);
            ::close(master);
            if (open_port && ::open(slave.c_str(), O_RDWR | O_NOCTTY) < 0)
                ::_exit(3);
            child::g_semaphore = semaphore;
            child::g_report = fds[1];
            child::g_release = release_on_term;
            struct sigaction action {};
            action.sa_handler = child::OnTerm;
            ::sigaction(SIGTERM, &action, nullptr);
            const char ready = 'R';
            (void)!::write(fds[1], &ready, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        report_ = fds[0];
        char c = 0;
        pollfd entry{report_, POLLIN, 0};
        ready_ = ::poll(&entry, 1, 10000) == 1 && ::read(report_, &c, 1) == 1 && c == 'R';
    }
    ~PortHolderProcess() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (report_ >= 0)
            ::close(report_);
    }
    bool Ready() const { return ready_; }
    // Whether the process got a SIGTERM.
    bool WasAsked() {
        char c = 0;
        pollfd entry{report_, POLLIN, 0};
        return ::poll(&entry, 1, 0) == 1 && ::read(report_, &c, 1) == 1 && c == 'T';
    }
    bool Running() { return ::waitpid(pid_, &status_, WNOHANG) == 0; }
    // Waits for the end; true when SIGKILL ended it.
    bool Killed() {
        if (!reaped_ && ::waitpid(pid_, &status_, 0) == pid_)
            reaped_ = true;
        return reaped_ && WIFSIGNALED(status_) && WTERMSIG(status_) == SIGKILL;
    }

private:
    pid_t pid_ = -1;
    int report_ = -1;
    bool ready_ = false;
    bool reaped_ = false;
    int status_ = 0;
};

class FreePortTest : public ::testing::Test {
protected:
    void SetUp() override {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(::grantpt(master_), 0);
        ASSERT_EQ(::unlockpt(master_), 0);
        slave_ = ::ptsname(master_);
        static std::atomic<int> counter{0};
        semaphore_name_ =
            "/dedevev-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        semaphore_ = ::sem_open(semaphore_name_.c_str(), O_CREAT | O_EXCL, 0600, 1);
        ASSERT_NE(semaphore_, SEM_FAILED);
    }
    void TearDown() override {
        if (semaphore_ != SEM_FAILED)
            ::sem_close(semaphore_);
        ::sem_unlink(semaphore_name_.c_str());
        ::close(master_);
    }
    PortReleaseOptions Options() const {
        PortReleaseOptions options;
        options.at_port = slave_;
        options.program_name = "PortKeeper";
        options.semaphore_name = semaphore_name_;
        options.close_grace = milliseconds(20);
        options.semaphore_wait = milliseconds(300);
        options.kill_grace = milliseconds(5000);
        return options;
    }
    int SemaphoreValue() const {
        int value = -1;
        ::sem_getvalue(semaphore_, &value);
        return value;
    }

    int master_ = -1;
    std::string slave_;
    std::string semaphore_name_;
    sem_t* semaphore_ = SEM_FAILED;
};

TEST_F(FreePortTest, CompetitorThatHandsOverIsLeftRunning) {
    PortHolderProcess keeper("PortKeeper", slave_, master_, semaphore_, true, true);
    ASSERT_TRUE(keeper.Ready());
    PortReleaseOptions options = Options();
    options.semaphore_wait = milliseconds(20000);  // it hands over at once; only against hangs
    EXPECT_EQ(FreePortFromCompetitor(options), PortRelease::kHandedOver);
    EXPECT_TRUE(keeper.WasAsked());
    EXPECT_TRUE(keeper.Running());
    EXPECT_EQ(SemaphoreValue(), 1);  // taken and given back
}

TEST_F(FreePortTest, CompetitorThatHoldsOnIsKilled) {
    PortHolderProcess keeper("PortKeeper", slave_, master_, semaphore_, true, false);
    ASSERT_TRUE(keeper.Ready());
    EXPECT_EQ(FreePortFromCompetitor(Options()), PortRelease::kTerminated);
    EXPECT_TRUE(keeper.WasAsked());
    EXPECT_TRUE(keeper.Killed());
    EXPECT_EQ(SemaphoreValue(), 1);  // a dead owner's count is given back
}

TEST_F(FreePortTest, OtherProcessesAreNeverTouched) {
    // Another program on the port, and the competing program without the port.
    PortHolderProcess other("OtherProgram", slave_, master_, semaphore_, false, false);
    PortHolderProcess idle("PortKeeper", slave_, master_, semaphore_, false, false, false);
    ASSERT_TRUE(other.Ready());
    ASSERT_TRUE(idle.Ready());
    EXPECT_EQ(FreePortFromCompetitor(Options()), PortRelease::kNoCompetitor);
    EXPECT_FALSE(other.WasAsked());
    EXPECT_FALSE(idle.WasAsked());
    EXPECT_TRUE(other.Running());
    EXPECT_TRUE(idle.Running());
}

}  // namespace
}  // namespace dedevev
