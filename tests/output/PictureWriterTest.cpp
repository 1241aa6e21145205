#include "output/PictureWriter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <fitsio.h>
#include <filesystem>
#include <variant>

#include "acquire/PictureFile.h"
#include "output/BmpWriter.h"
#include "output/ProgramIdentity.h"
#include "support/FileContents.h"
#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

using testing::ReadAll;

// Every sample different, so that a flipped, mirrored or channel-swapped
// file cannot read back equal; fractions where the depth can keep them,
// their 16-bit samples' fractions spread above and below one half.
LevelPicture Sample(int channels, bool fractions)
{
    LevelPicture p(5, 3, channels);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < channels; ++c)
                p.at(x, y, c) = static_cast<float>(17 * y + 60 * c + 3 * x) +
                                (fractions ? 0.37f * static_cast<float>(c + 1) + 0.0021f * static_cast<float>(x) : 0.0f);
    p.at(0, 0, 0) = 0.0f;
    p.at(4, 2, channels - 1) = 255.0f;
    return p;
}

// What the picture reader gives for a level (it scales every depth to 0..65535).
double Expected(float level, SampleDepth depth)
{
    switch (depth) {
    case SampleDepth::Eight: return std::nearbyint(level) * 257.0;
    case SampleDepth::Sixteen: return std::nearbyint(level * 257.0);
    case SampleDepth::Float: return level / 255.0 * 65535.0;
    }
    return 0;
}

struct FormatCase {
    const char* name;
    PictureFormat format;
    SampleDepth depth;
    int channels;
};

class PictureWriterTest : public ::testing::TestWithParam<FormatCase> {
protected:
    testing::TempFolder temp{"writer"};
};

