#include "files/ReadableFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace quivane {
namespace {

FileProblem SystemProblem(int error) { return FileProblem{std::strerror(error)}; }

// The most pieces one call takes.
constexpr std::size_t PiecesPerCall = IOV_MAX;

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

bool ReadableFile::readSpread(std::uint64_t offset, std::span<const ByteTarget> targets) const
{
    std::vector<iovec> pieces(targets.size());
    std::transform(targets.begin(), targets.end(), pieces.begin(),
                   [](const ByteTarget& t) { return iovec{t.data, t.count}; });
    std::size_t next = 0;
    while (next < pieces.size()) {
        if (pieces[next].iov_len == 0) {
            ++next;
            continue;
        }
        const int count = static_cast<int>(std::min(PiecesPerCall, pieces.size() - next));
        ssize_t n = ::preadv(fd_, pieces.data() + next, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        offset += static_cast<std::uint64_t>(n);
        // Past the pieces now full, into the one a short read left part-filled.
        while (n > 0) {
            const auto take = std::min(static_cast<std::size_t>(n), pieces[next].iov_len);
            pieces[next].iov_base = static_cast<std::uint8_t*>(pieces[next].iov_base) + take;
            pieces[next].iov_len -= take;
            n -= static_cast<ssize_t>(take);
            if (pieces[next].iov_len == 0) ++next;
        }
    }
    return true;
}

}  // namespace quivane
