// Feeds saved inputs to a fuzz entry point, so that the corpus and every kept
// finding are checked by the ordinary tests with whatever compiler builds
// them, libFuzzer or not.
//
//   replay_NAME PATH... [--optional PATH...]
//
// A PATH is a file or a folder whose files are fed in name order. A missing
// PATH, or a folder with nothing in it, is a problem unless it comes after
// --optional: a corpus that vanished would otherwise pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool Replay(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // An empty input still gets a valid pointer, as libFuzzer gives it.
    static const std::uint8_t none = 0;
    const auto* data = bytes.empty() ? &none : reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (LLVMFuzzerTestOneInput(data, bytes.size()) != 0) {
        std::fprintf(stderr, "%s: the entry point refused the input\n", file.c_str());
        return false;
    }
    return true;
}

// The regular files to feed for one PATH, sorted so that runs are repeatable.
std::vector<fs::path> FilesOf(const fs::path& path, std::error_code& error)
{
    if (!fs::is_directory(path, error)) return fs::exists(path, error) ? std::vector<fs::path>{path} : std::vector<fs::path>{};
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv)
{
    bool optional = false;
    int fed = 0;
    int problems = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--optional") {
            optional = true;
            continue;
        }
        std::error_code error;
        const std::vector<fs::path> files = FilesOf(argument, error);
        if (files.empty() && !optional) {
            std::fprintf(stderr, "%s: no inputs there\n", argument.c_str());
            ++problems;
        }
        for (const fs::path& file : files) {
            if (!Replay(file)) ++problems;
            ++fed;
        }
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH... [--optional PATH...]\n", argv[0]);
        return 2;
    }
    std::printf("replayed %d inputs, %d problems\n", fed, problems);
    return problems == 0 ? 0 : 1;
}
