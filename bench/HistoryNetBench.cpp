// The connection history of 10,000 sessions: loading and saving HistoryNet.dat next to what
// /usr/bin/iconv takes to turn the same file into UTF-8 and back (two child processes), so that
// the figure holds on any machine. The aim: load plus save at most 3 times the iconv round trip.
//
//   ./build/default/bin/dedevev_bench_history

#include <string>

#include "bench/IconvRatio.h"
#include "connection/NetRecordStore.h"

namespace {

using dedevev::bench::Folder;

constexpr int kSessions = 10'000;

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
    dedevev::bench::IconvRoundTrip(state, HistoryFile());
}
BENCHMARK(BM_IconvRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const std::string what = std::to_string(kSessions) + " sessions";
    return dedevev::bench::RunAgainstIconv(argc, argv, what.c_str(), "BM_HistoryLoadSave",
                                           "BM_IconvRoundTrip", 3.0);
}
