// The start-up sequence of the real program, run as a process.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Eventually.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Sandbox {
public:
    Sandbox() {
        std::string pattern = (fs::temp_directory_path() / "dedevev-start-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        fs::create_directories(root_ / "runtime");
        fs::permissions(root_ / "runtime", fs::perms::owner_all);
        fs::create_directories(root_ / "data");
        fs::create_directories(root_ / "res");
        // An empty sysfs and device folder: a modem plugged into the machine stays unseen.
        fs::create_directories(root_ / "sys");
        fs::create_directories(root_ / "dev");
        // A resource folder of our own, so files can be taken away.
        const fs::path bin = DEDEVEV_BIN_DIR;
        fs::copy(bin / "Localize", root_ / "res" / "Localize", fs::copy_options::recursive);
        fs::create_directories(root_ / "res" / "Skin");
        fs::copy_file(bin / "Skin" / "Skin.txt", root_ / "res" / "Skin" / "Skin.txt");
    }
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const fs::path& Root() const { return root_; }
    fs::path Log() const { return root_ / "messages.log"; }
    fs::path SetDat() const { return root_ / "data" / "Dataline" / "Set.dat"; }
    std::string Messages() const { return Read(Log()); }

    // Starts the program; `exit_after_ms` < 0 leaves its window open. Without `simulate` it
    // finds no card and ends after telling so.
    pid_t Start(int exit_after_ms, bool simulate = false) const {
        std::vector<std::string> env = {
            "QT_QPA_PLATFORM=offscreen",
            "XDG_RUNTIME_DIR=" + (root_ / "runtime").string(),
            "XDG_DATA_HOME=" + (root_ / "data").string(),
            "DEDEVEV_RESOURCE_DIR=" + (root_ / "res").string(),
            "DEDEVEV_MESSAGE_LOG=" + Log().string(),
            "DEDEVEV_SYSFS_ROOT=" + (root_ / "sys").string(),
            "DEDEVEV_DEV_ROOT=" + (root_ / "dev").string(),
            "HOME=" + root_.string(),
        };
        if (exit_after_ms >= 0)
            env.push_back("DEDEVEV_EXIT_AFTER_MS=" + std::to_string(exit_after_ms));
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("PATH=", 0) == 0 || entry.rfind("ASAN_OPTIONS=", 0) == 0 ||
                entry.rfind("UBSAN_OPTIONS=", 0) == 0 || entry.rfind("TSAN_OPTIONS=", 0) == 0) {
                env.push_back(entry);
            }
        }
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = (fs::path(DEDEVEV_BIN_DIR) / "dedevev").string();
        std::string simulate_arg = "--simulate";
        char* argv[] = {program.data(), simulate ? simulate_arg.data() : nullptr, nullptr};
        pid_t pid = -1;
        if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
            return -1;
        return pid;
    }

    // Waits for the process to end; returns its exit code, or -1 on a time-out.
    static int Wait(pid_t pid, int seconds = 60) {
        int status = 0;
        if (dedevev::test::Eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; },
                                      std::chrono::seconds(seconds)))
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }

    bool WaitForLog(const std::string& needle, int seconds = 60) const {
        return dedevev::test::Eventually(
            [&] { return Messages().find(needle) != std::string::npos; },
            std::chrono::seconds(seconds));
    }

private:
    fs::path root_;
};

TEST(StartupProcess, SecondCopyIsRefusedAndALockNeverOutlivesAKilledCopy) {
    Sandbox box;
    const pid_t first = box.Start(-1, /*simulate=*/true);
    ASSERT_GT(first, 0);
    ASSERT_TRUE(box.WaitForLog("window\tstatus")) << box.Messages();

    const pid_t second = box.Start(0);
    EXPECT_EQ(Sandbox::Wait(second), 1);
    const std::string log = box.Messages();
    EXPECT_NE(log.find("message\tinformation\tDEDEVev\tDEDEVev is already running."),
              std::string::npos)
        << log;
    EXPECT_EQ(::kill(first, 0), 0) << "the first copy must keep running";

    ::kill(first, SIGKILL);
    EXPECT_EQ(Sandbox::Wait(first), 128 + SIGKILL);

    std::ofstream(box.Log(), std::ios::trunc).close();
    const pid_t third = box.Start(100, /*simulate=*/true);
    EXPECT_EQ(Sandbox::Wait(third), 0);
    EXPECT_NE(box.Messages().find("window\tshown"), std::string::npos) << box.Messages();
    EXPECT_NE(box.Messages().find("window\tclosed"), std::string::npos) << box.Messages();
    EXPECT_EQ(box.Messages().find("message\t"), std::string::npos) << box.Messages();
}

