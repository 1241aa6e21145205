#pragma once

#include <optional>
#include <string>

#include "tone/ToneCurves.h"

namespace quivane {

// Reads a lookup-table file (256 raw bytes, byte i the output for input i;
// anything after them is ignored) into `table`. A short file fills the
// entries it has and reports the problem naming the file; the remaining
// entries keep their values.
[[nodiscard]] std::optional<std::string> ReadLookupTable(const std::string& path, ToneTable& table);

}  // namespace quivane
