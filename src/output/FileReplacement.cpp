#include "output/FileReplacement.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "files/FileNames.h"

namespace quivane {
namespace {

std::string Failure(const std::string& path, int error)
{
    return "Cannot write \"" + path + "\": " + std::strerror(error != 0 ? error : EIO);
}

int OpenFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t WriteFile(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }
int SyncFile(int fd) { return ::fsync(fd); }
int CloseFile(int fd) { return ::close(fd); }
int RenameFile(const char* from, const char* to) { return ::rename(from, to); }
int UnlinkFile(const char* path) { return ::unlink(path); }

// Every byte, however many calls it takes; 0 or the error that stopped it.
int WriteAll(int fd, std::span<const std::uint8_t> bytes, const FileSystemCalls& calls)
{
    const std::uint8_t* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = calls.write(fd, next, left);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno != 0 ? errno : EIO;
        // Nothing written and no error: the device takes no more.
        if (written == 0) return ENOSPC;
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return 0;
}

// A device or a pipe: there is no old file to keep, so it is written as it
// is. Opened without waiting, so a pipe nobody reads fails instead of
// hanging the program.
std::optional<std::string> WriteInPlace(const std::string& path, const std::string& target,
                                        std::span<const std::uint8_t> bytes, const FileSystemCalls& calls)
{
    const int fd = calls.open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) return Failure(path, errno);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    const int writeError = WriteAll(fd, bytes, calls);
    const int closeResult = calls.close(fd);
    const int closeError = errno;
    if (writeError != 0) return Failure(path, writeError);
    if (closeResult != 0) return Failure(path, closeError);
    return std::nullopt;
}

// Makes a file that did not exist, beside the target and hidden, so a
// directory listing never shows a half-written picture under a picture's name.
int CreateTemporary(const std::string& folder, const std::string& name, std::string& created,
                    const FileSystemCalls& calls)
{
    static std::atomic<unsigned> counter{0};
    // Cut so that a name near the file system's limit still leaves room for
    // the additions.
    const std::string base = name.substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = folder + "." + base + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part";
        const int fd = calls.open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Makes the rename itself survive a power cut; a folder that cannot be
// synced (some network file systems) changes nothing about the result.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

const FileSystemCalls& SystemFileCalls()
{
    static const FileSystemCalls calls{OpenFile, WriteFile, SyncFile, CloseFile, RenameFile, UnlinkFile};
    return calls;
}

std::optional<std::string> ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                       const FileSystemCalls& calls)
{
    namespace fs = std::filesystem;
    std::string target = path;
    std::error_code ignored;
    if (fs::is_symlink(path, ignored)) {
        const fs::path resolved = fs::weakly_canonical(path, ignored);
        if (!ignored) target = resolved.string();
    }

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return Failure(path, EISDIR);
    if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(path, target, bytes, calls);

    const std::string folder = FolderOf(target).empty() ? "./" : FolderOf(target);
    std::string temporary;
    const int fd = CreateTemporary(folder, NameOf(target), temporary, calls);
    if (fd < 0) return Failure(path, errno);

    int error = WriteAll(fd, bytes, calls);
    if (error == 0 && exists) ::fchmod(fd, old.st_mode & 07777);
    // A full disk often shows only when the data is flushed, so the flush
    // is checked as well as every write.
    if (error == 0 && calls.fsync(fd) != 0) error = errno;
    const int closeResult = calls.close(fd);
    if (error == 0 && closeResult != 0) error = errno;
    if (error == 0 && calls.rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        calls.unlink(temporary.c_str());
        return Failure(path, error);
    }
    SyncFolder(folder);
    return std::nullopt;
}

}  // namespace quivane
