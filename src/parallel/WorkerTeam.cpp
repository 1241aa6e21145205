#include "parallel/WorkerTeam.h"

namespace quivane {

int AvailableCores()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

WorkerTeam::WorkerTeam(int size)
{
    const int threads = size < 1 ? AvailableCores() : size;
    for (int worker = 1; worker < threads; ++worker) helpers_.emplace_back([this, worker] { serve(worker); });
}

WorkerTeam::~WorkerTeam()
{
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    started_.notify_all();
    for (std::thread& helper : helpers_) helper.join();
}

void WorkerTeam::run(int count, const std::function<void(int, int)>& part)
{
    if (count <= 0) return;
    {
        const std::lock_guard lock(mutex_);
        part_ = &part;
        count_ = count;
        next_ = 0;
        failedIndex_ = -1;
        failure_ = nullptr;
        busy_ = static_cast<int>(helpers_.size());
        ++job_;
    }
    started_.notify_all();
    work(0);
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [&] { return busy_ == 0; });
    part_ = nullptr;
    if (failure_) {
        std::exception_ptr failure = failure_;
        failure_ = nullptr;
        std::rethrow_exception(failure);
    }
}

void WorkerTeam::serve(int worker)
{
    unsigned long long seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            started_.wait(lock, [&] { return closing_ || job_ != seen; });
            if (closing_) return;
            seen = job_;
        }
        work(worker);
        {
            const std::lock_guard lock(mutex_);
            --busy_;
        }
        ended_.notify_one();
    }
}

void WorkerTeam::work(int worker)
{
    for (;;) {
        int index;
        const std::function<void(int, int)>* part;
        {
            const std::lock_guard lock(mutex_);
            if (next_ >= count_ || failure_) return;
            index = next_++;
            part = part_;
        }
        try {
            (*part)(index, worker);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (!failure_ || index < failedIndex_) {
                failure_ = std::current_exception();
                failedIndex_ = index;
            }
        }
    }
}

}  // namespace quivane
