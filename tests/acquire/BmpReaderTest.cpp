#include "acquire/BmpReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "acquire/BmpDecoder.h"
#include "files/FileBytes.h"
#include "output/BmpWriter.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

const fs::path Suite = fs::path(QUIVANE_TESTDATA) / "bmpsuite";

// Reads a binary PPM (P6, top row first) as a 24-bit bitmap, or a PGM (P5)
// as one whose three channels are the grey level.
Bitmap24 ReadPpm(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    const bool grey = magic == "P5";
    Bitmap24 bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char rgb[3];
            in.read(rgb, grey ? 1 : 3);
            if (grey) rgb[1] = rgb[2] = rgb[0];
            bitmap.at(x, y) = ColourPixel{static_cast<std::uint8_t>(rgb[2]), static_cast<std::uint8_t>(rgb[1]),
                                          static_cast<std::uint8_t>(rgb[0])};
        }
    return bitmap;
}

// Pixels whose reference alpha is below 255 are left out: their colour is
// whatever the reference renderer blended.
int LargestDifference(const Bitmap24& a, const Bitmap24& b, const Bitmap24* alpha = nullptr)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (alpha && alpha->at(x, y).green != 255) continue;
            const ColourPixel p = a.at(x, y), q = b.at(x, y);
            worst = std::max({worst, std::abs(p.blue - q.blue), std::abs(p.green - q.green), std::abs(p.red - q.red)});
        }
    return worst;
}

class BmpReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Suite)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << Suite;
    }
};

TEST_F(BmpReaderTest, GoodFilesDecodeLikeTheirReferences)
{
    struct Case {
        const char* file;
        const char* reference;
        int tolerance;
    };
    const Case cases[] = {
        {"g/pal1.bmp", "pal1", 0},
        {"g/pal1wb.bmp", "pal1", 0},
        {"g/pal4.bmp", "pal4", 0},
        {"g/pal4rle.bmp", "pal4", 0},
        {"g/pal8.bmp", "pal8", 0},
        {"g/pal8-0.bmp", "pal8", 0},
        {"g/pal8os2.bmp", "pal8", 0},
        {"g/pal8rle.bmp", "pal8", 0},
        {"g/pal8topdown.bmp", "pal8", 0},
        {"g/pal8v4.bmp", "pal8", 0},
        {"g/pal8v5.bmp", "pal8", 0},
        {"g/pal8w125.bmp", "pal8w125", 0},
        {"g/rgb16-565.bmp", "rgb16-565", 1},
        {"g/rgb16-565pal.bmp", "rgb16-565", 1},
        {"g/rgb16.bmp", "rgb16", 1},
        {"g/rgb16bfdef.bmp", "rgb16", 1},
        {"g/rgb24.bmp", "rgb24", 0},
        {"g/rgb24pal.bmp", "rgb24", 0},
        {"g/rgb32.bmp", "rgb24", 0},
        {"g/rgb32bf.bmp", "rgb24", 0},
        {"q/pal1p1.bmp", "pal1p1", 0},
        {"q/pal2.bmp", "pal2", 0},
        {"q/pal8os2sp.bmp", "pal8", 0},
        {"q/pal8os2v2.bmp", "pal8", 0},
        {"q/pal8os2v2-16.bmp", "pal8", 0},
        {"q/pal8oversizepal.bmp", "pal8", 0},
        // Pixels the runs leave undefined are palette entry 0 (the -0 references).
        {"q/pal4rlecut.bmp", "pal4rlecut-0", 0},
        {"q/pal4rletrns.bmp", "pal4rletrns-0", 0},
        {"q/pal8rlecut.bmp", "pal8rlecut-0", 0},
        {"q/pal8rletrns.bmp", "pal8rletrns-0", 0},
        {"q/rgb16-231.bmp", "rgb16-231", 0},
        {"q/rgb16-3103.bmp", "rgb16-3103", 0},
        {"q/rgb32-111110.bmp", "rgb24", 1},
        {"q/rgb32-7187.bmp", "rgb32-7187", 0},
        {"q/rgb32-xbgr.bmp", "rgb24", 0},
        {"q/rgb16faketrns.bmp", "rgb16", 1},
        {"q/rgb32fakealpha.bmp", "rgb24", 0},
        {"q/rgb32h52.bmp", "rgb24", 0},
        {"q/rgba16-5551.bmp", "rgba16-5551", 0},
        {"q/rgba32-1010102.bmp", "rgba32-1010102", 0},
        {"q/rgba32abf.bmp", "rgba32", 0},
        {"b/rgb16-880.bmp", "rgb16-880", 0},
    };
    for (const Case& c : cases) {
        const auto read = ReadBmp((Suite / c.file).string());
        ASSERT_TRUE(std::holds_alternative<Bitmap24>(read)) << c.file << ": " << std::get<ReadFailure>(read).message;
        const Bitmap24& frame = std::get<Bitmap24>(read);
        const Bitmap24 reference = ReadPpm(Suite / "ref24" / (std::string(c.reference) + ".ppm"));
        const fs::path alphaFile = Suite / "ref24" / (std::string(c.reference) + ".alpha.pgm");
        const Bitmap24 alpha = fs::exists(alphaFile) ? ReadPpm(alphaFile) : Bitmap24();
        ASSERT_EQ(frame.width(), reference.width()) << c.file;
        ASSERT_EQ(frame.height(), reference.height()) << c.file;
        EXPECT_LE(LargestDifference(frame, reference, alpha.empty() ? nullptr : &alpha), c.tolerance) << c.file;
    }
}

