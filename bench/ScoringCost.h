#pragma once

// A console reporter that, after the runs, says what scoring adds to each
// load measured with and without it: for every pair of runs named
// "NAME/score:0" and "NAME/score:1", the extra time as a share of the load
// without scores (mean real time per iteration; the median when the runs
// are repeated).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "RunTime.h"

namespace quivane::bench {

class ScoringCostReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!HasTime(run)) continue;
            std::string name = run.run_name.str();
            const auto at = name.find("/score:");
            if (at == std::string::npos) continue;
            const bool scored = name.compare(at, 8, "/score:1") == 0;
            Times& t = times_[name.substr(0, at)];
            Take(scored ? t.with : t.without, run);
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [name, t] : times_) {
            const double without = t.without.seconds, with = t.with.seconds;
            if (without <= 0.0 || with <= 0.0) continue;
            std::printf("scoring cost %-28s without %8.1f ms, with %8.1f ms: %+.1f %%\n", name.c_str(),
                        1000.0 * without, 1000.0 * with, 100.0 * (with - without) / without);
        }
    }

private:
    struct Times {
        RunTime without, with;
    };
    std::map<std::string, Times> times_;
};

}  // namespace quivane::bench
