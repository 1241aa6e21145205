#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quivane {

// Why a named file cannot be read, as words to follow "Cannot read ...: ".
struct FileProblem {
    std::string reason;
};

// Why a file larger than `limit` bytes is not read.
FileProblem TooLargeProblem(std::uintmax_t size, std::uintmax_t limit);

// Checks that `path` names a regular file that can be opened for reading.
// Folders, FIFOs and devices are refused: reading one would block for ever
// or make no sense as picture data.
[[nodiscard]] std::variant<std::uintmax_t, FileProblem> CheckReadableFile(const std::string& path);

// The whole file, when it is a readable regular file of at most `limit`
// bytes; a larger file is refused before anything is allocated.
[[nodiscard]] std::variant<std::vector<std::uint8_t>, FileProblem> ReadFileBytes(const std::string& path,
                                                                               std::uintmax_t limit);

// The same into `bytes`, whose memory is kept from one file to the next: a
// series of files of one size needs none after the first. On a problem the
// bytes are unspecified.
[[nodiscard]] std::optional<FileProblem> ReadFileBytesInto(const std::string& path, std::uintmax_t limit,
                                                           std::vector<std::uint8_t>& bytes);

}  // namespace quivane
