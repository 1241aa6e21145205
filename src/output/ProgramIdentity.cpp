#include "output/ProgramIdentity.h"

namespace quivane {

std::string ProgramIdentity() { return std::string("Quivane ") + QUIVANE_VERSION; }

}  // namespace quivane
