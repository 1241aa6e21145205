#include "tone/LookupTableFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quivane {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::optional<std::string> ReadLookupTable(const std::string& path, ToneTable& table)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
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
