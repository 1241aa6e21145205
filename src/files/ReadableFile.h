#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "files/FileBytes.h"

namespace quivane {

// A regular file held open for reading, closed when it goes out of scope:
// one open serves the signature, the header and the pixels of a frame.
class ReadableFile {
public:
    // Opens without blocking, so a FIFO with no writer is refused, not
    // waited on; folders, FIFOs and devices are refused.
    [[nodiscard]] static std::variant<ReadableFile, FileProblem> Open(const char* path);

    ReadableFile(ReadableFile&& other) noexcept;
    ReadableFile& operator=(ReadableFile&& other) noexcept;
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;
    ~ReadableFile();

    // The size the file had when it was opened.
    std::uintmax_t size() const { return size_; }

    // Up to `count` bytes from `offset` into `bytes`; fewer when the file is
    // shorter or shrank.
    [[nodiscard]] std::optional<FileProblem> readAt(std::uint64_t offset, std::size_t count,
                                                    std::vector<std::uint8_t>& bytes) const;

private:
    ReadableFile(int fd, std::uintmax_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::uintmax_t size_;
};

}  // namespace quivane
