#include "IncludeLayers.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sstream>
#include <utility>

namespace quivane::architecture {
namespace {

namespace fs = std::filesystem;

using Graph = std::map<std::string, std::set<std::string>>;

const std::string kWidgetsKey = "widgets";

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

bool IsFolderName(const std::string& name)
{
    static const std::regex pattern("[A-Za-z0-9_][A-Za-z0-9_.-]*");
    return std::regex_match(name, pattern);
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string joined;
    for (const auto& part : parts) joined += (joined.empty() ? "" : separator) + part;
    return joined;
}

// Each back edge the search meets closes one cycle, returned as the folders
// along it with the first repeated at the end. Self edges are no cycle: a
// folder may always include its own headers.
std::vector<std::vector<std::string>> FindCycles(const Graph& graph)
{
    enum class Mark { Unseen, OnPath, Finished };
    std::map<std::string, Mark> marks;
    std::vector<std::string> path;
    std::vector<std::vector<std::string>> cycles;
    std::function<void(const std::string&)> visit = [&](const std::string& node) {
        marks[node] = Mark::OnPath;
        path.push_back(node);
        if (const auto edges = graph.find(node); edges != graph.end()) {
            for (const auto& next : edges->second) {
                if (next == node) continue;
                const Mark mark = marks[next];
                if (mark == Mark::OnPath) {
                    std::vector<std::string> cycle(std::find(path.begin(), path.end(), next), path.end());
                    cycle.push_back(next);
                    cycles.push_back(std::move(cycle));
                } else if (mark == Mark::Unseen) {
                    visit(next);
                }
            }
        }
        path.pop_back();
        marks[node] = Mark::Finished;
    };
    for (const auto& [node, edges] : graph)
        if (marks[node] == Mark::Unseen) visit(node);
    return cycles;
}

bool IsWidgetsHeader(const std::string& header)
{
    // The bare names (<QWidget>, <QLabel>, <QApplication>) count as much as
    // the longer ones, and the module header <QtWidgets> pulls in every
    // widget; the core and gui application classes need no widgets.
    static const std::regex pattern(
        "QtWidgets(/.*)?|Q([A-Z][A-Za-z]*)?(Widget|Box|Button|Bar|Slider|Label|Dialog|Application|Layout|Frame)");
    return std::regex_match(header, pattern) && header != "QCoreApplication" && header != "QGuiApplication";
}

struct Include {
    std::string header;
    bool quoted = false;
};

std::vector<Include> ReadIncludes(const fs::path& file)
{
    static const std::regex quoted(R"(^\s*#\s*include\s*"([^"]*)\")");
    static const std::regex angled(R"(^\s*#\s*include\s*<([^>]*)>)");
    std::vector<Include> includes;
    std::ifstream stream(file);
    for (std::string line; std::getline(stream, line);) {
        if (line.find("include") == std::string::npos) continue;
        std::smatch match;
        if (std::regex_search(line, match, quoted))
            includes.push_back({match[1], true});
        else if (std::regex_search(line, match, angled))
            includes.push_back({match[1], false});
    }
    return includes;
}

// The folder of root an include reaches into, or "" when it names none:
// "./x.h", "x.h" and "gtest/gtest.h" stay outside the layering.
std::string TargetFolder(const std::string& header, const std::set<std::string>& rootFolders)
{
    const auto slash = header.find('/');
    if (slash == std::string::npos) return "";
    const std::string first = header.substr(0, slash);
    return rootFolders.count(first) ? first : "";
}

}  // namespace

ParsedTable ParseLayerTable(const std::string& text)
{
    ParsedTable parsed;
    // Names are checked once every line is read, so lines may come in any order.
    struct Mention {
        int line;
        std::string folder;  // empty for the widgets line
        std::string name;
    };
    std::vector<Mention> mentions;
    bool widgetsSeen = false;

    std::istringstream stream(text);
    int number = 0;
    for (std::string line; std::getline(stream, line);) {
        ++number;
        const std::string where = "line " + std::to_string(number) + ": ";
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const auto colon = line.find(':');
        const std::string key = colon == std::string::npos ? "" : Trim(line.substr(0, colon));
        if (!IsFolderName(key)) {
            parsed.problems.push_back(where + "expected \"folder: allowed-folder ...\", got \"" + line + "\"");
            continue;
        }
        const auto names = Words(line.substr(colon + 1));
        bool badName = false;
        for (const auto& name : names) {
            if (IsFolderName(name)) continue;
            parsed.problems.push_back(where + "\"" + name + "\" is not a folder name");
            badName = true;
        }
        if (badName) continue;

        if (key == kWidgetsKey) {
            if (widgetsSeen) parsed.problems.push_back(where + "widgets is listed twice");
            widgetsSeen = true;
            for (const auto& name : names) {
                parsed.table.widgetFolders.insert(name);
                mentions.push_back({number, "", name});
            }
            continue;
        }
        if (parsed.table.allowed.count(key)) {
            parsed.problems.push_back(where + key + " is listed twice");
            continue;
        }
        auto& allowed = parsed.table.allowed[key];
        for (const auto& name : names) {
            allowed.insert(name);
            mentions.push_back({number, key, name});
        }
    }

    for (const auto& mention : mentions) {
        if (parsed.table.allowed.count(mention.name)) continue;
        const std::string claim =
            mention.folder.empty() ? "widgets names " + mention.name : mention.folder + " may include " + mention.name;
        parsed.problems.push_back("line " + std::to_string(mention.line) + ": " + claim +
                                  ", which has no line of its own");
    }
    return parsed;
}

LayerVerdict CheckIncludeLayers(const fs::path& root, const LayerTable& table)
{
    LayerVerdict verdict;
    for (const auto& cycle : FindCycles(table.allowed))
        verdict.problems.push_back("the layer table allows a cycle: " + Join(cycle, " -> "));

    // Paths are shown from root's own name on ("src/tone/Clahe.h"), however
    // root was spelled on the command line.
    const fs::path shownRoot = fs::canonical(root).filename();
    const auto shown = [&](const fs::path& relative) { return (shownRoot / relative).generic_string(); };

    std::set<std::string> rootFolders;
    std::vector<fs::path> files;
    for (auto entry = fs::recursive_directory_iterator(root); entry != fs::recursive_directory_iterator(); ++entry) {
        const fs::path relative = entry->path().lexically_relative(root);
        if (entry->is_directory()) {
            if (entry.depth() == 0) rootFolders.insert(relative.generic_string());
        } else if (entry->is_regular_file()) {
            const auto extension = entry->path().extension();
            if (extension == ".h" || extension == ".cpp") files.push_back(relative);
        }
    }
    std::sort(files.begin(), files.end());
    verdict.files = static_cast<int>(files.size());

    for (const auto& folder : rootFolders)
        if (!table.allowed.count(folder))
            verdict.problems.push_back(shown(folder) + " is a folder the layer table does not list");

    Graph includeGraph;
    std::map<std::pair<std::string, std::string>, std::string> firstInclude;
    const std::string widgetRule =
        table.widgetFolders.empty() ? "no folder may include Qt Widgets headers"
                                    : "only " + Join({table.widgetFolders.begin(), table.widgetFolders.end()}, ", ") +
                                          " may include Qt Widgets headers";
    for (const auto& file : files) {
        const bool loose = std::distance(file.begin(), file.end()) < 2;
        const std::string folder = loose ? "" : file.begin()->generic_string();
        if (loose) verdict.problems.push_back(shown(file) + " lies outside every folder, so no layer covers it");
        const auto allowed = table.allowed.find(folder);
        const bool mayUseWidgets = table.widgetFolders.count(folder) > 0;

        for (const auto& include : ReadIncludes(root / file)) {
            const std::string what =
                shown(file) + " includes " + (include.quoted ? "" : "<") + include.header + (include.quoted ? "" : ">");
            if (!include.quoted) {
                if (!mayUseWidgets && IsWidgetsHeader(include.header))
                    verdict.problems.push_back(what + ": " + widgetRule);
                continue;
            }
            const std::string target = TargetFolder(include.header, rootFolders);
            if (target.empty() || loose || target == folder) continue;
            includeGraph[folder].insert(target);
            firstInclude.try_emplace({folder, target}, what);
            // A folder missing from the table is reported once above, not for each include.
            if (allowed != table.allowed.end() && !allowed->second.count(target))
                verdict.problems.push_back(what + ": " + folder + " may not include " + target);
        }
    }

    for (const auto& cycle : FindCycles(includeGraph)) {
        std::vector<std::string> evidence;
        for (std::size_t i = 0; i + 1 < cycle.size(); ++i)
            evidence.push_back(firstInclude.at({cycle[i], cycle[i + 1]}));
        verdict.problems.push_back("includes between folders form a cycle: " + Join(cycle, " -> ") + " (" +
                                   Join(evidence, "; ") + ")");
    }
    return verdict;
}

}  // namespace quivane::architecture