// Size, depth, orientation and channel order as a reader of the format
// sees them: ours, which decodes PNG and TIFF with the toolkit and FITS with
// cfitsio, each independently of the writers.
TEST_P(PictureWriterTest, ReadsBackAsWritten)
{
    const FormatCase c = GetParam();
    const LevelPicture picture = Sample(c.channels, c.depth != SampleDepth::Eight);
    const std::string path = temp / (std::string(c.name) + "." + ExtensionOf(c.format));
    ASSERT_FALSE(WritePicture(picture, {c.format, c.depth}, {}, path));

    auto read = ReadPictureFile(path);
    ASSERT_TRUE(std::holds_alternative<DeepFrame>(read)) << std::get<ReadFailure>(read).message;
    const DeepFrame& frame = std::get<DeepFrame>(read);
    EXPECT_EQ(frame.width, 5);
    EXPECT_EQ(frame.height, 3);
    EXPECT_EQ(frame.channels, c.channels);
    EXPECT_EQ(frame.bits, c.depth == SampleDepth::Eight ? 8 : 16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int ch = 0; ch < c.channels; ++ch)
                EXPECT_NEAR(frame.at(x, y, ch), Expected(picture.at(x, y, ch), c.depth), c.depth == SampleDepth::Float ? 0.5 : 0)
                    << "at " << x << ", " << y << " channel " << ch;
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureWriterTest,
                         ::testing::Values(FormatCase{"png8_grey", PictureFormat::Png, SampleDepth::Eight, 1},
                                           FormatCase{"png8_colour", PictureFormat::Png, SampleDepth::Eight, 3},
                                           FormatCase{"png16_grey", PictureFormat::Png, SampleDepth::Sixteen, 1},
                                           FormatCase{"png16_colour", PictureFormat::Png, SampleDepth::Sixteen, 3},
                                           FormatCase{"tiff8_grey", PictureFormat::Tiff, SampleDepth::Eight, 1},
                                           FormatCase{"tiff8_colour", PictureFormat::Tiff, SampleDepth::Eight, 3},
                                           FormatCase{"tiff16_grey", PictureFormat::Tiff, SampleDepth::Sixteen, 1},
                                           FormatCase{"tiff16_colour", PictureFormat::Tiff, SampleDepth::Sixteen, 3},
                                           FormatCase{"fits8_grey", PictureFormat::Fits, SampleDepth::Eight, 1},
                                           FormatCase{"fits16_grey", PictureFormat::Fits, SampleDepth::Sixteen, 1},
                                           FormatCase{"fits16_colour", PictureFormat::Fits, SampleDepth::Sixteen, 3},
                                           FormatCase{"fitsfloat_grey", PictureFormat::Fits, SampleDepth::Float, 1},
                                           FormatCase{"fitsfloat_colour", PictureFormat::Fits, SampleDepth::Float, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PictureWriter, ABitmapIsTheDescribedBmpWhateverDepthIsAsked)
{
    testing::TempFolder temp{"writer_bmp"};
    Bitmap24 bitmap(7, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 7; ++x)
            bitmap.at(x, y) = ColourPixel{static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(y * 60), 99};
    const std::string path = temp / "out.bmp";
    ASSERT_FALSE(WritePicture(LevelsOf(bitmap, false), {PictureFormat::Bmp, SampleDepth::Sixteen}, {}, path));
    EXPECT_EQ(ReadAll(path), EncodeBmp(bitmap));
}

// The headers other programs go by: PNG's bit depth and colour type, the
// TIFF tags that say the same, FITS's BITPIX and BZERO.
TEST(PictureWriter, HeadersDeclareTheDepthAndChannels)
{
    testing::TempFolder temp{"writer_headers"};
    const std::string png = temp / "deep.png";
    ASSERT_FALSE(WritePicture(Sample(3, true), {PictureFormat::Png, SampleDepth::Sixteen}, {}, png));
    const auto bytes = ReadAll(png);
    ASSERT_GT(bytes.size(), 26u);
    EXPECT_EQ(bytes[24], 16);  // bit depth
    EXPECT_EQ(bytes[25], 2);   // RGB, no alpha

    const std::string greyPng = temp / "grey.png";
    ASSERT_FALSE(WritePicture(Sample(1, false), {PictureFormat::Png, SampleDepth::Eight}, {}, greyPng));
    EXPECT_EQ(ReadAll(greyPng)[25], 0);  // grey

    const std::string fits = temp / "deep.fits";
    ASSERT_FALSE(WritePicture(Sample(3, true), {PictureFormat::Fits, SampleDepth::Sixteen}, {}, fits));
    fitsfile* file = nullptr;
    int status = 0;
    ASSERT_EQ(fits_open_diskfile(&file, fits.c_str(), READONLY, &status), 0);
    int bitpix = 0, axes = 0;
    long sizes[3] = {};
    fits_get_img_param(file, 3, &bitpix, &axes, sizes, &status);
    double zero = 0;
    fits_read_key(file, TDOUBLE, "BZERO", &zero, nullptr, &status);
    char creator[FLEN_VALUE] = {};
    fits_read_key(file, TSTRING, "CREATOR", creator, nullptr, &status);
    fits_close_file(file, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(bitpix, 16);
    EXPECT_EQ(axes, 3);
    EXPECT_EQ(sizes[2], 3);
    EXPECT_EQ(zero, 32768.0);
    EXPECT_EQ(std::string(creator), ProgramIdentity());
}

// The text of a little-endian TIFF's tag, as our encoder lays it out.
std::string TiffText(const std::vector<std::uint8_t>& bytes, int tag)
{
    auto le = [&](std::size_t at, int size) {
        std::uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i) v = (v << 8) | bytes[at + static_cast<std::size_t>(i)];
        return v;
    };
    const std::uint32_t directory = le(4, 4);
    for (std::uint32_t i = 0; i < le(directory, 2); ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (static_cast<int>(le(entry, 2)) != tag) continue;
        const std::uint32_t count = le(entry + 4, 4);
        const std::size_t at = count <= 4 ? entry + 8 : le(entry + 8, 4);
        return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + count - 1));
    }
    return "";
}