TEST_F(BmpReaderTest, EveryGoodFileDecodes)
{
    for (const auto& entry : fs::directory_iterator(Suite / "g")) {
        const auto read = ReadBmp(entry.path().string());
        EXPECT_TRUE(std::holds_alternative<Bitmap24>(read)) << entry.path();
    }
}

TEST_F(BmpReaderTest, BadAndQuestionableFilesAreReadOrRefusedWithTheirName)
{
    for (const char* folder : {"b", "q", "x"}) {
        for (const auto& entry : fs::directory_iterator(Suite / folder)) {
            const auto read = ReadBmp(entry.path().string());
            if (const auto* failure = std::get_if<ReadFailure>(&read)) {
                EXPECT_NE(failure->message.find(entry.path().string()), std::string::npos) << failure->message;
            } else {
                const Bitmap24& frame = std::get<Bitmap24>(read);
                EXPECT_GT(frame.width(), 0);
                EXPECT_LE(frame.width(), MaxFrameSide);
            }
        }
    }
}

// The suite's own list says, file by file, what a robust reader must do:
// DECODE and REFUSE rows are binding, rows offering a choice accept either.
TEST_F(BmpReaderTest, EveryFileOfTheSuiteGetsItsExpectedAction)
{
    std::ifstream list(Suite / "EXPECTED.md");
    std::map<char, int> rowsByFolder;
    for (std::string line; std::getline(list, line);) {
        if (line.rfind("| `", 0) != 0) continue;
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1));
        for (std::string cell; std::getline(row, cell, '|');) cells.push_back(cell);
        ASSERT_GE(cells.size(), 7u) << line;
        const std::string file = cells[0].substr(cells[0].find('`') + 1, cells[0].rfind('`') - cells[0].find('`') - 1);
        const std::string action = cells[6];
        ++rowsByFolder[file[0]];
        const auto read = ReadBmp((Suite / file).string());
        if (action == " **DECODE** ") {
            EXPECT_TRUE(std::holds_alternative<Bitmap24>(read)) << file;
        } else if (action == " **REFUSE** ") {
            EXPECT_TRUE(std::holds_alternative<ReadFailure>(read)) << file;
        }
    }
    EXPECT_EQ(rowsByFolder, (std::map<char, int>{{'g', 27}, {'q', 43}, {'b', 20}, {'x', 1}}));
}

