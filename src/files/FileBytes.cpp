#include "files/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quivane {
namespace {

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

FileProblem SystemProblem(int error) { return FileProblem{std::strerror(error)}; }

// Opens without blocking, so a FIFO with no writer is refused, not waited on.
std::variant<std::uintmax_t, FileProblem> CheckOpened(const Descriptor& file)
{
    if (file.get() < 0) return SystemProblem(errno);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return SystemProblem(errno);
    if (S_ISDIR(status.st_mode)) return FileProblem{"it is a folder, not a file"};
    if (!S_ISREG(status.st_mode)) return FileProblem{"it is not a regular file"};
    return static_cast<std::uintmax_t>(status.st_size);
}

// Reads up to `count` bytes from the start into `bytes`; fewer when the file
// is shorter or shrank while it was read.
std::optional<FileProblem> ReadUpTo(const Descriptor& file, std::size_t count, std::vector<std::uint8_t>& bytes)
{
    bytes.resize(count);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return SystemProblem(errno);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return std::nullopt;
}

std::variant<std::vector<std::uint8_t>, FileProblem> Read(const Descriptor& file, std::size_t count)
{
    std::vector<std::uint8_t> bytes;
    if (auto problem = ReadUpTo(file, count, bytes)) return *problem;
    return bytes;
}

}  // namespace

std::variant<std::uintmax_t, FileProblem> CheckReadableFile(const std::string& path)
{
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    return CheckOpened(file);
}

std::optional<FileProblem> ReadFileBytesInto(const std::string& path, std::uintmax_t limit,
                                             std::vector<std::uint8_t>& bytes)
{
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const auto checked = CheckOpened(file);
    if (const auto* problem = std::get_if<FileProblem>(&checked)) return *problem;
    const std::uintmax_t size = std::get<std::uintmax_t>(checked);
    if (size > limit) {
        return FileProblem{"the file has " + std::to_string(size) + " bytes, more than the " + std::to_string(limit) +
                           " a picture of the largest accepted size needs"};
    }
    return ReadUpTo(file, static_cast<std::size_t>(size), bytes);
}

std::variant<std::vector<std::uint8_t>, FileProblem> ReadFileBytes(const std::string& path, std::uintmax_t limit)
{
    std::vector<std::uint8_t> bytes;
    if (auto problem = ReadFileBytesInto(path, limit, bytes)) return *problem;
    return bytes;
}

std::variant<std::vector<std::uint8_t>, FileProblem> ReadFileStart(const std::string& path, std::size_t count)
{
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const auto checked = CheckOpened(file);
    if (const auto* problem = std::get_if<FileProblem>(&checked)) return *problem;
    const std::uintmax_t size = std::get<std::uintmax_t>(checked);
    return Read(file, static_cast<std::size_t>(std::min<std::uintmax_t>(size, count)));
}

}  // namespace quivane
