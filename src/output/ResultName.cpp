#include "output/ResultName.h"

namespace quivane {

std::string AutoResultName(int n, const std::string& extension)
{
    return (n < 10 ? "result0" : "result") + std::to_string(n) + "." + extension;
}

}  // namespace quivane
