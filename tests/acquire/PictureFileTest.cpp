#include "acquire/PictureFile.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fitsio.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

#include "image/DeepConversion.h"
#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
const fs::path TestData = fs::path(QUIVANE_TESTDATA);

std::string MessageOf(const std::variant<DeepFrame, ReadFailure>& read)
{
    const auto* failure = std::get_if<ReadFailure>(&read);
    return failure ? failure->message : "";
}

DeepFrame ReadGood(const std::string& path)
{
    auto read = ReadPictureFile(path);
    if (auto* frame = std::get_if<DeepFrame>(&read)) return std::move(*frame);
    ADD_FAILURE() << MessageOf(read);
    return {};
}

std::string BytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct Keyword {
    const char* name;
    const char* text;  // or, when null, the number
    double number;
};
const Keyword TopDown{"ROWORDER", "TOP-DOWN", 0};

// The stored values as given, in stored order.
void WriteFits(const std::string& path, int bitpix, std::vector<long> axes, std::vector<double> stored,
               std::vector<Keyword> keywords)
{
    fs::remove(path);
    fitsfile* file = nullptr;
    int status = 0;
    fits_create_diskfile(&file, path.c_str(), &status);
    fits_create_img(file, bitpix, static_cast<int>(axes.size()), axes.data(), &status);
    for (Keyword& k : keywords) {
        if (k.text) fits_update_key(file, TSTRING, k.name, const_cast<char*>(k.text), nullptr, &status);
        else fits_update_key(file, TDOUBLE, k.name, &k.number, nullptr, &status);
    }
    fits_set_bscale(file, 1, 0, &status);
    fits_write_img(file, TDOUBLE, 1, static_cast<LONGLONG>(stored.size()), stored.data(), &status);
    fits_close_file(file, &status);
    ASSERT_EQ(status, 0) << path;
}

// A header cfitsio would not write, from "NAME=VALUE ..." after SIMPLE = T.
std::string FitsHeader(const std::string& cards)
{
    std::istringstream words("SIMPLE=T " + cards);
    std::string header;
    for (std::string word; words >> word;) {
        char card[81];
        const auto is = word.find('=');
        std::snprintf(card, sizeof card, "%-8s= %20s%50s", word.substr(0, is).c_str(), word.substr(is + 1).c_str(), "");
        header += card;
    }
    header += "END" + std::string(77, ' ');
    header.resize((header.size() + 2879) / 2880 * 2880, ' ');
    return header;
}

class PictureFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(TestData / "captures")) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR)";
    }
    const testing::TempFolder folder_{"picture_file"};
};

TEST_F(PictureFileTest, CapturesDecodeAsTheirWritersMadeThem)
{
    const struct {
        const char* file;
        std::uint16_t minimum, maximum;
        double mean;
    } cases[] = {
        {"series_png16/MARS_0001.png", 784, 48720, 9036.49},
        {"series_fits16/MOON_0001.fits", 10770, 40218, 24665.37},
    };
    for (const auto& c : cases) {
        const DeepFrame f = ReadGood((TestData / "captures" / c.file).string());
        ASSERT_EQ(f.samples.size(), 160u * 120u) << c.file;
        EXPECT_EQ(f.channels, 1) << c.file;
        EXPECT_EQ(f.bits, 16) << c.file;
        EXPECT_EQ(*std::min_element(f.samples.begin(), f.samples.end()), c.minimum) << c.file;
        EXPECT_EQ(*std::max_element(f.samples.begin(), f.samples.end()), c.maximum) << c.file;
        double sum = 0;
        for (std::uint16_t s : f.samples) sum += s;
        EXPECT_NEAR(sum / static_cast<double>(f.samples.size()), c.mean, 0.01) << c.file;
    }
}

// The statistics above hold upside down too; the upright reference does not.
TEST_F(PictureFileTest, TheTopDownFitsCaptureIsUpright)
{
    const DeepFrame frame = ReadGood((TestData / "captures/series_fits16/MOON_0001.fits").string());
    const DeepFrame reference = ReadGood((TestData / "captures/series_fits16/reference.png").string());
    ASSERT_EQ(frame.samples.size(), reference.samples.size());
    double upright = 0, mirrored = 0;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            upright += std::abs(frame.at(x, y) - reference.at(x, y));
            mirrored += std::abs(frame.at(x, y) - reference.at(x, frame.height - 1 - y));
        }
    EXPECT_LT(upright * 1.5, mirrored);
}

