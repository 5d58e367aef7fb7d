// The three call lists with 10,000 calls each: loading and saving their files next to what
// /usr/bin/iconv takes to turn the same files into UTF-8 and back. The aim: load plus save at
// most 3 times the iconv round trips.
//
//   ./build/default/bin/dedevev_bench_call_history

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/IconvRatio.h"
#include "voice/CallHistory.h"
#include "voice/CallHistoryFile.h"

namespace {

using dedevev::CallHistories;
using dedevev::CallList;
using dedevev::bench::Folder;

constexpr int kCalls = 10000;
constexpr CallList kLists[] = {CallList::kMissed, CallList::kAccepted, CallList::kDialed};

// The folder with the three files, each of kCalls calls, newest first: numbers of a few hundred
// people, some withheld, some calls with a name outside ASCII.
const std::string& CallFolder() {
    static const std::string folder = [] {
        const std::string made = Folder() + "calls/";
        ::mkdir(made.c_str(), 0700);
        std::vector<dedevev::CallRecord> calls(kCalls);
        for (int i = 0; i < kCalls; ++i) {
            dedevev::CallRecord& c = calls[static_cast<std::size_t>(i)];
            const int age = i / 6;
            c.start = {2011 - age / 300, 12 - age / 30 % 12, 28 - age % 28, 23 - i % 24, i % 60, 7};
            c.number = i % 17 == 0
                           ? u""
                           : dedevev::bench::U16("+62812" + std::to_string(100000 + i % 400));
            c.name = i % 7 == 0 ? u"\u0100ditya Pratama" : u"";
            c.duration = i % 3 == 0 ? 0 : i % 4000;
            c.seen = i % 5 != 0;
        }
        for (CallList list : kLists) {
            const std::string bytes = dedevev::SerialiseCallHistory(123456, calls);
            std::FILE* out = std::fopen(CallHistories::FilePath(made, list).c_str(), "wb");
            if (out != nullptr) {
                std::fwrite(bytes.data(), 1, bytes.size(), out);
                std::fclose(out);
            }
        }
        return made;
    }();
    return folder;
}

void BM_CallHistoryLoadSave(benchmark::State& state) {
    for (auto _ : state) {
        // Loads the three files; saves them as it goes (a failure is said on stderr).
        CallHistories lists(CallFolder());
        for (CallList list : kLists) {
            if (lists.Get(list).Count() != kCalls)
                state.SkipWithError("load failed");
        }
    }
}
BENCHMARK(BM_CallHistoryLoadSave)->Unit(benchmark::kMillisecond);

void BM_IconvRoundTrip(benchmark::State& state) {
    std::vector<std::string> files;
    for (CallList list : kLists)
        files.push_back(CallHistories::FilePath(CallFolder(), list));
    dedevev::bench::IconvRoundTrip(state, files);
}
BENCHMARK(BM_IconvRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const std::string what = "3 call lists of " + std::to_string(kCalls) + " calls";
    return dedevev::bench::RunAgainstIconv(argc, argv, what.c_str(), "BM_CallHistoryLoadSave",
                                           "BM_IconvRoundTrip", 3.0);
}
