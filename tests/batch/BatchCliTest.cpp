#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string output;
};

// Runs the command-line program with stderr folded into the captured output.
Outcome RunBatchCommand(const std::string& arguments, const std::string& folder = ".")
{
    const std::string command = "cd " + folder + " && " + std::string(QUIVANE_BATCH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> buffer;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
    const int raw = pclose(pipe);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, output};
}

TEST(BatchCli, ExitStatusTellsWrittenRefusedAndBadArguments)
{
    const fs::path pictures = fs::path(QUIVANE_SAMPLES) / "Pictures";
    const fs::path output = fs::temp_directory_path() / ("quivane_cli_" + std::to_string(::getpid()) + ".bmp");
    const std::string bmp = "--bmp " + (pictures / "PLANET_0001.BMP").string() + " " +
                            (pictures / "PLANET_0004.BMP").string();

    EXPECT_EQ(RunBatchCommand("--help").status, 0);
    const Outcome unknown = RunBatchCommand(bmp + " --output " + output.string() + " --warp 9");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.output.find("unknown option --warp"), std::string::npos);

    const Outcome written = RunBatchCommand(bmp + " --output " + output.string() + " --align auto --print-offsets");
    EXPECT_EQ(written.status, 0) << written.output;
    EXPECT_TRUE(fs::exists(output));
    EXPECT_EQ(written.output.rfind("1 0 0 2\n", 0), 0u) << "offsets go to stdout, one line per picture; progress stays off";

    const Outcome missing = RunBatchCommand("--bmp /nonexistent/A_01.BMP /nonexistent/A_02.BMP --output " + output.string());
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("/nonexistent/A_01.BMP"), std::string::npos);

    const Outcome unwritable = RunBatchCommand(bmp + " --output /nonexistent/folder/out.bmp");
    EXPECT_EQ(unwritable.status, 1);
    fs::remove(output);
}

TEST(BatchCli, BareNamesAreFoundInTheFolderTheCommandRunsIn)
{
    const fs::path pictures = fs::path(QUIVANE_SAMPLES) / "Pictures";
    const fs::path output = fs::temp_directory_path() / ("quivane_cli_bare_" + std::to_string(::getpid()) + ".bmp");
    const Outcome o = RunBatchCommand("--bmp PLANET_0001.BMP PLANET_0004.BMP --output " + output.string(),
                                      pictures.string());
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_TRUE(fs::exists(output));
    fs::remove(output);
}

TEST(BatchCli, HelpAnywhereAndAFifoAsInputNeverBlocks)
{
    const Outcome help = RunBatchCommand("--width 64 --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: quivane-batch", 0), 0u);

    const fs::path fifo = fs::temp_directory_path() / ("quivane_cli_fifo_" + std::to_string(::getpid()));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Nobody writes to the FIFO: a program that opened it for reading would hang here.
    const fs::path pictures = fs::path(QUIVANE_SAMPLES) / "Pictures";
    const std::string bmp = "--bmp " + (pictures / "PLANET_0001.BMP").string() + " " +
                            (pictures / "PLANET_0004.BMP").string();
    for (const std::string& option : {"--avi " + fifo.string(), bmp + " --lut " + fifo.string()}) {
        const Outcome refused = RunBatchCommand(option + " --output /tmp/never.bmp");
        EXPECT_EQ(refused.status, 2) << option << "\n" << refused.output;
        EXPECT_NE(refused.output.find("not a regular file"), std::string::npos) << refused.output;
    }
    fs::remove(fifo);
}

// --print-quality writes "N score mark reason" lines to stdout and nothing
// else there; --keep marks from the ranking; help names both.
TEST(BatchCli, KeepAndPrintQuality)
{
    const fs::path pictures = fs::path(QUIVANE_SAMPLES) / "Pictures";
    const fs::path output = fs::temp_directory_path() / ("quivane_cli_keep_" + std::to_string(::getpid()) + ".bmp");
    const std::string bmp = "--bmp " + (pictures / "PLANET_0001.BMP").string() + " " +
                            (pictures / "PLANET_0008.BMP").string() + " --output " + output.string();

    const Outcome help = RunBatchCommand("--help");
    EXPECT_NE(help.output.find("--keep P% or --keep N"), std::string::npos);
    EXPECT_NE(help.output.find("--print-quality"), std::string::npos);

    const Outcome kept = RunBatchCommand(bmp + " --keep 50% --print-quality");
    ASSERT_EQ(kept.status, 0) << kept.output;
    std::istringstream lines(kept.output);
    int count = 0, good = 0, avg = 0, dont = 0;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        int n = 0;
        std::string score, mark, reason, more;
        ASSERT_TRUE(words >> n >> score >> mark >> reason) << line;
        EXPECT_FALSE(words >> more) << line;
        EXPECT_EQ(n, ++count);
        EXPECT_GT(std::stod(score), 0.0) << line;
        EXPECT_EQ(reason, "-") << line;
        good += mark == "good";
        avg += mark == "avg";
        dont += mark == "dont";
    }
    EXPECT_EQ(count, 8);
    EXPECT_EQ(good, 1);
    EXPECT_EQ(avg, 3);
    EXPECT_EQ(dont, 4);

    const Outcome refused = RunBatchCommand(bmp + " --keep 120%");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.output.find("--keep 120%: expected P% (0..100) or a count N (0 and up)"), std::string::npos);
    fs::remove(output);
}

}  // namespace
