#include "tone/LookupTableFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/FileBytes.h"
#include "files/FileHandle.h"

namespace quivane {
std::optional<std::string> ReadLookupTable(const std::string& path, ToneTable& table)
{
    // A folder opens and reads as empty, a FIFO blocks: neither is a table.
    const auto checked = CheckReadableFile(path);
    if (const auto* problem = std::get_if<FileProblem>(&checked))
        return "Cannot open the lookup table \"" + path + "\": " + problem->reason;
    const FileHandle file = OpenFile(path, "rb");
    if (!file) return "Cannot open the lookup table \"" + path + "\": " + std::strerror(errno);
    std::uint8_t bytes[256];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file.get());
    std::memcpy(table.data(), bytes, got);
    if (got < sizeof bytes) {
        return "Read beyond end of file: the lookup table \"" + path + "\" holds " + std::to_string(got) +
               " of its 256 bytes";
    }
    return std::nullopt;
}

}  // namespace quivane
