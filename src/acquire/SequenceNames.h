#pragma once

#include <optional>
#include <string>

namespace quivane {

// A numbered bitmap sequence: prefix + number text of fixed width + extension,
// for instance M42_0001.BMP .. M42_0150.BMP.
struct SequenceNames {
    std::string first;  // upper-cased; the lower-sorting of the two names
    std::string last;
    std::string prefix;
    std::string numberText;  // may be empty
};

// Upper-cases both names, puts them in ascending order and splits them at the
// last common non-digit before the dot. Nothing when their lengths differ or
// they share no non-digit before the dot.
std::optional<SequenceNames> SplitSequenceNames(std::string first, std::string last);

// Counts the text up by one, keeping its width: 0099 -> 0100, 999 -> 000, A -> B.
std::string IncrementNumberText(std::string text);

}  // namespace quivane
