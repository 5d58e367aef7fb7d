// Reading a large language file: the parse next to a raw read of the same bytes.
//
// The English language file is repeated (each copy's sections renamed so nothing collapses)
// to about 1 MB and written to a temporary file.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "resources/Localizer.h"
#include "resources/TextTable.h"

namespace {

const std::string& BigFile() {
    static const std::string path = [] {
        std::string english;
        dedevev::ReadWholeFile(
            std::string(DEDEVEV_SOURCE_DIR) + "/resources/data/Localize/English.txt", &english);
        std::string big;
        for (int copy = 0; big.size() < 1'000'000; ++copy) {
            std::string part = english;
            // Rename every section of this copy: "[Name]" -> "[Name_<copy>]".
            std::string renamed;
            renamed.reserve(part.size() + 1024);
            for (std::size_t i = 0; i < part.size(); ++i) {
                if (part[i] == ']' &&
                    (i + 1 == part.size() || part[i + 1] == '\n' || part[i + 1] == '\r')) {
                    renamed += "_" + std::to_string(copy);
                }
                renamed += part[i];
            }
            big += renamed;
            big += "\n";
            if (english.empty())
                break;
        }
        char name[] = "/tmp/dedevev-bench-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t n = ::write(fd, big.data(), big.size());
            ::close(fd);
        }
        return std::string(name);
    }();
    return path;
}

void BM_RawRead(benchmark::State& state) {
    std::string bytes;
    for (auto _ : state) {
        dedevev::ReadWholeFile(BigFile(), &bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_RawRead);

void BM_TextTableParse(benchmark::State& state) {
    std::size_t sections = 0;
    std::string bytes;
    dedevev::ReadWholeFile(BigFile(), &bytes);
    for (auto _ : state) {
        const dedevev::TextTable table(BigFile());
        sections = table.SectionCount();
        benchmark::DoNotOptimize(sections);
    }
    state.counters["sections"] = static_cast<double>(sections);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_TextTableParse);

void BM_LocalizerLoad(benchmark::State& state) {
    std::string bytes;
    dedevev::ReadWholeFile(BigFile(), &bytes);
    for (auto _ : state) {
        dedevev::CLocalizer localizer;
        localizer.Load(BigFile());
        benchmark::DoNotOptimize(localizer.GetLanguageId());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_LocalizerLoad);

}  // namespace

BENCHMARK_MAIN();
