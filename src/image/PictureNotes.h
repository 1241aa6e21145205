#pragma once

#include <string>
#include <vector>

namespace quivane {

// One fact about how a saved picture was made, as the file formats that
// carry text can hold it: a readable name ("Combine"), an upper-case
// keyword of at most 8 letters for FITS headers ("COMBINE") and the value
// ("median, parameter 8"). Values are plain ASCII.
struct PictureNote {
    std::string name;
    std::string keyword;
    std::string value;

    friend bool operator==(const PictureNote&, const PictureNote&) = default;
};

using PictureNotes = std::vector<PictureNote>;

}  // namespace quivane