TEST(StartupProcess, NormalExitSavesPrivateSettings) {
    Sandbox box;
    EXPECT_EQ(Sandbox::Wait(box.Start(50)), 0);
    ASSERT_TRUE(fs::exists(box.SetDat()));
    struct stat st {};
    ASSERT_EQ(::stat(box.SetDat().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(box.SetDat().parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_NE(Read(box.SetDat()).find("Local=Localize\\English.txt"), std::string::npos);
}

TEST(StartupProcess, MissingLanguageFallsBackWithAWarning) {
    Sandbox box;
    fs::create_directories(box.SetDat().parent_path());
    std::ofstream(box.SetDat()) << "[Options]\nLocal=Localize\\Klingon.txt\n";
    EXPECT_EQ(Sandbox::Wait(box.Start(50)), 0);
    const std::string log = box.Messages();
    EXPECT_NE(log.find("message\texclamation\tDEDEVev\tWarning: localizing file missing.\\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Localize/Klingon.txt\\nDefault language will be used."), std::string::npos)
        << log;
    // On to the main window (which, finding no card, ends without being shown).
    EXPECT_NE(log.find("window\tclosed"), std::string::npos) << log;
    // The fallback is what gets saved.
    EXPECT_NE(Read(box.SetDat()).find("Local=Localize\\English.txt"), std::string::npos);
}

TEST(StartupProcess, NoLanguageAtAllEndsTheProgram) {
    Sandbox box;
    fs::remove(box.Root() / "res" / "Localize" / "English.txt");
    fs::create_directories(box.SetDat().parent_path());
    std::ofstream(box.SetDat()) << "[Options]\nLocal=Localize\\Klingon.txt\n";
    EXPECT_EQ(Sandbox::Wait(box.Start(50)), 1);
    const std::string log = box.Messages();
    EXPECT_NE(log.find("message\texclamation\tDEDEVev\tWarning: localizing file missing."),
              std::string::npos);
    EXPECT_NE(log.find("message\tstop\tDEDEVev\tFatal error: localizing file lost.\\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Localize/English.txt\\nThis application has to quit.\\nReinstallation will "
                       "resolve this issue."),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("window\t"), std::string::npos);
}

TEST(StartupProcess, MissingSkinEndsTheProgramWithALocalisedMessage) {
    Sandbox box;
    fs::remove(box.Root() / "res" / "Skin" / "Skin.txt");
    EXPECT_EQ(Sandbox::Wait(box.Start(50)), 1);
    const std::string log = box.Messages();
    EXPECT_NE(log.find("message\texclamation\tDEDEVev\tThe skin file is missing."),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("window\t"), std::string::npos);
}

TEST(StartupProcess, LockFileThatCannotBeMadeIsReportedNotMistakenForASecondCopy) {
    const struct {
        const char* what;
        std::function<void(const fs::path& runtime)> spoil;
        const char* reason;
        bool for_root;  // root writes into read-only folders
    } cases[] = {
        {"the lock's name taken by a folder",
         [](const fs::path& runtime) {
             fs::create_directory(runtime / "dedevev-{C624B24F-275E-4e2c-9661-5511CFDF02EA}.lock");
         },
         "Is a directory", true},
        {"a read-only runtime folder",
         [](const fs::path& runtime) {
             fs::permissions(runtime, fs::perms::owner_read | fs::perms::owner_exec);
         },
         "Permission denied", false},
    };
    for (const auto& c : cases) {
        if (!c.for_root && ::geteuid() == 0)
            continue;
        SCOPED_TRACE(c.what);
        Sandbox box;
        const fs::path runtime = box.Root() / "runtime";
        c.spoil(runtime);
        EXPECT_EQ(Sandbox::Wait(box.Start(0)), 1);
        fs::permissions(runtime, fs::perms::owner_all);
        const std::string log = box.Messages();
        EXPECT_NE(log.find("message\tstop\tDEDEVev\tDEDEVev cannot set up its lock file in this "
                           "folder:\\n" +
                           runtime.string() + "/\\n" + c.reason + "\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("already running"), std::string::npos) << log;
        EXPECT_EQ(log.find("window\t"), std::string::npos) << log;
    }
}

TEST(StartupProcess, IndonesianTextsComeFromTheChosenLanguage) {
    Sandbox box;
    fs::create_directories(box.SetDat().parent_path());
    std::ofstream(box.SetDat()) << "[Options]\nLocal=Localize\\Indonesian.txt\n";
    // The first copy runs on the simulated card, whose demo data folder has its own Set.dat.
    const fs::path demo = box.Root() / "data" / "dedevev-demo" / "Dataline" / "Set.dat";
    fs::create_directories(demo.parent_path());
    fs::copy_file(box.SetDat(), demo);
    const pid_t first = box.Start(-1, /*simulate=*/true);
    ASSERT_TRUE(box.WaitForLog("window\tstatus")) << box.Messages();
    const pid_t second = box.Start(0);
    EXPECT_EQ(Sandbox::Wait(second), 1);
    ::kill(first, SIGTERM);  // a polite end runs the exit sequence
    EXPECT_EQ(Sandbox::Wait(first), 0);
    const std::string log = box.Messages();
    EXPECT_NE(log.find("message\tinformation\tDEDEVev\t"), std::string::npos) << log;
    EXPECT_EQ(log.find("is already running"), std::string::npos) << log;  // not the English text
    EXPECT_NE(log.find("window\tclosed"), std::string::npos) << log;
}

}  // namespace