TEST_F(PictureFileTest, BitmapsReadAsTheBitmapReaderReadsThem)
{
    for (const char* file : {"pal8.bmp", "rgb24.bmp", "rgb16-565.bmp"}) {
        const std::string path = (TestData / "bmpsuite/g" / file).string();
        EXPECT_EQ(ReadGood(path), ToDeepFrame(std::get<Bitmap24>(ReadBmp(path)))) << file;
    }
}

// Every sample of a picture the toolkit wrote, read back from a file whose
// name says it is something else.
TEST_F(PictureFileTest, TheToolkitsPicturesReadBackAtTheirDepth)
{
    const struct {
        const char* format;
        QImage::Format layout;
        int channels, bits, tolerance;  // in 16-bit units
    } cases[] = {
        {"png", QImage::Format_Grayscale8, 1, 8, 0},    {"png", QImage::Format_Grayscale16, 1, 16, 0},
        {"png", QImage::Format_RGB888, 3, 8, 0},        {"png", QImage::Format_RGBX64, 3, 16, 0},
        {"png", QImage::Format_ARGB32, 3, 8, 0},  // the colour under any alpha, even 0, is kept
        {"png", QImage::Format_RGBA64, 3, 16, 0},       {"png", QImage::Format_Indexed8, 3, 8, 0},
        {"png", QImage::Format_Mono, 1, 8, 0},          {"tiff", QImage::Format_Grayscale8, 1, 8, 0},
        {"tiff", QImage::Format_Grayscale16, 1, 16, 0}, {"tiff", QImage::Format_RGB888, 3, 8, 0},
        {"tiff", QImage::Format_RGBX64, 3, 16, 0},      {"jpeg", QImage::Format_Grayscale8, 1, 8, 2 * 257},
        {"jpeg", QImage::Format_RGB888, 3, 8, 2 * 257},
    };
    const int width = 37, height = 23;  // rows of 8-bit colour are padded
    for (const auto& c : cases) {
        const bool lossy = c.tolerance > 0;
        QImage source(width, height, QImage::Format_RGBA64);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                // Smooth for JPEG; otherwise from black to full scale in every channel.
                const auto v = [&](int k) {
                    return static_cast<std::uint16_t>(lossy ? (x * 3 + y * 2 + k * 50) * 257
                                                            : (x * 977 + y * 2011 + k * 7919) % 65536 * (x + y > 0));
                };
                source.setPixelColor(x, y, QColor::fromRgba64(v(0), v(1), v(2), lossy ? 65535 : v(3)));
            }
        if (!lossy) source.setPixelColor(width - 1, height - 1, QColor::fromRgba64(65535, 65535, 65535, 0));
        const QImage written = source.convertToFormat(c.layout, Qt::ThresholdDither);
        const std::string path = folder_ / (std::string("written_as_") + c.format + ".fits");
        ASSERT_TRUE(written.save(QString::fromStdString(path), c.format, 100)) << c.format;
        const DeepFrame f = ReadGood(path);
        const std::string what = std::string(c.format) + " " + std::to_string(c.layout);
        ASSERT_EQ(f.samples.size(), static_cast<std::size_t>(width * height * c.channels)) << what;
        EXPECT_EQ(f.bits, c.bits) << what;
        int worst = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const QRgba64 e = written.pixelColor(x, y).rgba64();
                const int expected[3] = {e.red(), e.green(), e.blue()};
                for (int k = 0; k < c.channels; ++k) worst = std::max(worst, std::abs(f.at(x, y, k) - expected[k]));
            }
        EXPECT_LE(worst, c.tolerance) << what;
    }
}

// The toolkit decodes grey with alpha as colour; the file says it is grey.
TEST_F(PictureFileTest, AGreyPngWithAlphaGivesOneChannelOfItsGreys)
{
    WriteBytes(folder_ / "grey_alpha.png",
               std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x02\0\0\0\x02\x08\x04\0\0\0\xd8\xbf\xc5\xaf\0\0\0"
                           "\x12IDAT\x78\xda\x63\x60\xf8\x9f\xc2\xc0\x70\xa2\xe1\xff\x7f\0\x12\x5b\x04\xaa\x24\x4b"
                           "\x26\xdf\0\0\0\0IEND\xae\x42\x60\x82",
                           75));
    const DeepFrame f = ReadGood(folder_ / "grey_alpha.png");
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.samples, (std::vector<std::uint16_t>{0, 25700, 51400, 65535}));  // alphas 255, 0, 128, 255
}