TEST_F(BmpReaderTest, HugeDeclaredSizeIsRefusedBeforeDecoding)
{
    const auto read = ReadBmp((Suite / "b" / "reallybig.bmp").string());
    ASSERT_TRUE(std::holds_alternative<ReadFailure>(read));
}

TEST_F(BmpReaderTest, TruncatedMaskedBitmapIsRefusedWithItsName)
{
    const fs::path cut = fs::temp_directory_path() / ("quivane_cut_" + std::to_string(::getpid()) + ".bmp");
    fs::copy_file(Suite / "g" / "rgb16.bmp", cut, fs::copy_options::overwrite_existing);
    fs::resize_file(cut, fs::file_size(cut) - 100);
    const auto read = ReadBmp(cut.string());
    fs::remove(cut);
    ASSERT_TRUE(std::holds_alternative<ReadFailure>(read));
    EXPECT_NE(std::get<ReadFailure>(read).message.find(cut.string()), std::string::npos);
}

// What a read gives, as the frame or the problem without the file's name.
std::string Outcome(const std::variant<Bitmap24, ReadFailure>& read, const std::string& path)
{
    if (const auto* failure = std::get_if<ReadFailure>(&read)) {
        const std::string prefix = "Cannot read the bitmap \"" + path + "\": ";
        return failure->message.rfind(prefix, 0) == 0 ? failure->message.substr(prefix.size()) : failure->message;
    }
    const Bitmap24& frame = std::get<Bitmap24>(read);
    std::string bytes(reinterpret_cast<const char*>(frame.row(0)), sizeof(ColourPixel) * frame.width() * frame.height());
    return std::to_string(frame.width()) + "x" + std::to_string(frame.height()) + ":" + bytes;
}

std::string DecodedOutcome(const fs::path& path)
{
    const auto bytes = std::get<std::vector<std::uint8_t>>(ReadFileBytes(path.string(), 1u << 30));
    auto decoded = DecodeBmp(bytes.data(), bytes.size(), MaxFrameSide);
    if (auto* problem = std::get_if<std::string>(&decoded)) return *problem;
    return Outcome(std::get<Bitmap24>(decoded), path.string());
}

// Plain 24-bit files are read from the file straight into the frame's rows;
// every file must still come out as decoding its bytes in memory does, frame
// or refusal alike.
TEST_F(BmpReaderTest, ReadingFromTheFileGivesWhatDecodingItsBytesGives)
{
    for (const char* folder : {"g", "q", "b", "x"}) {
        for (const auto& entry : fs::directory_iterator(Suite / folder)) {
            EXPECT_EQ(Outcome(ReadBmp(entry.path().string()), entry.path().string()), DecodedOutcome(entry.path()))
                << entry.path();
        }
    }
}

// One storage reads a series' files one after another, whatever their
// kinds and sizes: every file's rows are the bitmap it holds, and a plain
// file's rows stay as read while the storage is not used again.
TEST_F(BmpReaderTest, OneStorageReadsFilesOfEveryKindAndSizeInTurn)
{
    BmpStorage storage;
    const fs::path files[] = {Suite / "g" / "rgb24.bmp",         Suite / "g" / "pal8.bmp",
                              Suite / "q" / "rgb24largepal.bmp", Suite / "g" / "rgb24.bmp",
                              Suite / "g" / "pal8topdown.bmp",   Suite / "q" / "rgb24rle24.bmp",
                              Suite / "g" / "pal8gs.bmp"};
    for (const fs::path& path : files) {
        const auto expected = ReadBmp(path.string());
        const auto opened = ReadableFile::Open(path.c_str());
        ASSERT_TRUE(std::holds_alternative<ReadableFile>(opened)) << path;
        const auto rows = ReadBmpRows(std::get<ReadableFile>(opened), path.string(), storage);
        if (const auto* failure = std::get_if<ReadFailure>(&expected)) {
            ASSERT_TRUE(std::holds_alternative<ReadFailure>(rows)) << path;
            EXPECT_EQ(std::get<ReadFailure>(rows).message, failure->message);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<ColourRows>(rows)) << path;
        EXPECT_EQ(std::get<ColourRows>(rows).copy(), std::get<Bitmap24>(expected)) << path;
    }
}

