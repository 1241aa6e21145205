#pragma once

namespace quivane {

// std::lround to the bit, halves away from zero, for the distances within a
// window (far inside the range of an int), without a library call and in
// vector code: the truncation is exact, and so is the fraction taken from it.
inline int Rounded(double v)
{
    const int truncated = static_cast<int>(v);
    const double fraction = v - static_cast<double>(truncated);
    return truncated + static_cast<int>(fraction >= 0.5) - static_cast<int>(fraction <= -0.5);
}

// The bin a ridge at (dx, dy) from the window's centre votes for at the
// angle of cosine c and sine s: its distance along the angle's normal,
// rounded, and offset by the reach so that bins count from zero.
inline int BinOf(double dx, double dy, double c, double s, int reach) { return Rounded(dx * c + dy * s) + reach; }

// The lowest and highest bin of a run.
struct BinRange {
    int low, high;
};

// The bins of `n` ridges (at least one) at one angle, and their range.
BinRange LineBins(const double* dx, const double* dy, int n, double c, double s, int reach, int* bins);

// The bin of low - 1 .. high + 1 whose three bins, it and the two beside
// it, hold the most votes (the first such bin), and that sum; bin 0 and no
// votes when none holds a vote. `votes` is read from low - 2 to high + 2.
struct VotedBin {
    int bin, votes;
};
VotedBin MostVotedBin(const int* votes, int low, int high);

}  // namespace quivane
