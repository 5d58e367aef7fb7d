// The connection history of 10,000 sessions: loading and saving HistoryNet.dat next to what
// /usr/bin/iconv takes to turn the same file into UTF-8 and back (two child processes), so that
// the figure holds on any machine. The aim: load plus save at most 3 times the iconv round trip.
//
//   ./build/default/bin/dedevev_bench_history

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "connection/NetRecordStore.h"

extern char** environ;

namespace {

constexpr int kSessions = 10'000;

const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/dedevev-bench-XXXXXX";
        const char* made = ::mkdtemp(name);
        return std::string(made != nullptr ? made : "/tmp") + "/";
    }();
    return folder;
}

// HistoryNet.dat with kSessions sessions of varied times and counters.
const std::string& HistoryFile() {
    static const std::string path = [] {
        dedevev::NetRecordStore store;
        for (int i = 0; i < kSessions; ++i) {
            dedevev::SessionStats s;
            s.start = {2000 + i % 25, 1 + i % 12, 1 + i % 28, i % 24, i % 60, (i * 7) % 60};
            s.duration = static_cast<std::uint32_t>(i * 37 % 90'000);
            s.bytes_sent = static_cast<std::uint64_t>(i) * 1'234'567;
            s.bytes_received = static_cast<std::uint64_t>(i) * 98'765'431;
            store.Add(s);
        }
        const std::string file = Folder() + "HistoryNet.dat";
        store.Save(file);
        return file;
    }();
    return path;
}

// Runs /usr/bin/iconv from one encoding to another, `in` to `out`; true when it succeeded.
bool Iconv(const char* from, const char* to, const std::string& in, const std::string& out) {
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

void BM_HistoryLoadSave(benchmark::State& state) {
    const std::string out = Folder() + "saved.dat";
    for (auto _ : state) {
        dedevev::NetRecordStore store;
        store.Load(HistoryFile());
        if (store.Count() != kSessions || !store.Save(out))
            state.SkipWithError("load or save failed");
    }
}
BENCHMARK(BM_HistoryLoadSave)->Unit(benchmark::kMillisecond);

// The same without the file system: the parse and the text written.
void BM_HistoryParseSerialise(benchmark::State& state) {
    std::string bytes;
    {
        dedevev::NetRecordStore store;
        store.Load(HistoryFile());
        bytes = store.Serialise();
    }
    for (auto _ : state) {
        dedevev::NetRecordStore store;
        store.Parse(bytes);
        benchmark::DoNotOptimize(store.Serialise());
    }
}
BENCHMARK(BM_HistoryParseSerialise)->Unit(benchmark::kMillisecond);

void BM_IconvRoundTrip(benchmark::State& state) {
    const std::string utf8 = Folder() + "utf8.txt";
    const std::string back = Folder() + "utf16.txt";
    for (auto _ : state) {
        if (!Iconv("UTF-16LE", "UTF-8", HistoryFile(), utf8) ||
            !Iconv("UTF-8", "UTF-16LE", utf8, back))
            state.SkipWithError("iconv failed");
    }
}
BENCHMARK(BM_IconvRoundTrip)->Unit(benchmark::kMillisecond);

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

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ours = reporter.times.find("BM_HistoryLoadSave");
    const auto iconv = reporter.times.find("BM_IconvRoundTrip");
    int result = 0;
    if (ours != reporter.times.end() && iconv != reporter.times.end() && iconv->second > 0) {
        const double ratio = ours->second / iconv->second;
        std::printf(
            "%d sessions: load+save %.2f ms, iconv round trip %.2f ms, ratio %.2f (aim <= 3: %s)\n",
            kSessions, ours->second, iconv->second, ratio, ratio <= 3.0 ? "met" : "missed");
        result = ratio <= 3.0 ? 0 : 2;
    }
    benchmark::Shutdown();
    return result;
}
