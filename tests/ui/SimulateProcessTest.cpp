// `dedevev --simulate` run as a process: the card inside the program, its private folders,
// the demo data folder, and the card pulled while the program runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Eventually.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kDeadlineSeconds = 30;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::map<std::string, std::string> ReadKeys(const fs::path& path) {
    std::map<std::string, std::string> keys;
    std::istringstream in(Read(path));
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        entries.push_back(entry.path());
    return entries;
}

// One command on a card's control socket; returns its answer line (empty on failure).
std::string SendControl(const std::string& socket_path, const std::string& command) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string line = command + "\n";
        if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(line.size())) {
            char c = 0;
            while (::recv(fd, &c, 1, 0) == 1 && c != '\n')
                answer.push_back(c);
        }
    }
    ::close(fd);
    return answer;
}

class SimulateSandbox {
public:
    // `own_device_dir`: name the simulated-device folder through DEDEVEV_DEVICE_DIR;
    // otherwise the program makes its own below XDG_RUNTIME_DIR.
    explicit SimulateSandbox(bool own_device_dir = true) : own_device_dir_(own_device_dir) {
        std::string pattern = (fs::temp_directory_path() / "dedevev-sim-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        // "sys" and "dev" stay empty: a modem plugged into the machine stays unseen.
        for (const char* sub : {"runtime", "data", "devices", "sys", "dev"}) {
            fs::create_directories(root_ / sub);
            fs::permissions(root_ / sub, fs::perms::owner_all);
        }
    }
    ~SimulateSandbox() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    fs::path Log() const { return root_ / "messages.log"; }
    fs::path Runtime() const { return root_ / "runtime"; }
    fs::path Devices() const { return root_ / "devices"; }
    fs::path DemoSetDat() const { return root_ / "data" / "dedevev-demo" / "Dataline" / "Set.dat"; }
    fs::path RealDataFolder() const { return root_ / "data" / "Dataline"; }
    std::string Messages() const { return Read(Log()); }
    std::string Stderr() const { return Read(root_ / "stderr.txt"); }
    pid_t Pid() const { return pid_; }

    bool Start(const std::string& option, int exit_after_ms, const std::string& extra = {}) {
        std::vector<std::string> env = {
            "QT_QPA_PLATFORM=offscreen",
            "HOME=" + root_.string(),
            "XDG_RUNTIME_DIR=" + Runtime().string(),
            "XDG_DATA_HOME=" + (root_ / "data").string(),
            "DEDEVEV_MESSAGE_LOG=" + Log().string(),
            "DEDEVEV_SYSFS_ROOT=" + (root_ / "sys").string(),
            "DEDEVEV_DEV_ROOT=" + (root_ / "dev").string(),
        };
        if (own_device_dir_)
            env.push_back("DEDEVEV_DEVICE_DIR=" + Devices().string());
        if (exit_after_ms >= 0)
            env.push_back("DEDEVEV_EXIT_AFTER_MS=" + std::to_string(exit_after_ms));
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            for (const char* keep :
                 {"PATH=", "ASAN_OPTIONS=", "UBSAN_OPTIONS=", "TSAN_OPTIONS=", "LSAN_OPTIONS="}) {
                if (entry.rfind(keep, 0) == 0)
                    env.push_back(entry);
            }
        }
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = (fs::path(DEDEVEV_BIN_DIR) / "dedevev").string();
        std::string arg = option;
        std::string arg2 = extra;
        char* argv[] = {program.data(), arg.data(), extra.empty() ? nullptr : arg2.data(), nullptr};

        const std::string err = (root_ / "stderr.txt").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int rc = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            pid_ = -1;
        return pid_ > 0;
    }

    // The exit code, or -1 when the program did not end in time (it is then killed).
    int Wait(int seconds = kDeadlineSeconds) {
        int status = 0;
        if (dedevev::test::Eventually([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; },
                                      std::chrono::seconds(seconds))) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -1;
    }

    bool WaitForLog(const std::string& needle) const {
        return WaitUntil([&] { return Messages().find(needle) != std::string::npos; });
    }

    template <typename Condition>
    static bool WaitUntil(Condition condition) {
        return dedevev::test::Eventually(condition, std::chrono::seconds(kDeadlineSeconds));
    }

    // The one announcement file in `folder`, or empty.
    static fs::path Announcement(const fs::path& folder) {
        fs::path found;
        for (const auto& entry : Entries(folder)) {
            if (entry.extension() == ".card") {
                if (!found.empty())
                    return {};
                found = entry;
            }
        }
        return found;
    }

private:
    bool own_device_dir_;
    fs::path root_;
    pid_t pid_ = -1;
};

struct KindCase {
    const char* option;
    const char* kind;  // the announcement's kind=
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.option;
}

class SimulatedRun : public testing::TestWithParam<KindCase> {};

