#pragma once

#include <string>

namespace quivane {

// The automatic name of saved result n: result00.bmp .. result09.bmp,
// result10.bmp, .. result100.bmp and on without limit; another extension
// (without its dot) for results saved in another format.
std::string AutoResultName(int n, const std::string& extension = "bmp");

}  // namespace quivane