TEST(BmpReader, PlainFilesOfEveryRowPaddingBothWaysUpAndCutShortReadAsDecoded)
{
    const fs::path path = fs::temp_directory_path() / ("quivane_plain_" + std::to_string(::getpid()) + ".bmp");
    for (int width = 60; width <= 64; ++width) {
        Bitmap24 picture(width, 9);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < width; ++x)
                picture.at(x, y) = ColourPixel{std::uint8_t(x), std::uint8_t(y), std::uint8_t(x * y)};
        ASSERT_FALSE(WriteBmp(picture, path.string()));
        const auto read = ReadBmp(path.string());
        ASSERT_TRUE(std::holds_alternative<Bitmap24>(read)) << width;
        EXPECT_EQ(std::get<Bitmap24>(read), picture) << width;

        // The same rows stored top row first, marked by a negative height.
        auto bytes = std::get<std::vector<std::uint8_t>>(ReadFileBytes(path.string(), 1u << 20));
        const std::size_t stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4, start = bytes[10];
        std::vector<std::uint8_t> flipped(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(start));
        for (int r = 8; r >= 0; --r) {
            const auto row = bytes.begin() + static_cast<std::ptrdiff_t>(start + stride * static_cast<std::size_t>(r));
            flipped.insert(flipped.end(), row, row + static_cast<std::ptrdiff_t>(stride));
        }
        const std::int32_t topDown = -9;
        std::memcpy(flipped.data() + 22, &topDown, 4);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(flipped.data()),
                                                    static_cast<std::streamsize>(flipped.size()));
        const auto readTopDown = ReadBmp(path.string());
        ASSERT_TRUE(std::holds_alternative<Bitmap24>(readTopDown)) << width;
        EXPECT_EQ(std::get<Bitmap24>(readTopDown), picture) << width;

        // A file one byte short of its pixels is refused as the decoder refuses it.
        fs::resize_file(path, flipped.size() - 1);
        EXPECT_EQ(Outcome(ReadBmp(path.string()), path.string()), DecodedOutcome(path)) << width;
        EXPECT_EQ(DecodedOutcome(path), "the file is shorter than its pixels");
    }
    fs::remove(path);
}

// An 8-bit file with the grey ramp for palette, as a mono camera's capture
// program writes it: a byte a pixel, rows padded to four bytes.
std::vector<std::uint8_t> GreyRampFile(int width, int height, bool topDown)
{
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4, offset = 14 + 40 + 1024;
    std::vector<std::uint8_t> file(offset + stride * static_cast<std::size_t>(height));
    const auto put = [&](std::size_t at, std::uint32_t value) { std::memcpy(file.data() + at, &value, 4); };
    file[0] = 'B', file[1] = 'M';
    put(2, static_cast<std::uint32_t>(file.size())), put(10, static_cast<std::uint32_t>(offset)), put(14, 40);
    put(18, static_cast<std::uint32_t>(width)), put(22, static_cast<std::uint32_t>(topDown ? -height : height));
    put(26, 1 | 8 << 16);
    for (std::uint32_t i = 0; i < 256; ++i) put(54 + 4 * i, i * 0x010101u);
    for (std::size_t i = offset; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7 % 251);
    return file;
}

