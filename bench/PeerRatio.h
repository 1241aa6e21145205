#pragma once

// A console reporter that, after the runs, sets each run beside its peer:
// for every run named "NAME/size:N" and the peer's "PEER/size:N", the
// ratio of their real times per iteration (the medians when the runs are
// repeated), so that one run of the benchmark shows how far apart they are.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "RunTime.h"

namespace quivane::bench {

class PeerRatioReporter : public benchmark::ConsoleReporter {
public:
    explicit PeerRatioReporter(std::string peer) : peer_(std::move(peer)) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!HasTime(run)) continue;
            const std::string name = run.run_name.str();
            const auto at = name.find("/size:");
            if (at == std::string::npos) continue;
            Take(times_[{name.substr(at + 1), name.substr(0, at)}], run);
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto& [key, t] : times_) {
            const auto peer = times_.find({key.first, peer_});
            if (key.second == peer_ || peer == times_.end() || peer->second.seconds <= 0.0) continue;
            std::printf("%-24s %-9s %8.2f ms, %s %8.2f ms: %5.2f x its time\n", key.second.c_str(), key.first.c_str(),
                        1000.0 * t.seconds, peer_.c_str(), 1000.0 * peer->second.seconds,
                        t.seconds / peer->second.seconds);
        }
    }

private:
    std::string peer_;
    std::map<std::pair<std::string, std::string>, RunTime> times_;  // by size, then name
};

}  // namespace quivane::bench
