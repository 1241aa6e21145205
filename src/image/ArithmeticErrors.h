#pragma once

#include <stdexcept>

namespace quivane {

// A store or an index outside its declared range. Abandons the action in
// progress; the action guard shows the text in the error box.
class RangeCheckError : public std::runtime_error {
public:
    RangeCheckError() : std::runtime_error("Range check error") {}
};

// A 32-bit (or 64-bit where so declared) signed result that does not fit.
class IntegerOverflowError : public std::runtime_error {
public:
    IntegerOverflowError() : std::runtime_error("Integer overflow") {}
};

}  // namespace quivane
