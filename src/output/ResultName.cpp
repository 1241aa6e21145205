#include "output/ResultName.h"

namespace quivane {

std::string AutoResultName(int n)
{
    return (n < 10 ? "result0" : "result") + std::to_string(n) + ".bmp";
}

}  // namespace quivane
