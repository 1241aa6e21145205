#pragma once

#include <string>

namespace quivane {

// The status line's hint while it shows `status`: its own hint, and when the
// status gives an alignment value "Value =[N]", what that number is.
std::string StatusLineHint(const std::string& status);

}  // namespace quivane