TEST_F(PictureFileTest, FitsSamplesAreScaledOrderedAndPatternedAsTheHeaderSays)
{
    constexpr Mosaic None = Mosaic::None;
    const struct {
        const char* name;
        int bitpix;
        std::vector<long> axes;
        std::vector<double> stored;
        std::vector<Keyword> keywords;
        std::vector<std::uint16_t> expected;  // top row first
        Mosaic mosaic;
    } cases[] = {
        {"8-bit, bottom row stored first", 8, {2, 2}, {0, 1, 254, 255}, {}, {65278, 65535, 0, 257}, None},
        {"8-bit, top row first", 8, {2, 2}, {0, 1, 254, 255}, {TopDown}, {0, 257, 65278, 65535}, None},
        {"unsigned 16-bit", 16, {2, 2}, {-32768, -1, 0, 32767}, {{"BZERO", nullptr, 32768}, TopDown},
         {0, 32767, 32768, 65535}, None},
        {"signed 16-bit, clipped at 0", 16, {2, 2}, {-5, 0, 4095, 32767}, {TopDown}, {0, 0, 4095, 32767}, None},
        {"12-bit data and BSCALE 16", 16, {2, 2}, {0, 1, 4095, 100}, {{"BSCALE", nullptr, 16}, TopDown},
         {0, 16, 65520, 1600}, None},
        {"32-bit holding 16-bit data", 32, {2, 2}, {0, 1, 65535, 300}, {TopDown}, {0, 1, 65535, 300}, None},
        {"32-bit beyond 16 bits, stretched", 32, {2, 2}, {-1000, 0, 1000, 3000}, {TopDown}, {0, 16384, 32768, 65535},
         None},
        {"float within 0..1", -32, {2, 2}, {0, 0.25, 0.5, 1}, {TopDown}, {0, 16384, 32768, 65535}, None},
        {"double beyond 0..1, stretched; NaN black", -64, {2, 2}, {std::nan(""), -2, 2, 6}, {TopDown},
         {0, 0, 32768, 65535}, None},
        {"colour planes, no pattern", 8, {2, 1, 3}, {10, 20, 30, 40, 50, 60}, {TopDown, {"BAYERPAT", "RGGB", 0}},
         {2570, 7710, 12850, 5140, 10280, 15420}, None},
        {"pattern, top row first", 8, {2, 2}, {1, 2, 3, 4}, {TopDown, {"BAYERPAT", "GRBG", 0}},
         {257, 514, 771, 1028}, Mosaic::GRBG},
        {"pattern, bottom row first, even rows", 8, {2, 2}, {1, 2, 3, 4}, {{"BAYERPAT", "RGGB", 0}},
         {771, 1028, 257, 514}, Mosaic::GBRG},
        {"pattern, bottom row first, odd rows", 8, {1, 3}, {1, 2, 3}, {{"BAYERPAT", "bggr ", 0}}, {771, 514, 257},
         Mosaic::BGGR},
    };
    for (const auto& c : cases) {
        WriteFits(folder_ / "case.fits", c.bitpix, c.axes, c.stored, c.keywords);
        const DeepFrame f = ReadGood(folder_ / "case.fits");
        EXPECT_EQ(f.width, c.axes[0]) << c.name;
        EXPECT_EQ(f.channels, c.axes.size() == 3 ? 3 : 1) << c.name;
        EXPECT_EQ(f.samples, c.expected) << c.name;
        EXPECT_EQ(f.bits, c.bitpix == 8 ? 8 : 16) << c.name;
        EXPECT_EQ(f.mosaic, c.mosaic) << c.name;
    }
}

