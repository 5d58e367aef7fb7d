// Start-up time, idle CPU and memory of `dedevev --simulate`, each next to a bare Qt program
// (dedevev_bench_bare_window) measured in the same run. Figures are printed, never asserted.
//
//   build/default/bin/dedevev_bench_app [startup] [memory] [idle]   (default: all three)
//
//   startup  spawn to "window\tstatus" in the message log, against spawn to "shown" of the
//            bare window; median of DEDEVEV_BENCH_RUNS runs (default 5). Aim: app <= 3x bare.
//   memory   VmRSS once the status shows, against the bare window holding the skin's
//            background picture. Aim: app <= 1.5x bare.
//   idle     CPU time (utime + stime) over DEDEVEV_BENCH_IDLE_SECONDS (default 60) after the
//            status shows, as % of one core. Aim: < 1 %.
//
// Without DISPLAY the programs run with QT_QPA_PLATFORM=offscreen (or run this under xvfb-run).

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kDeadline = std::chrono::seconds(60);

fs::path BinFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return fallback;
    const int n = std::atoi(value);
    return n > 0 ? n : fallback;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Private folders for one run of a program: home, data, runtime, simulated devices, a log.
class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "dedevev-bench-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        // "sys" and "dev" stay empty: a modem plugged into the machine stays unseen.
        for (const char* sub : {"runtime", "data", "devices", "sys", "dev"}) {
            fs::create_directories(root_ / sub);
            fs::permissions(root_ / sub, fs::perms::owner_all);
        }
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path Log() const { return root_ / "messages.log"; }

    std::vector<std::string> Environment() const {
        std::vector<std::string> env = {
            "HOME=" + root_.string(),
            "XDG_RUNTIME_DIR=" + (root_ / "runtime").string(),
            "XDG_DATA_HOME=" + (root_ / "data").string(),
            "DEDEVEV_DEVICE_DIR=" + (root_ / "devices").string(),
            "DEDEVEV_MESSAGE_LOG=" + Log().string(),
            "DEDEVEV_SYSFS_ROOT=" + (root_ / "sys").string(),
            "DEDEVEV_DEV_ROOT=" + (root_ / "dev").string(),
            "DEDEVEV_EXIT_AFTER_MS=3600000",
        };
        bool platform = false;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            for (const char* keep : {"PATH=", "DISPLAY=", "XAUTHORITY=", "QT_QPA_PLATFORM="}) {
                if (entry.rfind(keep, 0) == 0)
                    env.push_back(entry);
            }
            platform = platform || entry.rfind("QT_QPA_PLATFORM=", 0) == 0 ||
                       entry.rfind("DISPLAY=", 0) == 0;
        }
        if (!platform)
            env.push_back("QT_QPA_PLATFORM=offscreen");
        return env;
    }

private:
    fs::path root_;
};