// Its rows are read where they lie, each byte the grey that decoding gives,
// whatever the padding and either way up; one storage serves colour files
// and grey ones in turn. The seeing series is such a series.
TEST(BmpReader, GreyRampFilesReadAsGreyRowsOfTheGreysDecodingGives)
{
    const fs::path path = fs::temp_directory_path() / ("quivane_grey_" + std::to_string(::getpid()) + ".bmp");
    BmpStorage storage;
    for (int width = 60; width <= 64; ++width)
        for (bool topDown : {false, true}) {
            const std::vector<std::uint8_t> bytes = GreyRampFile(width, 9, topDown);
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            const auto decoded = DecodeBmp(bytes.data(), bytes.size(), MaxFrameSide);
            ASSERT_TRUE(std::holds_alternative<Bitmap24>(decoded));
            const auto opened = ReadableFile::Open(path.c_str());
            ASSERT_TRUE(std::holds_alternative<ReadableFile>(opened));
            const auto rows = ReadBmpRows(std::get<ReadableFile>(opened), path.string(), storage);
            ASSERT_TRUE(std::holds_alternative<GreyRows>(rows)) << width << " " << topDown;
            EXPECT_EQ(GreyAsColour(std::get<GreyRows>(rows)), std::get<Bitmap24>(decoded)) << width << " " << topDown;
            const auto read = ReadBmp(path.string());
            ASSERT_TRUE(std::holds_alternative<Bitmap24>(read));
            EXPECT_EQ(std::get<Bitmap24>(read), std::get<Bitmap24>(decoded));

            Bitmap24 colour(width, 9);
            colour.at(width - 1, 8) = ColourPixel{1, 2, 3};
            ASSERT_FALSE(WriteBmp(colour, path.string()));
            const auto reopened = ReadableFile::Open(path.c_str());
            const auto colourRows = ReadBmpRows(std::get<ReadableFile>(reopened), path.string(), storage);
            ASSERT_TRUE(std::holds_alternative<ColourRows>(colourRows));
            EXPECT_EQ(std::get<ColourRows>(colourRows).copy(), colour);
        }
    fs::remove(path);

    const fs::path seeing = fs::path(QUIVANE_TESTDATA) / "captures" / "seeing" / "MARS_0001.BMP";
    const auto opened = ReadableFile::Open(seeing.c_str());
    ASSERT_TRUE(std::holds_alternative<ReadableFile>(opened)) << "test material missing: " << seeing;
    EXPECT_TRUE(std::holds_alternative<GreyRows>(ReadBmpRows(std::get<ReadableFile>(opened), seeing.string(), storage)));
}

TEST(BmpReader, MissingFileAndOtherFormatsAreRefused)
{
    const auto missing = ReadBmp("/nonexistent/frame.bmp");
    ASSERT_TRUE(std::holds_alternative<ReadFailure>(missing));
    EXPECT_NE(std::get<ReadFailure>(missing).message.find("/nonexistent/frame.bmp"), std::string::npos);

    const fs::path text = fs::temp_directory_path() / ("quivane_not_a_bitmap_" + std::to_string(::getpid()) + ".bmp");
    std::ofstream(text) << "just some text, not a picture";
    EXPECT_TRUE(std::holds_alternative<ReadFailure>(ReadBmp(text.string())));
    fs::remove(text);

    EXPECT_TRUE(std::holds_alternative<ReadFailure>(ReadBmp(fs::temp_directory_path().string())));
}

TEST(BmpReader, ReadsBackWhatTheWriterWrote)
{
    Bitmap24 picture(3, 2);
    picture.at(0, 0) = ColourPixel{1, 2, 3};
    picture.at(2, 1) = ColourPixel{200, 100, 50};
    const fs::path path = fs::temp_directory_path() / ("quivane_roundtrip_" + std::to_string(::getpid()) + ".bmp");
    ASSERT_FALSE(WriteBmp(picture, path.string()));
    const auto read = ReadBmp(path.string());
    fs::remove(path);
    ASSERT_TRUE(std::holds_alternative<Bitmap24>(read));
    EXPECT_EQ(std::get<Bitmap24>(read), picture);
}

}  // namespace
}  // namespace quivane
