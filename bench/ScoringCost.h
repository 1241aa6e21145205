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

namespace quivane::bench {

class ScoringCostReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) continue;
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate && run.aggregate_name != "median") continue;
            std::string name = run.run_name.str();
            const auto at = name.find("/score:");
            if (at == std::string::npos) continue;
            const bool scored = name.compare(at, 8, "/score:1") == 0;
            const std::string base = name.substr(0, at);
            const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            Times& t = times_[base];
            // A median, when there is one, stands for the repetitions.
            if (aggregate || !t.fromMedian[scored]) (scored ? t.with : t.without) = seconds;
            if (aggregate) t.fromMedian[scored] = true;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [name, t] : times_) {
            if (t.without <= 0.0 || t.with <= 0.0) continue;
            std::printf("scoring cost %-28s without %8.1f ms, with %8.1f ms: %+.1f %%\n", name.c_str(),
                        1000.0 * t.without, 1000.0 * t.with, 100.0 * (t.with - t.without) / t.without);
        }
    }

private:
    struct Times {
        double without = 0.0;
        double with = 0.0;
        bool fromMedian[2] = {false, false};
    };
    std::map<std::string, Times> times_;
};

}  // namespace quivane::bench
