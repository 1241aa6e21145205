#pragma once

// The readers under test take a path, so each input is written to a file
// made once per process and overwritten for every input: a file per input
// would cost more than most inputs take to read.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quivane::fuzz {

// A path whose file holds exactly `size` bytes of `data`.
inline const std::string& InputFile(const std::uint8_t* data, std::size_t size)
{
    // In memory when the system allows, so fuzzing never wears the disk.
    static const int fd = [] {
        int made = ::memfd_create("quivane_fuzz_input", MFD_CLOEXEC);
        if (made < 0) {
            char name[] = "/tmp/quivane_fuzz_XXXXXX";
            made = ::mkstemp(name);
            if (made >= 0) ::unlink(name);
        }
        if (made < 0) {
            std::perror("cannot make the input file");
            std::abort();
        }
        return made;
    }();
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);

    if (::ftruncate(fd, 0) != 0) std::abort();
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::pwrite(fd, data + written, size - written, static_cast<off_t>(written));
        if (n <= 0) {
            std::perror("cannot write the input file");
            std::abort();
        }
        written += static_cast<std::size_t>(n);
    }
    return path;
}

}  // namespace quivane::fuzz