// A child process that is killed when it goes out of scope.
class Child {
public:
    Child(std::vector<std::string> args, std::vector<std::string> env) {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() { Stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    void Stop() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// Polls the log for `needle`; false when the deadline passes first.
bool WaitForLog(const fs::path& log, const std::string& needle) {
    const auto deadline = Clock::now() + kDeadline;
    while (Clock::now() < deadline) {
        if (Read(log).find(needle) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

long VmRssKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// utime + stime in clock ticks.
long long CpuTicks(pid_t pid) {
    const std::string stat = Read("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');  // the command name may hold blanks
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    // Fields after the name start at 3 (state); utime is 14, stime 15.
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            utime = std::atoll(field.c_str());
        if (index == 15) {
            stime = std::atoll(field.c_str());
            return utime + stime;
        }
    }
    return -1;
}

std::vector<std::string> AppArgs() {
    return {(BinFolder() / "dedevev").string(), "--simulate"};
}

std::vector<std::string> BareArgs(const Scratch& scratch, bool with_image, bool stay) {
    std::vector<std::string> args = {(BinFolder() / "dedevev_bench_bare_window").string(),
                                     scratch.Log().string()};
    if (with_image) {
        args.push_back("--image");
        args.push_back((BinFolder() / "Skin" / "bitmaps" / "background.bmp").string());
    }
    if (stay)
        args.push_back("--stay");
    return args;
}

// Milliseconds from spawn to each of `needles` in the log, in order; empty on failure.
std::vector<double> TimeToLog(std::vector<std::string> args, const Scratch& scratch,
                              const std::vector<std::string>& needles) {
    const auto start = Clock::now();
    Child child(std::move(args), scratch.Environment());
    std::vector<double> times;
    for (const std::string& needle : needles) {
        if (child.Pid() <= 0 || !WaitForLog(scratch.Log(), needle))
            return {};
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return times;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

int Startup() {
    const int runs = EnvInt("DEDEVEV_BENCH_RUNS", 5);
    std::vector<double> app;
    std::vector<double> app_shown;
    std::vector<double> bare;
    for (int i = 0; i < runs; ++i) {
        // Alternated, so that a slow phase of the machine hits both alike.
        Scratch bare_scratch;
        const auto b = TimeToLog(BareArgs(bare_scratch, false, false), bare_scratch, {"shown"});
        Scratch app_scratch;
        const auto a = TimeToLog(AppArgs(), app_scratch, {"window\tshown", "window\tstatus"});
        if (a.empty() || b.empty()) {
            std::fprintf(stderr, "startup: run %d failed\n", i + 1);
            return 1;
        }
        app_shown.push_back(a[0]);
        app.push_back(a[1]);
        bare.push_back(b[0]);
        std::printf("startup run %d: app window %.1f ms, status %.1f ms; bare %.1f ms\n", i + 1,
                    a[0], a[1], b[0]);
    }
    const double a = Median(app);
    const double b = Median(bare);
    std::printf(
        "startup (median of %d): app %.1f ms to status (window up at %.1f ms), bare "
        "window %.1f ms, ratio %.2f (aim <= 3)\n",
        runs, a, Median(app_shown), b, a / b);
    return 0;
}

int MemoryAndIdle(bool memory, bool idle) {
    Scratch app_scratch;
    Child app(AppArgs(), app_scratch.Environment());
    if (app.Pid() <= 0 || !WaitForLog(app_scratch.Log(), "window\tstatus")) {
        std::fprintf(stderr, "the application did not show a status\n");
        return 1;
    }
    if (memory) {
        const long app_kb = VmRssKb(app.Pid());
        Scratch bare_scratch;
        Child bare(BareArgs(bare_scratch, true, true), bare_scratch.Environment());
        if (bare.Pid() <= 0 || !WaitForLog(bare_scratch.Log(), "shown")) {
            std::fprintf(stderr, "the bare window did not show\n");
            return 1;
        }
        const long bare_kb = VmRssKb(bare.Pid());
        std::printf(
            "memory: app %ld KiB VmRSS at status, bare window with background %ld KiB, "
            "ratio %.2f (aim <= 1.5)\n",
            app_kb, bare_kb, static_cast<double>(app_kb) / static_cast<double>(bare_kb));
    }
    if (idle) {
        const int seconds = EnvInt("DEDEVEV_BENCH_IDLE_SECONDS", 60);
        const long long before = CpuTicks(app.Pid());
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const long long after = CpuTicks(app.Pid());
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        if (before < 0 || after < 0) {
            std::fprintf(stderr, "idle: the application ended\n");
            return 1;
        }
        const double cpu =
            static_cast<double>(after - before) / static_cast<double>(::sysconf(_SC_CLK_TCK));
        std::printf("idle: %.2f s CPU in %.1f s = %.3f %% of one core (aim < 1 %%)\n", cpu, wall,
                    100.0 * cpu / wall);
        std::printf("idle: app VmRSS after idling %ld KiB\n", VmRssKb(app.Pid()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool startup = argc < 2;
    bool memory = argc < 2;
    bool idle = argc < 2;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "startup") == 0) {
            startup = true;
        } else if (std::strcmp(argv[i], "memory") == 0) {
            memory = true;
        } else if (std::strcmp(argv[i], "idle") == 0) {
            idle = true;
        } else {
            std::fprintf(stderr, "usage: %s [startup] [memory] [idle]\n", argv[0]);
            return 2;
        }
    }
    int status = 0;
    if (startup)
        status |= Startup();
    if (memory || idle)
        status |= MemoryAndIdle(memory, idle);
    return status;
}
