#include "files/ReadableFile.h"

#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quivane {
namespace {

FileProblem SystemProblem(int error) { return FileProblem{std::strerror(error)}; }

}  // namespace

std::variant<ReadableFile, FileProblem> ReadableFile::Open(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return SystemProblem(errno);
    ReadableFile file(fd, 0);
    struct stat status {};
    if (::fstat(fd, &status) != 0) return SystemProblem(errno);
    if (S_ISDIR(status.st_mode)) return FileProblem{"it is a folder, not a file"};
    if (!S_ISREG(status.st_mode)) return FileProblem{"it is not a regular file"};
    file.size_ = static_cast<std::uintmax_t>(status.st_size);
    return file;
}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
    }
    return *this;
}

ReadableFile::~ReadableFile()
{
    if (fd_ >= 0) ::close(fd_);
}

std::optional<FileProblem> ReadableFile::readAt(std::uint64_t offset, std::size_t count,
                                                std::vector<std::uint8_t>& bytes) const
{
    bytes.resize(count);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + got, bytes.size() - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return SystemProblem(errno);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return std::nullopt;
}

}  // namespace quivane
