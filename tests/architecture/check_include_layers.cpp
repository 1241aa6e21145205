#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "IncludeLayers.h"

using namespace quivane::architecture;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: check_include_layers <src-root> <layers.txt>\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::filesystem::path tablePath = argv[2];
    if (!std::filesystem::is_directory(root)) {
        std::cerr << root.string() << " is not a folder\n";
        return 2;
    }
    std::ifstream tableFile(tablePath);
    if (!tableFile) {
        std::cerr << "cannot read " << tablePath.string() << "\n";
        return 2;
    }
    std::ostringstream text;
    text << tableFile.rdbuf();

    const ParsedTable parsed = ParseLayerTable(text.str());
    const LayerVerdict verdict = CheckIncludeLayers(root, parsed.table);
    std::size_t count = 0;
    for (const auto& problem : parsed.problems) {
        std::cout << tablePath.filename().string() << " " << problem << "\n";
        ++count;
    }
    for (const auto& problem : verdict.problems) {
        std::cout << problem << "\n";
        ++count;
    }
    if (count > 0) {
        std::cout << count << (count == 1 ? " include problem\n" : " include problems\n");
        return 1;
    }
    std::cout << "include layers hold (" << verdict.files << " files)\n";
    return 0;
}
