// Holds the batch program to results recorded from a build known to be right:
// the exit status, the written bitmap and stdout must stay the same to the
// byte for every command line in batch_cases.txt. A change that alters any
// of them on purpose is recorded again with scripts/record-batch-outputs.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCryptographicHash>

#include <array>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path CasesFile = fs::path(QUIVANE_GOLDEN) / "batch_cases.txt";
const fs::path OutputsFile = fs::path(QUIVANE_GOLDEN) / "batch_outputs.txt";
const fs::path TestData = QUIVANE_TESTDATA;

struct Case {
    std::string name;
    std::vector<std::string> arguments;  // placeholders not yet filled in
    std::string problem;                 // set when the table itself is at fault
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
    for (const std::string& a : c.arguments) *os << ' ' << a;
}

bool IsTestName(const std::string& name)
{
    if (name.empty()) return false;
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

// Runs while the tests are being registered, so it cannot fail a test
// itself; a broken table becomes one case that fails with the reason.
std::vector<Case> ReadCases()
{
    std::ifstream file(CasesFile);
    if (!file) return {Case{"CaseTableUnreadable", {}, "cannot read " + CasesFile.string()}};
    std::vector<Case> cases;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        std::istringstream words(line);
        Case c;
        if (!(words >> c.name) || c.name.front() == '#') continue;
        for (std::string word; words >> word;) c.arguments.push_back(word);
        if (!IsTestName(c.name)) {
            c.problem = CasesFile.string() + ":" + std::to_string(number) + ": the name \"" + c.name +
                        "\" may hold only letters, digits and underscores";
            c.name = "BadNameOnLine" + std::to_string(number);
        }
        cases.push_back(std::move(c));
    }
    if (cases.empty()) return {Case{"CaseTableEmpty", {}, CasesFile.string() + " holds no case"}};
    return cases;
}

struct Recorded {
    int status = 0;
    std::string outputHash;  // "-" when nothing was written
    std::string stdoutHash;
};

struct Recording {
    std::map<std::string, Recorded> byName;
    std::vector<std::string> order;
    std::string problem;
};

Recording ReadRecording()
{
    Recording recording;
    std::ifstream file(OutputsFile);
    if (!file) {
        recording.problem = "cannot read " + OutputsFile.string();
        return recording;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (line.empty() || line.front() == '#') continue;
        std::istringstream words(line);
        std::string name, rest;
        Recorded r;
        if (!(words >> name >> r.status >> r.outputHash >> r.stdoutHash) || (words >> rest)) {
            recording.problem = OutputsFile.string() + ":" + std::to_string(number) + ": malformed line \"" + line + "\"";
            return recording;
        }
        if (!recording.byName.emplace(name, r).second) {
            recording.problem = OutputsFile.string() + ":" + std::to_string(number) + ": " + name + " recorded twice";
            return recording;
        }
        recording.order.push_back(name);
    }
    return recording;
}

std::string Sha256(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

std::string ReadWholeFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

struct Outcome {
    int status;  // as a shell reports it: 128 + the signal for a killed program
    std::string out;
    std::string err;
};

// Runs the program in the samples folder, as the recording script does, with
// stdout captured and stderr kept for the failure message.
Outcome RunBatch(const std::vector<std::string>& arguments, const fs::path& errorFile)
{
    std::vector<std::string> words = {QUIVANE_BATCH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    std::array<int, 2> pipeEnds{};
    if (::pipe(pipeEnds.data()) != 0) return {-1, "", "pipe() failed"};
    const pid_t child = ::fork();
    if (child < 0) return {-1, "", "fork() failed"};
    if (child == 0) {
        const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err < 0 || ::chdir(QUIVANE_SAMPLES) != 0) ::_exit(126);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::close(err);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    Outcome outcome{-1, "", ""};
    std::array<char, 4096> buffer{};
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer.data(), buffer.size())) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        outcome.out.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int raw = 0;
    while (::waitpid(child, &raw, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(raw)) outcome.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) outcome.status = 128 + WTERMSIG(raw);
    outcome.err = ReadWholeFile(errorFile);
    return outcome;
}

// A fresh folder for one case's output and the files its arguments refer to.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
        : path_(fs::temp_directory_path() / ("quivane_golden_" + std::to_string(::getpid()) + "_" + name))
    {
        fs::remove_all(path_);
        fs::create_directories(path_);
        // The recording script writes the same lookup table, too short to be accepted.
        std::ofstream lut(path_ / "short.lut", std::ios::binary);
        lut << std::string(100, '\0');
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return path_; }
    fs::path output() const { return path_ / "out.bmp"; }

private:
    fs::path path_;
};

class BatchGolden : public testing::TestWithParam<Case> {};

TEST_P(BatchGolden, MatchesTheRecording)
{
    const Case& c = GetParam();
    ASSERT_TRUE(c.problem.empty()) << c.problem;
    const Recording recording = ReadRecording();
    ASSERT_TRUE(recording.problem.empty()) << recording.problem;
    const auto found = recording.byName.find(c.name);
    ASSERT_TRUE(found != recording.byName.end())
        << c.name << " has no line in " << OutputsFile.string() << "; record it with scripts/record-batch-outputs";
    const Recorded& expected = found->second;

    const ScratchFolder scratch(c.name);
    std::vector<std::string> arguments;
    for (const std::string& word : c.arguments) {
        if (word.find("@DATA@") != std::string::npos) {
            const fs::path file = Replace(word, "@DATA@", TestData.string());
            ASSERT_TRUE(fs::exists(file)) << c.name << " needs " << file.string()
                                          << " from the shared test material beside the clone, which is missing";
        }
        std::string filled = Replace(word, "@OUT@", scratch.output().string());
        filled = Replace(filled, "@TMP@", scratch.path().string());
        arguments.push_back(Replace(filled, "@DATA@", TestData.string()));
    }

    const Outcome run = RunBatch(arguments, scratch.path() / "stderr.txt");
    const std::string outputHash = fs::exists(scratch.output()) ? Sha256(ReadWholeFile(scratch.output())) : "-";

    std::string command = QUIVANE_BATCH;
    for (const std::string& a : arguments) command += " " + a;
    const std::string context = "in " + std::string(QUIVANE_SAMPLES) + ": " + command + "\nstderr:\n" + run.err;
    EXPECT_EQ(run.status, expected.status) << context;
    EXPECT_EQ(outputHash, expected.outputHash) << "the output bitmap differs\n" << context;
    EXPECT_EQ(Sha256(run.out), expected.stdoutHash) << "stdout differs; it was:\n" << run.out << context;
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchGolden, testing::ValuesIn(ReadCases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// A recorded line without its case guards nothing and hides a renamed case.
TEST(BatchGoldenTable, RecordingListsExactlyTheCases)
{
    const Recording recording = ReadRecording();
    ASSERT_TRUE(recording.problem.empty()) << recording.problem;
    std::set<std::string> unrecorded;
    for (const Case& c : ReadCases()) unrecorded.insert(c.name);
    std::string stale;
    for (const std::string& name : recording.order)
        if (unrecorded.erase(name) == 0) stale += " " + name;
    std::string missing;
    for (const std::string& name : unrecorded) missing += " " + name;
    EXPECT_EQ(stale, "") << "recorded, but no such case";
    EXPECT_EQ(missing, "") << "cases without a recording";
}

}  // namespace
