#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <sys/types.h>

namespace quivane {

// The system calls a replacement makes, gathered so that a test can make any
// one of them fail the way a full disk, a lost mount or a read-only folder
// would, without needing such a disk.
struct FileSystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
};

// The real calls.
const FileSystemCalls& SystemFileCalls();

// Writes `bytes` as the file at `path` without ever leaving a damaged file
// there: the bytes go into a new file in the same folder, which is renamed
// over `path` only after writing, flushing to the disk and closing all
// succeeded. On any failure the new file is removed and whatever was at
// `path` before is left exactly as it was. A new file gets the permissions a
// newly created file gets; a replaced one keeps its own. A symbolic link is
// followed, so the file it names is replaced, not the link. A device or a
// pipe at `path` is written directly, since there is no file to lose.
//
// Returns nothing on success, otherwise a message naming `path` and the
// reason ("Cannot write \"PATH\": No space left on device").
[[nodiscard]] std::optional<std::string> ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                                     const FileSystemCalls& calls = SystemFileCalls());

}  // namespace quivane
