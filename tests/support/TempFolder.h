#pragma once

#include <filesystem>
#include <string>
#include <unistd.h>

namespace quivane::testing {

// A fresh folder under the system's temporary folder, named for the test and
// the process, removed with everything in it when the test ends.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag)
        : path_(std::filesystem::temp_directory_path() / ("quivane_" + tag + "_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace quivane::testing
