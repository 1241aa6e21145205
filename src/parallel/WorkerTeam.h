#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quivane {

// The processor cores this machine offers, at least 1.
int AvailableCores();

// A few threads that share the parts of one job: the caller's own thread and
// `size - 1` helpers, started once and kept for the team's life, so that a
// job costs no thread start. A team runs one job at a time, from one thread.
class WorkerTeam {
public:
    // A size below 1 means one thread a core.
    explicit WorkerTeam(int size);
    ~WorkerTeam();
    WorkerTeam(const WorkerTeam&) = delete;
    WorkerTeam& operator=(const WorkerTeam&) = delete;

    int size() const { return static_cast<int>(helpers_.size()) + 1; }

    // Runs part(index, worker) once for every index 0..count-1, the indices
    // handed out in order to whichever thread is free; `worker` (0..size-1)
    // is never the same for two parts running at once, so it may pick the
    // part's working storage. Returns once every part has ended. When parts
    // throw, no further index is handed out and the exception of the lowest
    // failing index is rethrown: every index below it has run, some above it
    // may have run as well.
    void run(int count, const std::function<void(int index, int worker)>& part);

private:
    void serve(int worker);
    void work(int worker);

    std::mutex mutex_;
    std::condition_variable started_, ended_;
    const std::function<void(int, int)>* part_ = nullptr;
    int count_ = 0;
    int next_ = 0;
    int busy_ = 0;                 // helpers still inside the current job
    unsigned long long job_ = 0;   // counts jobs, so a helper joins each once
    bool closing_ = false;
    int failedIndex_ = -1;
    std::exception_ptr failure_;
    std::vector<std::thread> helpers_;
};

}  // namespace quivane