TEST_F(PictureFileTest, WhatIsNoPictureIsRefusedWithTheFileNamed)
{
    const std::string someData(2880, '\0');
    const auto WideJpeg = [&] {
        QImage small(8, 8, QImage::Format_Grayscale8);
        small.fill(0);
        small.save(QString::fromStdString(folder_ / "wide"), "jpeg");
        std::string bytes = BytesOf(folder_ / "wide");
        const std::size_t frameHeader = bytes.find("\xff\xc0");
        bytes[frameHeader + 7] = '\x4e', bytes[frameHeader + 8] = '\x20';  // 20000 pixels wide
        return bytes;
    };
    const struct {
        const char* name;
        std::string bytes;
        const char* problem;
    } cases[] = {
        {"empty", "", "the file is empty"},
        {"text", "just some words", "it is not a BMP, PNG, TIFF, JPEG or FITS picture"},
        {"axes4", FitsHeader("BITPIX=16 NAXIS=4 NAXIS1=2 NAXIS2=2 NAXIS3=3 NAXIS4=2") + someData, "4 axes"},
        {"planes2", FitsHeader("BITPIX=8 NAXIS=3 NAXIS1=2 NAXIS2=2 NAXIS3=2") + someData, "2 planes"},
        {"bitpix64", FitsHeader("BITPIX=64 NAXIS=2 NAXIS1=2 NAXIS2=2") + someData, "BITPIX 64"},
        {"nodata", FitsHeader("BITPIX=8 NAXIS=0"), "no picture"},
        {"widefits", FitsHeader("BITPIX=8 NAXIS=2 NAXIS1=20000 NAXIS2=2"), "20000 x 2 pixels, more than 16384 x 16384"},
        // Refused by the size check, before a frame of half a GiB is allocated.
        {"hugefits", FitsHeader("BITPIX=16 NAXIS=2 NAXIS1=16384 NAXIS2=16384"),
         "cut short: it has 2880 bytes, fewer than the 536873792"},
        {"widejpeg", WideJpeg(), "20000 x 8 pixels, more than 16384 x 16384"},
    };
    for (const auto& c : cases) {
        const std::string path = folder_ / c.name;
        WriteBytes(path, c.bytes);
        const std::string message = MessageOf(ReadPictureFile(path));
        EXPECT_EQ(message.rfind("Cannot read the picture \"" + path + "\": ", 0), 0u) << c.name << ": " << message;
        EXPECT_NE(message.find(c.problem), std::string::npos) << c.name << ": " << message;
    }
    ASSERT_EQ(::mkfifo((folder_ / "pipe").c_str(), 0600), 0);
    EXPECT_NE(MessageOf(ReadPictureFile(folder_ / "pipe")).find("not a regular file"), std::string::npos);
    EXPECT_NE(MessageOf(ReadPictureFile(folder_.path().string())).find("folder"), std::string::npos);
}

// A cut copy is refused, or gives the whole picture when only bytes after
// it were lost; never a picture in part.
TEST_F(PictureFileTest, CutFilesAreRefusedNeverReadInPart)
{
    QImage colour(29, 17, QImage::Format_RGBX64), grey(29, 17, QImage::Format_Grayscale8);
    std::vector<double> stored;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 29; ++x) {
            colour.setPixelColor(x, y, QColor::fromRgba64(x * 2000, y * 3000, x * y * 100));
            grey.setPixel(x, y, qRgb(x * 8, x * 8, x * 8));
            stored.push_back(x * 1000 - y * 1000);
        }
    const auto save = [&](const QImage& image, const char* format) {
        EXPECT_TRUE(image.save(QString::fromStdString(folder_ / "saved"), format)) << format;
        return BytesOf(folder_ / "saved");
    };
    WriteFits(folder_ / "whole.fits", 16, {29, 17}, stored, {{"BZERO", nullptr, 32768}});
    const struct {
        const char* name;
        std::string whole;
        bool everyCutRefused;
    } cases[] = {
        {"png8", save(grey, "png"), false},   {"png16", save(colour, "png"), false},
        {"jpeg", save(grey, "jpeg"), true},   {"tiff16", save(colour, "tiff"), false},
        {"fits16", BytesOf(folder_ / "whole.fits"), true},
    };
    for (const auto& c : cases) {
        const std::string path = folder_ / c.name;
        WriteBytes(path, c.whole);
        const DeepFrame whole = ReadGood(path);
        for (std::size_t cut = 1; cut < c.whole.size(); cut += std::max<std::size_t>(1, c.whole.size() / 100)) {
            WriteBytes(path, c.whole.substr(0, c.whole.size() - cut));
            const auto read = ReadPictureFile(path);
            if (const auto* frame = std::get_if<DeepFrame>(&read)) {
                EXPECT_FALSE(c.everyCutRefused) << c.name << " less " << cut;
                EXPECT_EQ(*frame, whole) << c.name << " less " << cut;
            } else {
                EXPECT_NE(MessageOf(read).find(path), std::string::npos);
            }
        }
    }
}

}  // namespace
}  // namespace quivane