TEST_P(SimulatedRun, ShowsTheCardUsesOnlyDemoDataAndCleansUp) {
    const KindCase& c = GetParam();
    SimulateSandbox box;
    ASSERT_TRUE(box.Start(c.option, 5000));

    // The card announces itself in the folder the caller named, with the kind asked for,
    // and the program tells where its control socket is.
    ASSERT_TRUE(SimulateSandbox::WaitUntil(
        [&] { return !SimulateSandbox::Announcement(box.Devices()).empty(); }));
    const auto card = ReadKeys(SimulateSandbox::Announcement(box.Devices()));
    EXPECT_EQ(card.count("kind") ? card.at("kind") : "", c.kind);
    ASSERT_EQ(card.count("control"), 1u);
    EXPECT_EQ(fs::path(card.at("control")).parent_path(), box.Devices());
    // The line is printed just after the card has announced itself.
    const std::string line = "dedevev: simulated card, control socket " + card.at("control");
    EXPECT_TRUE(SimulateSandbox::WaitUntil([&] {
        return box.Stderr().find(line) != std::string::npos;
    })) << box.Stderr();

    ASSERT_TRUE(box.WaitForLog("window\tstatus")) << box.Messages();
    EXPECT_EQ(box.Wait(), 0) << box.Messages();
    const std::string log = box.Messages();
    EXPECT_NE(log.find("window\tclosed"), std::string::npos) << log;
    EXPECT_EQ(log.find("dialog\tDlgDeviceLost"), std::string::npos) << log;

    EXPECT_TRUE(fs::exists(box.DemoSetDat()));
    EXPECT_FALSE(fs::exists(box.RealDataFolder())) << "the person's own data folder was touched";
    EXPECT_TRUE(Entries(box.Devices()).empty()) << "the card left files behind";
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimulatedRun,
                         testing::Values(KindCase{"--simulate", "cdma"},
                                         KindCase{"--simulate=gsm", "gsm"}),
                         [](const testing::TestParamInfo<KindCase>& info) {
                             return std::string(info.param.kind);
                         });

TEST(SimulateProcess, PrivateDeviceFolderIsMadeAndRemovedWithAbandonedOnes) {
    SimulateSandbox box(/*own_device_dir=*/false);
    // A folder of a copy that was killed: its pid no longer runs.
    pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const fs::path base = box.Runtime() / "dedevev";
    const fs::path abandoned = base / ("simulate-" + std::to_string(gone));
    fs::create_directories(abandoned / "devices");
    // A folder of a copy still running (this test) stays.
    const fs::path alive = base / ("simulate-" + std::to_string(::getpid()));
    fs::create_directories(alive);

    ASSERT_TRUE(box.Start("--simulate", -1));
    const fs::path devices = base / ("simulate-" + std::to_string(box.Pid())) / "devices";
    ASSERT_TRUE(SimulateSandbox::WaitUntil([&] {
        return !SimulateSandbox::Announcement(devices).empty();
    })) << box.Stderr();
    ASSERT_TRUE(box.WaitForLog("window\tshown")) << box.Messages();
    EXPECT_EQ(fs::status(devices).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(alive));

    ::kill(box.Pid(), SIGTERM);
    EXPECT_EQ(box.Wait(), 0) << box.Messages();
    EXPECT_FALSE(fs::exists(devices.parent_path()));
    EXPECT_TRUE(fs::exists(box.DemoSetDat()));
}

TEST(SimulateProcess, CardPulledWhileRunningEndsTheProgramAfterTheDeviceLostDialog) {
    SimulateSandbox box;
    ASSERT_TRUE(box.Start("--simulate", -1));
    ASSERT_TRUE(box.WaitForLog("window\tstatus")) << box.Messages();

    const fs::path announcement = SimulateSandbox::Announcement(box.Devices());
    ASSERT_FALSE(announcement.empty());
    const auto card = ReadKeys(announcement);
    ASSERT_EQ(card.count("control"), 1u);
    EXPECT_EQ(SendControl(card.at("control"), "pull").rfind("OK", 0), 0u);

    ASSERT_TRUE(box.WaitForLog("dialog\tDlgDeviceLost\t")) << box.Messages();
    ASSERT_TRUE(box.WaitForLog("window\tclosed")) << box.Messages();
    EXPECT_EQ(box.Wait(), 0) << box.Messages();
    const std::string log = box.Messages();
    EXPECT_LT(log.find("dialog\tDlgDeviceLost\t"), log.find("window\tclosed")) << log;
    EXPECT_TRUE(fs::exists(box.DemoSetDat()));
    EXPECT_TRUE(Entries(box.Devices()).empty());
}

TEST(SimulateProcess, TerminationSignalClosesNormallyAndSavesSettings) {
    SimulateSandbox box;
    ASSERT_TRUE(box.Start("--simulate", -1));
    ASSERT_TRUE(box.WaitForLog("window\tstatus")) << box.Messages();

    ::kill(box.Pid(), SIGTERM);
    EXPECT_EQ(box.Wait(), 0) << box.Messages();
    EXPECT_NE(box.Messages().find("window\tclosed"), std::string::npos) << box.Messages();
    EXPECT_TRUE(fs::exists(box.DemoSetDat()));
    EXPECT_FALSE(fs::exists(box.RealDataFolder()));
    EXPECT_TRUE(Entries(box.Devices()).empty());
}

TEST(SimulateProcess, PinOptionStartsWithTheCardAskingForItsPin) {
    SimulateSandbox box;
    ASSERT_TRUE(box.Start("--simulate", 3000, "--pin"));
    // Unattended, the PIN dialog is logged with its attempts and cancelled.
    ASSERT_TRUE(box.WaitForLog("dialog\tDlgInputPin\t3")) << box.Messages();
    EXPECT_EQ(box.Wait(), 0) << box.Messages();
    EXPECT_EQ(box.Messages().find("dialog\tDlgUnlockPUK"), std::string::npos) << box.Messages();
}

TEST(SimulateProcess, BadCardKindIsRefusedBeforeAnythingStarts) {
    SimulateSandbox box;
    ASSERT_TRUE(box.Start("--simulate=lte", -1));
    EXPECT_EQ(box.Wait(), 2);
    EXPECT_NE(box.Stderr().find("unknown card kind 'lte'"), std::string::npos) << box.Stderr();
    EXPECT_TRUE(Entries(box.Devices()).empty());
    EXPECT_FALSE(fs::exists(box.Log()));
}

}  // namespace
