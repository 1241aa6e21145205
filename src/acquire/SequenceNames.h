#pragma once

#include <optional>
#include <string>
#include <vector>

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

// True for the extensions of the picture formats a series may be made of
// (".BMP", ".PNG", ".TIF", ".JPG", ".FITS", ...; upper-cased, with the dot).
bool IsPictureExtension(const std::string& extension);

// The two files chosen for a bitmap series, names without folder.
struct BitmapPair {
    std::string folder;      // where the first file is
    std::string heldFolder;  // where the last file chosen is; empty when none was
    std::string first;
    std::string last;
    std::string extension;   // the first file's, upper-cased with its dot
};

// The verdict on a pair: every problem the user should read, in order;
// whether the load goes ahead; and for a bitmap series, its split names.
struct BitmapPairCheck {
    std::vector<std::string> messages;
    bool accepted = true;
    std::optional<SequenceNames> names;
};
BitmapPairCheck CheckBitmapPair(const BitmapPair& pair);

}  // namespace quivane
