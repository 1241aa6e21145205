#pragma once

namespace quivane {

// The values a whole-number setting takes: minimum..maximum, a whole number
// of steps from its start value, which is also its default.
struct SettingRange {
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int start = 0;

    bool accepts(int value) const { return value >= minimum && value <= maximum && (value - start) % step == 0; }
};

}  // namespace quivane
