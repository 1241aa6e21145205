#pragma once

#include <functional>

namespace quivane {

// Splits the range begin..end - 1 into `bands` consecutive pieces of nearly
// equal length and runs work(first, last) on each (last exclusive), the
// first piece on the calling thread and every other on a thread of its own,
// returning when all are done. A piece that throws has its exception
// rethrown here once every piece has finished; if several throw, the one
// of the earliest piece. With one band (or fewer) nothing is started and
// the work runs here. The pieces must not write anything in common.
void RunInBands(int begin, int end, int bands, const std::function<void(int first, int last)>& work);

// How many bands a loop of `work` units should be split into, to pay for
// starting a thread per band: at least `unitsPerBand` units each, no more
// bands than the processor has threads, at most `largest`, at least one.
int BandsFor(long long work, long long unitsPerBand, int largest);

}  // namespace quivane
