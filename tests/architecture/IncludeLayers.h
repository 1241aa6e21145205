#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quivane::architecture {

// Which folders each folder may include from, and which may use Qt Widgets.
struct LayerTable {
    std::map<std::string, std::set<std::string>> allowed;
    std::set<std::string> widgetFolders;
};

struct ParsedTable {
    LayerTable table;
    std::vector<std::string> problems;
};

// Reads "folder: allowed ..." lines; "widgets: folder ..." names the folders
// that may include Qt Widgets headers. A table that allows a cycle is
// reported here, before any source is read.
ParsedTable ParseLayerTable(const std::string& text);

struct LayerVerdict {
    std::vector<std::string> problems;
    int files = 0;
};

// Scans every .h and .cpp below root and reports each include that breaks
// the table, plus any cycle in the includes between folders.
LayerVerdict CheckIncludeLayers(const std::filesystem::path& root, const LayerTable& table);

}  // namespace quivane::architecture
