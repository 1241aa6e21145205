#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "IncludeLayers.h"

namespace quivane::architecture {
namespace {

namespace fs = std::filesystem;

using Files = std::map<std::string, std::string>;

const char* const kTable = R"(# a small layering: base and util at the bottom, top above all
base:
util:
mid: base util
top: mid base util   # only top may draw
widgets: top
)";

// A throw-away source root named "src", so that reports read as they do on
// the real tree.
class FakeTree {
public:
    explicit FakeTree(const Files& files)
    {
        const auto unique = std::to_string(std::random_device{}()) + std::to_string(std::random_device{}());
        base_ = fs::temp_directory_path() / ("quivane-include-layers-" + unique);
        root_ = base_ / "src";
        fs::create_directories(root_);
        for (const auto& [name, text] : files) {
            const fs::path path = root_ / name;
            fs::create_directories(path.parent_path());
            std::ofstream(path) << text;
        }
    }
    ~FakeTree() { fs::remove_all(base_); }
    FakeTree(const FakeTree&) = delete;
    FakeTree& operator=(const FakeTree&) = delete;

    const fs::path& root() const { return root_; }

private:
    fs::path base_;
    fs::path root_;
};

std::vector<std::string> Problems(const Files& files, const std::string& table)
{
    const FakeTree tree(files);
    const ParsedTable parsed = ParseLayerTable(table);
    EXPECT_EQ(parsed.problems, std::vector<std::string>{});
    return CheckIncludeLayers(tree.root(), parsed.table).problems;
}

std::string Listed(const std::vector<std::string>& problems)
{
    std::string text;
    for (const auto& problem : problems) text += "\n  " + problem;
    return text.empty() ? " (none)" : text;
}

// Each expected line must be found in a distinct reported problem, and there
// must be no others.
void ExpectProblems(const std::vector<std::string>& problems, const std::vector<std::string>& expected)
{
    EXPECT_EQ(problems.size(), expected.size()) << "reported:" << Listed(problems);
    for (const auto& wanted : expected) {
        bool found = false;
        for (const auto& problem : problems) found = found || problem.find(wanted) != std::string::npos;
        EXPECT_TRUE(found) << "missing \"" << wanted << "\"; reported:" << Listed(problems);
    }
}

const Files kCleanTree = {
    {"base/Pixel.h", "#pragma once\n#include <cstdint>\n"},
    {"base/Pixel.cpp", "#include \"base/Pixel.h\"\n"},
    {"util/Text.h", "#pragma once\n#include <string>\n"},
    {"mid/Blend.h", "#pragma once\n#include \"base/Pixel.h\"\n#include \"util/Text.h\"\n"},
    {"mid/Blend.cpp", "#include \"mid/Blend.h\"\n#include <QImage>\n"},
    {"top/Window.cpp", "#include <QWidget>\n#include <QtWidgets/QLineEdit>\n#include \"mid/Blend.h\"\n"},
};

Files With(Files files, const Files& changes)
{
    for (const auto& [name, text] : changes) files[name] = text;
    return files;
}

struct VerdictCase {
    std::string name;
    Files files;
    std::string table;
    std::vector<std::string> expected;
};

void PrintTo(const VerdictCase& param, std::ostream* out) { *out << param.name; }

class VerdictTest : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(VerdictTest, ReportsExactlyTheBrokenRules)
{
    const auto& param = GetParam();
    ExpectProblems(Problems(param.files, param.table), param.expected);
}

const char* const kTwoWayTable = "a: b\nb: a\n";

INSTANTIATE_TEST_SUITE_P(
    Trees, VerdictTest,
    ::testing::Values(
        VerdictCase{"CleanTree", kCleanTree, kTable, {}},
        VerdictCase{"WrongWayInclude",
                    With(kCleanTree, {{"util/Text.cpp", "#include \"util/Text.h\"\n#include \"base/Pixel.h\"\n"}}),
                    kTable,
                    {"src/util/Text.cpp includes base/Pixel.h: util may not include base"}},
        VerdictCase{"SpacedDirectiveStillCounts",
                    With(kCleanTree, {{"base/Other.cpp", "  #  include   \"util/Text.h\"\n"}}),
                    kTable,
                    {"src/base/Other.cpp includes util/Text.h: base may not include util"}},
        VerdictCase{"WrongWayIncludeClosingCycle",
                    With(kCleanTree, {{"base/Pixel.h", "#include \"mid/Blend.h\"\n"}}),
                    kTable,
                    {"src/base/Pixel.h includes mid/Blend.h: base may not include mid",
                     "includes between folders form a cycle: base -> mid -> base (src/base/Pixel.h includes "
                     "mid/Blend.h; src/mid/Blend.h includes base/Pixel.h)"}},
        VerdictCase{
            "TableAllowingBothWays",
            {{"a/A.h", "#include \"b/B.h\"\n"}, {"b/B.h", "#include \"a/A.h\"\n"}},
            kTwoWayTable,
            {"the layer table allows a cycle: a -> b -> a", "includes between folders form a cycle: a -> b -> a"}},
        VerdictCase{"TableListingFolderAsItsOwn", {{"a/A.h", ""}, {"a/A.cpp", "#include \"a/A.h\"\n"}}, "a: a\n", {}},
        VerdictCase{"TableCycleThroughThreeFolders",
                    {{"a/A.h", ""}, {"b/B.h", ""}, {"c/C.h", ""}},
                    "a: b\nb: c\nc: a\n",
                    {"the layer table allows a cycle: a -> b -> c -> a"}},
        VerdictCase{"UnknownFolder",
                    With(kCleanTree, {{"extra/Thing.h", ""}, {"mid/Uses.cpp", "#include \"extra/Thing.h\"\n"}}),
                    kTable,
                    {"src/extra is a folder the layer table does not list",
                     "src/mid/Uses.cpp includes extra/Thing.h: mid may not include extra"}},
        VerdictCase{"WidgetsOutsideWindow",
                    With(kCleanTree, {{"mid/Blend.cpp", "#include \"mid/Blend.h\"\n#include <QPushButton>\n"}}),
                    kTable,
                    {"src/mid/Blend.cpp includes <QPushButton>: only top may include Qt Widgets headers"}},
        VerdictCase{
            "SystemAndSameFolderHeaders",
            With(kCleanTree, {{"base/Other.cpp", "#include <vector>\n#include <QImage>\n#include \"base/Pixel.h\"\n"}}),
            kTable,
            {}},
        VerdictCase{"IncludesNamingNoFolder",
                    With(kCleanTree, {{"base/Other.cpp",
                                       "#include \"./Pixel.h\"\n#include \"Pixel.h\"\n"
                                       "#include \"gtest/gtest.h\"\n"
                                       "// #include \"top/Window.h\"\n"}}),
                    kTable,
                    {}},
        VerdictCase{"SubfolderBelongsToItsTopFolder",
                    With(kCleanTree, {{"base/detail/Deep.h", "#include \"util/Text.h\"\n"}}),
                    kTable,
                    {"src/base/detail/Deep.h includes util/Text.h: base may not include util"}},
        VerdictCase{"FileOutsideEveryFolder",
                    With(kCleanTree, {{"Loose.cpp", "#include \"top/Window.h\"\n#include <QDialog>\n"}}),
                    kTable,
                    {"src/Loose.cpp lies outside every folder",
                     "src/Loose.cpp includes <QDialog>: only top may include Qt Widgets headers"}}),
    [](const auto& info) { return info.param.name; });

struct HeaderCase {
    std::string header;
    bool widgets;
};

void PrintTo(const HeaderCase& param, std::ostream* out) { *out << "<" << param.header << ">"; }

class WidgetsHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(WidgetsHeaderTest, OnlyWidgetFoldersMayIncludeIt)
{
    const auto& [header, widgets] = GetParam();
    const std::string include = "#include <" + header + ">\n";
    const auto problems = Problems(With(kCleanTree, {{"mid/Uses.cpp", include}, {"top/Uses.cpp", include}}), kTable);
    if (widgets)
        ExpectProblems(problems, {"src/mid/Uses.cpp includes <" + header + ">"});
    else
        ExpectProblems(problems, {});
}

INSTANTIATE_TEST_SUITE_P(Headers, WidgetsHeaderTest,
                         ::testing::Values(HeaderCase{"QWidget", true}, HeaderCase{"QPushButton", true},
                                           HeaderCase{"QSpinBox", true}, HeaderCase{"QProgressBar", true},
                                           HeaderCase{"QApplication", true}, HeaderCase{"QGridLayout", true},
                                           HeaderCase{"QLabel", true}, HeaderCase{"QFrame", true},
                                           HeaderCase{"QDialog", true}, HeaderCase{"QFileDialog", true},
                                           HeaderCase{"QtWidgets/QLineEdit", true}, HeaderCase{"QtWidgets", true},
                                           HeaderCase{"QImage", false}, HeaderCase{"QPainter", false},
                                           HeaderCase{"QGuiApplication", false}, HeaderCase{"QCoreApplication", false},
                                           HeaderCase{"vector", false}));

struct TableCase {
    std::string text;
    std::vector<std::string> expected;
};

void PrintTo(const TableCase& param, std::ostream* out) { *out << "\"" << param.text << "\""; }

class TableTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(TableTest, ReportsMalformedLines)
{
    ExpectProblems(ParseLayerTable(GetParam().text).problems, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TableTest,
    ::testing::Values(TableCase{kTable, {}},
                      TableCase{"a: b\n", {"line 1: a may include b, which has no line of its own"}},
                      TableCase{"a:\n\n# again\na:\n", {"line 4: a is listed twice"}},
                      TableCase{"a:\nno colon here\n", {"line 2: expected \"folder: allowed-folder ...\""}},
                      TableCase{"a: b/c\nb:\n", {"line 1: \"b/c\" is not a folder name"}},
                      TableCase{"a:\nwidgets: window\n", {"line 2: widgets names window, which has no line"}},
                      TableCase{"a:\nwidgets: a\nwidgets: a\n", {"line 3: widgets is listed twice"}}));

TEST(LayerTable, AcceptsFoldersNamedBeforeTheirOwnLine)
{
    const auto parsed = ParseLayerTable("top: low # above\nlow:\nwidgets: top\n");
    EXPECT_EQ(parsed.problems, std::vector<std::string>{});
    EXPECT_EQ(parsed.table.allowed.at("top"), std::set<std::string>{"low"});
    EXPECT_EQ(parsed.table.allowed.at("low"), std::set<std::string>{});
    EXPECT_EQ(parsed.table.widgetFolders, std::set<std::string>{"top"});
}

TEST(IncludeLayers, CountsOnlySourcesAndNamesRootHoweverSpelled)
{
    const FakeTree tree(With(kCleanTree, {{"base/notes.txt", "#include \"top/Window.h\"\n"},
                                          {"base/Pixel.cpp", "#include \"util/Text.h\"\n"}}));
    const auto parsed = ParseLayerTable(kTable);
    const auto verdict = CheckIncludeLayers(tree.root() / ".", parsed.table);
    EXPECT_EQ(verdict.files, static_cast<int>(kCleanTree.size()));
    ExpectProblems(verdict.problems, {"src/base/Pixel.cpp includes util/Text.h"});
}

}  // namespace
}  // namespace quivane::architecture
