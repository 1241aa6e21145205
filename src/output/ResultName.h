#pragma once

#include <string>

namespace quivane {

// The automatic name of saved result n: result00.bmp .. result09.bmp,
// result10.bmp, .. result100.bmp and on without limit.
std::string AutoResultName(int n);

}  // namespace quivane
