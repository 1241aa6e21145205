#include "actions/StatusHint.h"

namespace quivane {

std::string StatusLineHint(const std::string& status)
{
    std::string hint = "Statusbar gives status and progress information";
    if (status.find("Value =[") != std::string::npos) {
        hint +=
            "\nValue =[N]: how far the picture differs from the reference picture where they are compared: "
            "for each pixel the difference of the two luminances, squared and divided by 256, at most 255; "
            "N is the sum. Lower is better; 0 is a perfect match. While aligning by hand the progress bar "
            "shows the same number.";
    }
    return hint;
}

}  // namespace quivane
