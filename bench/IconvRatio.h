#pragma once
// What the data-file benchmarks share: a temporary folder, /usr/bin/iconv as the yardstick
// (a UTF-16LE file to UTF-8 and back, two child processes, so that a figure holds on any
// machine), and a main that prints our time over iconv's and fails when it is above the aim.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace dedevev::bench {

// ASCII text as UTF-16.
inline std::u16string U16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

inline const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/dedevev-bench-XXXXXX";
        const char* made = ::mkdtemp(name);
        return std::string(made != nullptr ? made : "/tmp") + "/";
    }();
    return folder;
}

// Runs /usr/bin/iconv from one encoding to another, `in` to `out`; true when it succeeded.
inline bool Iconv(const char* from, const char* to, const std::string& in, const std::string& out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string f = from, t = to;
    char* argv[] = {const_cast<char*>("iconv"),
                    const_cast<char*>("-f"),
                    f.data(),
                    const_cast<char*>("-t"),
                    t.data(),
                    nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, "/usr/bin/iconv", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// iconv turning each of `files` into UTF-8 and back, once per iteration.
inline void IconvRoundTrip(benchmark::State& state, const std::vector<std::string>& files) {
    const std::string utf8 = Folder() + "utf8.txt";
    const std::string back = Folder() + "utf16.txt";
    for (auto _ : state) {
        for (const std::string& file : files) {
            if (!Iconv("UTF-16LE", "UTF-8", file, utf8) || !Iconv("UTF-8", "UTF-16LE", utf8, back))
                state.SkipWithError("iconv failed");
        }
    }
}

inline void IconvRoundTrip(benchmark::State& state, const std::string& file) {
    IconvRoundTrip(state, std::vector<std::string>{file});
}

// Keeps each benchmark's time per iteration to print the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

// Runs the registered benchmarks and prints `what`: `ours` against `iconv`; exit code 2 when
// the ratio is above `aim`.
inline int RunAgainstIconv(int argc, char** argv, const char* what, const char* ours,
                           const char* iconv, double aim) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto mine = reporter.times.find(ours);
    const auto theirs = reporter.times.find(iconv);
    int result = 0;
    if (mine != reporter.times.end() && theirs != reporter.times.end() && theirs->second > 0) {
        const double ratio = mine->second / theirs->second;
        std::printf("%s: load+save %.2f ms, iconv round trip %.2f ms, ratio %.2f (aim <= %g: %s)\n",
                    what, mine->second, theirs->second, ratio, aim,
                    ratio <= aim ? "met" : "missed");
        result = ratio <= aim ? 0 : 2;
    }
    benchmark::Shutdown();
    return result;
}

}  // namespace dedevev::bench
