#include "parallel/Bands.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace quivane {

void RunInBands(int begin, int end, int bands, const std::function<void(int first, int last)>& work)
{
    const int length = std::max(0, end - begin);
    bands = std::clamp(bands, 1, std::max(1, length));
    if (bands == 1) {
        work(begin, end);
        return;
    }
    auto edge = [&](int band) { return begin + static_cast<int>(static_cast<long long>(length) * band / bands); };
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(bands));
    auto runBand = [&](int band) {
        try {
            work(edge(band), edge(band + 1));
        } catch (...) {
            failures[static_cast<std::size_t>(band)] = std::current_exception();
        }
    };
    std::vector<std::thread> others;
    others.reserve(static_cast<std::size_t>(bands - 1));
    // A thread the system refuses to start leaves its piece, and the
    // pieces after it, to the calling thread.
    int started = 1;
    for (; started < bands; ++started) {
        try {
            others.emplace_back(runBand, started);
        } catch (const std::system_error&) {
            break;
        }
    }
    runBand(0);
    for (int band = started; band < bands; ++band) runBand(band);
    for (std::thread& t : others) t.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

int BandsFor(long long work, long long unitsPerBand, int largest)
{
    const long long processors = std::max(1u, std::thread::hardware_concurrency());
    const long long wanted = unitsPerBand > 0 ? work / unitsPerBand : 1;
    return static_cast<int>(std::max(1LL, std::min({wanted, processors, static_cast<long long>(largest)})));
}

}  // namespace quivane
