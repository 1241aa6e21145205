#include "acquire/BmpReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "output/BmpWriter.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

const fs::path Suite = fs::path(QUIVANE_TESTDATA) / "bmpsuite";

// Reads a binary PPM (P6, top row first) as a 24-bit bitmap.
Bitmap24 ReadPpm(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    Bitmap24 bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char rgb[3];
            in.read(rgb, 3);
            bitmap.at(x, y) = ColourPixel{static_cast<std::uint8_t>(rgb[2]), static_cast<std::uint8_t>(rgb[1]),
                                          static_cast<std::uint8_t>(rgb[0])};
        }
    return bitmap;
}

int LargestDifference(const Bitmap24& a, const Bitmap24& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
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
        // Pixels the file leaves undefined read as palette entry 0.
        {"q/pal4rlecut.bmp", "pal4rlecut-0", 0},
        {"q/pal4rletrns.bmp", "pal4rletrns-0", 0},
        {"q/pal8rlecut.bmp", "pal8rlecut-0", 0},
        {"q/pal8rletrns.bmp", "pal8rletrns-0", 0},
        {"q/rgb16-231.bmp", "rgb16-231", 0},
        {"q/rgb16-3103.bmp", "rgb16-3103", 0},
        {"q/rgb32-111110.bmp", "rgb24", 1},
        {"q/rgb32-7187.bmp", "rgb32-7187", 0},
        {"q/rgb32-xbgr.bmp", "rgb24", 0},
        {"q/rgb32fakealpha.bmp", "rgb24", 0},
    };
    for (const Case& c : cases) {
        const auto read = ReadBmp((Suite / c.file).string());
        ASSERT_TRUE(std::holds_alternative<Bitmap24>(read)) << c.file << ": " << std::get<ReadFailure>(read).message;
        const Bitmap24& frame = std::get<Bitmap24>(read);
        const Bitmap24 reference = ReadPpm(Suite / "ref24" / (std::string(c.reference) + ".ppm"));
        ASSERT_EQ(frame.width(), reference.width()) << c.file;
        ASSERT_EQ(frame.height(), reference.height()) << c.file;
        EXPECT_LE(LargestDifference(frame, reference), c.tolerance) << c.file;
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

TEST(BmpReader, MissingFileAndOtherFormatsAreRefused)
{
    const auto missing = ReadBmp("/nonexistent/frame.bmp");
    ASSERT_TRUE(std::holds_alternative<ReadFailure>(missing));
    EXPECT_NE(std::get<ReadFailure>(missing).message.find("/nonexistent/frame.bmp"), std::string::npos);

    const fs::path text = fs::temp_directory_path() / ("quivane_not_a_bitmap_" + std::to_string(::getpid()) + ".bmp");
    std::ofstream(text) << "just some text, not a picture";
    EXPECT_TRUE(std::holds_alternative<ReadFailure>(ReadBmp(text.string())));
    fs::remove(text);
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
