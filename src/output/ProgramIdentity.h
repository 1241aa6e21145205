#pragma once

#include <string>

namespace quivane {

// "Quivane 0.1": what saved files name as the program that wrote them.
std::string ProgramIdentity();

}  // namespace quivane
