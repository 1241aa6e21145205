#include "files/FileBytes.h"

#include "files/ReadableFile.h"

namespace quivane {

FileProblem TooLargeProblem(std::uintmax_t size, std::uintmax_t limit)
{
    return FileProblem{"the file has " + std::to_string(size) + " bytes, more than the " + std::to_string(limit) +
                       " a picture of the largest accepted size needs"};
}

std::variant<std::uintmax_t, FileProblem> CheckReadableFile(const std::string& path)
{
    auto opened = ReadableFile::Open(path.c_str());
    if (auto* problem = std::get_if<FileProblem>(&opened)) return std::move(*problem);
    return std::get<ReadableFile>(opened).size();
}

std::optional<FileProblem> ReadFileBytesInto(const std::string& path, std::uintmax_t limit,
                                             std::vector<std::uint8_t>& bytes)
{
    auto opened = ReadableFile::Open(path.c_str());
    if (auto* problem = std::get_if<FileProblem>(&opened)) return std::move(*problem);
    const ReadableFile& file = std::get<ReadableFile>(opened);
    if (file.size() > limit) return TooLargeProblem(file.size(), limit);
    return file.readAt(0, static_cast<std::size_t>(file.size()), bytes);
}

std::variant<std::vector<std::uint8_t>, FileProblem> ReadFileBytes(const std::string& path, std::uintmax_t limit)
{
    std::vector<std::uint8_t> bytes;
    if (auto problem = ReadFileBytesInto(path, limit, bytes)) return *problem;
    return bytes;
}

}  // namespace quivane
