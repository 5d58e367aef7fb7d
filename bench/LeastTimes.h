#pragma once
// Keeps the least CPU time per iteration of each benchmark over its repetitions, by
// "function/args" ("BM_Name/" without arguments): the machine may be busy with other work,
// which only ever adds time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace dedevev::bench {

class LeastTimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0 || run.run_type != Run::RT_Iteration)
                continue;
            const auto [it, added] = times.emplace(
                run.run_name.function_name + "/" + run.run_name.args, run.GetAdjustedCPUTime());
            if (!added)
                it->second = std::min(it->second, run.GetAdjustedCPUTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace dedevev::bench
