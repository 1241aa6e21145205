#pragma once

#include <optional>

#include "actions/KeyHandling.h"

class QKeyEvent;

namespace quivane {

// The key as one the window handles itself, if it is one; the number-pad
// digits only as such.
std::optional<WindowKey> WindowKeyOf(const QKeyEvent& event);

}  // namespace quivane