TEST(PictureWriter, NotesTravelInEveryFormatThatCarriesText)
{
    testing::TempFolder temp{"writer_notes"};
    const PictureNotes notes = {{"Frames", "FRAMES", "40"}, {"Combine", "COMBINE", "median to mean, parameter 8"}};

    const std::string png = temp / "notes.png";
    ASSERT_FALSE(WritePicture(Sample(3, false), {PictureFormat::Png, SampleDepth::Sixteen}, notes, png));
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.text("Software").toStdString(), ProgramIdentity());
    EXPECT_EQ(image.text("Frames").toStdString(), "40");
    EXPECT_EQ(image.text("Combine").toStdString(), "median to mean, parameter 8");

    const std::string tiff = temp / "notes.tif";
    ASSERT_FALSE(WritePicture(Sample(1, false), {PictureFormat::Tiff, SampleDepth::Eight}, notes, tiff));
    EXPECT_EQ(TiffText(ReadAll(tiff), 305), ProgramIdentity());
    EXPECT_EQ(TiffText(ReadAll(tiff), 270), "Frames: 40\nCombine: median to mean, parameter 8\n");

    const std::string fits = temp / "notes.fits";
    ASSERT_FALSE(WritePicture(Sample(3, false), {PictureFormat::Fits, SampleDepth::Float}, notes, fits));
    fitsfile* file = nullptr;
    int status = 0;
    ASSERT_EQ(fits_open_diskfile(&file, fits.c_str(), READONLY, &status), 0);
    long frames = 0;
    char combine[FLEN_VALUE] = {};
    fits_read_key(file, TLONG, "FRAMES", &frames, nullptr, &status);
    fits_read_key(file, TSTRING, "COMBINE", combine, nullptr, &status);
    fits_close_file(file, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(frames, 40);
    EXPECT_EQ(std::string(combine), "median to mean, parameter 8");
}

TEST(PictureWriter, AFailureNamesTheFileAndLeavesTheOldOne)
{
    testing::TempFolder temp{"writer_fail"};
    const std::string missing = temp / "gone/out.png";
    const auto error = WritePicture(Sample(3, false), {PictureFormat::Png, SampleDepth::Eight}, {}, missing);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(missing), std::string::npos) << *error;
}

TEST(SaveFormat, TheExtensionDecidesAndUnknownNamesStayBitmaps)
{
    EXPECT_EQ(FormatOfName("/a/b/jupiter.png"), PictureFormat::Png);
    EXPECT_EQ(FormatOfName("JUPITER.PNG"), PictureFormat::Png);
    EXPECT_EQ(FormatOfName("m.tif"), PictureFormat::Tiff);
    EXPECT_EQ(FormatOfName("m.TIFF"), PictureFormat::Tiff);
    for (const char* name : {"m.fits", "m.fit", "m.FTS"}) EXPECT_EQ(FormatOfName(name), PictureFormat::Fits) << name;
    for (const char* name : {"m.bmp", "m.jpg", "m", "dir.png/m", "m.png.bak"})
        EXPECT_EQ(FormatOfName(name), PictureFormat::Bmp) << name;

    EXPECT_EQ(DepthFor(PictureFormat::Bmp, SampleDepth::Sixteen), SampleDepth::Eight);
    EXPECT_EQ(DepthFor(PictureFormat::Png, SampleDepth::Float), SampleDepth::Sixteen);
    EXPECT_EQ(DepthFor(PictureFormat::Tiff, SampleDepth::Sixteen), SampleDepth::Sixteen);
    EXPECT_EQ(DepthFor(PictureFormat::Fits, SampleDepth::Float), SampleDepth::Float);
    EXPECT_EQ(DescribeSave({PictureFormat::Png, SampleDepth::Sixteen}, false), "PNG, 16 bits a channel, colour");
    EXPECT_EQ(DescribeSave({PictureFormat::Fits, SampleDepth::Float}, true), "FITS, 32-bit float, grey");
    EXPECT_EQ(DescribeSave({PictureFormat::Bmp, SampleDepth::Eight}, true), "24-bit BMP");
}

}  // namespace
}  // namespace quivane
