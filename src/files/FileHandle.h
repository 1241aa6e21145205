#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace quivane {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A C stream closed when it goes out of scope; empty when it could not be opened.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

inline FileHandle OpenFile(const std::string& path, const char* mode)
{
    return FileHandle(std::fopen(path.c_str(), mode));
}

}  // namespace quivane
