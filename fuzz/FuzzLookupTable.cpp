// Any bytes, read as a lookup-table file.
#include <cstdint>

#include "InputFile.h"
#include "tone/LookupTableFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quivane::ToneTable table{};
    const auto problem = quivane::ReadLookupTable(quivane::fuzz::InputFile(data, size), table);
    // A short file must say so; a whole one must give its first 256 bytes.
    if (size < table.size()) {
        if (!problem) __builtin_trap();
    } else {
        if (problem) __builtin_trap();
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (table[i] != data[i]) __builtin_trap();
        }
    }
    return 0;
}
