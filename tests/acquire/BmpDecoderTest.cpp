#include "acquire/BmpDecoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "acquire/BmpReader.h"

namespace quivane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A bitmap file put together field by field, so each test can break one.
struct File {
    std::uint32_t infoSize = 40;  // 12 writes the OS/2 core layout; others are cut or padded with zeros
    std::int32_t width = 4, height = 2;
    std::uint16_t planes = 1, bits = 8;
    std::uint32_t compression = 0, coloursUsed = 0;
    Bytes palette{}, pixels{};
    std::optional<std::uint32_t> pixelOffset{};  // right after the palette unless given
};

void Put(Bytes& b, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes Build(const File& f)
{
    Bytes info;
    Put(info, f.infoSize, 4);
    const int side = f.infoSize == 12 ? 2 : 4;
    Put(info, static_cast<std::uint32_t>(f.width), side);
    Put(info, static_cast<std::uint32_t>(f.height), side);
    Put(info, f.planes, 2);
    Put(info, f.bits, 2);
    for (std::uint32_t field : {f.compression, 0u, 0u, 0u, f.coloursUsed, 0u}) Put(info, field, 4);
    info.resize(f.infoSize);
    const std::size_t offset = 14 + info.size() + f.palette.size();
    Bytes b{'B', 'M'};
    Put(b, offset + f.pixels.size(), 4);
    Put(b, 0, 4);
    Put(b, f.pixelOffset.value_or(static_cast<std::uint32_t>(offset)), 4);
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), f.palette.begin(), f.palette.end());
    b.insert(b.end(), f.pixels.begin(), f.pixels.end());
    return b;
}

// Entry i is the grey i + 1, so no entry is black.
Bytes Greys(int entries, int entrySize = 4)
{
    Bytes b;
    for (int i = 0; i < entries; ++i) Put(b, (i + 1) * 0x010101u, entrySize);
    return b;
}

// The problem text, or empty when the file decodes.
std::string Problem(const Bytes& b)
{
    const auto decoded = DecodeBmp(b.data(), b.size(), MaxFrameSide);
    const auto* problem = std::get_if<std::string>(&decoded);
    return problem ? *problem : "";
}

Bytes Cut(const Bytes& b, std::size_t size) { return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size)); }

// The decoded frame's green levels, top row first; empty when refused.
std::vector<std::vector<int>> GreyRows(const Bytes& b)
{
    const auto decoded = DecodeBmp(b.data(), b.size(), MaxFrameSide);
    if (!std::holds_alternative<Bitmap24>(decoded)) return {};
    const Bitmap24& frame = std::get<Bitmap24>(decoded);
    std::vector<std::vector<int>> rows(static_cast<std::size_t>(frame.height()));
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) rows[y].push_back(frame.at(x, y).green);
    return rows;
}

TEST(BmpDecoder, InconsistentFilesAreRefusedWithTheirProblem)
{
    const Bytes pixels8(8, 0);
    struct Case {
        const char* what;
        Bytes file;
        const char* problem;
    };
    const Case cases[] = {
        {"no file", {}, "not a Windows bitmap"},
        {"other magic", {'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0}, "not a Windows bitmap"},
        {"cut header", Cut(Build({.pixels = pixels8}), 40), "ends inside its header"},
        {"header of 66 bytes", Build({.infoSize = 66, .pixels = pixels8}), "66 bytes is of no known kind"},
        {"two planes", Build({.planes = 2, .pixels = pixels8}), "2 colour planes"},
        {"64 bits", Build({.bits = 64, .pixels = Bytes(64, 0)}), "64-bit"},
        {"3 bits", Build({.bits = 3, .pixels = pixels8}), "3 bits a pixel"},
        {"JPEG inside", Build({.bits = 0, .compression = 4, .pixels = pixels8}), "JPEG"},
        {"PNG inside", Build({.bits = 0, .compression = 5, .pixels = pixels8}), "PNG"},
        {"OS/2 Huffman", Build({.infoSize = 64, .bits = 1, .compression = 3, .pixels = pixels8}), "Huffman"},
        {"OS/2 RLE24", Build({.infoSize = 64, .bits = 24, .compression = 4, .pixels = Bytes(24, 0)}), "RLE24"},
        {"unknown compression", Build({.compression = 11, .pixels = pixels8}), "compression 11"},
        {"RLE8 of 4 bits", Build({.bits = 4, .compression = 1, .pixels = {0, 1}}), "does not fit its 4-bit"},
        {"masks of 24 bits", Build({.bits = 24, .compression = 3, .pixels = Bytes(40, 0)}), "masks do not fit"},
        {"masks with gaps",
         Build({.bits = 16,
                .compression = 3,
                .palette = {5, 0, 0, 0, 0xE0, 3, 0, 0, 0x1F, 0, 0, 0},
                .pixels = Bytes(16, 0)}),
         "not contiguous"},
        {"zero width", Build({.width = 0, .pixels = pixels8}), "empty"},
        {"negative width", Build({.width = -4, .pixels = pixels8}), "negative"},
        {"zero height", Build({.height = 0, .pixels = pixels8}), "empty"},
        {"wider than allowed", Build({.width = MaxFrameSide + 1, .height = 1}), "more than 16384 x 16384"},
        {"top-down RLE", Build({.height = -2, .compression = 1, .pixels = {0, 1}}), "top-down"},
        {"absurd palette", Build({.coloursUsed = 0x12345678, .pixels = pixels8}), "palette of 305419896 colours"},
        {"pixels inside header", Build({.pixels = pixels8, .pixelOffset = 20}), "start inside its header"},
        {"pixels past the end", Build({.pixels = pixels8, .pixelOffset = 4000}), "shorter than its pixels"},
        {"RLE past the end", Build({.compression = 1, .pixels = {0, 1}, .pixelOffset = 4000}), "shorter"},
    };
    for (const Case& c : cases) EXPECT_NE(Problem(c.file).find(c.problem), std::string::npos) << c.what;
    EXPECT_TRUE(std::holds_alternative<std::string>(DecodeBmp(nullptr, 0, MaxFrameSide)));
}

TEST(BmpDecoder, EveryCutOfAFileIsRefusedAndTheWholeFileDecodes)
{
    // A frame of 3 x 2 at each depth: rows padded to 4 bytes.
    const File files[] = {
        {.width = 3, .bits = 1, .palette = Greys(2), .pixels = Bytes(8, 0xA5)},
        {.width = 3, .bits = 2, .palette = Greys(4), .pixels = Bytes(8, 0xA5)},
        {.width = 3, .bits = 4, .palette = Greys(16), .pixels = Bytes(8, 0xA5)},
        {.width = 3, .bits = 8, .palette = Greys(3), .pixels = Bytes(8, 1)},
        {.infoSize = 12, .width = 3, .bits = 8, .palette = Greys(3, 3), .pixels = Bytes(8, 1)},
        {.width = 3, .bits = 16, .pixels = Bytes(16, 0x7F)},
        {.width = 3, .bits = 24, .pixels = Bytes(24, 9)},
        {.width = 3, .bits = 32, .pixels = Bytes(24, 9)},
        {.width = 3, .compression = 1, .palette = Greys(2), .pixels = {3, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1}},
        {.width = 3,
         .bits = 4,
         .compression = 2,
         .palette = Greys(2),
         .pixels = {3, 0x10, 0, 0, 0, 3, 0x10, 0x10, 0, 1}},
    };
    for (const File& f : files) {
        const Bytes whole = Build(f);
        EXPECT_EQ(Problem(whole), "") << f.bits << " bits, compression " << f.compression;
        for (std::size_t size = 0; size < whole.size(); ++size) {
            EXPECT_NE(Problem(Cut(whole, size)), "")
                << f.bits << " bits, compression " << f.compression << ", cut to " << size << " bytes";
        }
    }
}

TEST(BmpDecoder, TinyFilesClaimingHugeFramesAreRefusedBeforeAnyAllocation)
{
    struct Case {
        const char* what;
        Bytes file;
        std::size_t size;
    };
    const Case cases[] = {
        {"24 bits", Build({.width = 16384, .height = 16384, .bits = 24, .pixels = Bytes(16, 0)}), 70},
        {"OS/2, 1 bit",
         Build(
             {.infoSize = 64, .width = 16384, .height = 16384, .bits = 1, .palette = Greys(2), .pixels = Bytes(26, 0)}),
         112},
        {"OS/2, RLE8",
         Build({.infoSize = 64,
                .width = 16384,
                .height = 16384,
                .compression = 1,
                .coloursUsed = 2,
                .palette = Greys(2),
                .pixels = Bytes(26, 0)}),
         112},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.file.size(), c.size) << c.what;
        // Each allocation of such a frame would fill hundreds of MB with zeros.
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 1000; ++i) ASSERT_NE(Problem(c.file), "") << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.what;
    }
}

TEST(BmpDecoder, PaletteIndicesPastThePaletteAreBlack)
{
    // Two colours declared: indices 2 and 255 are past them.
    EXPECT_EQ(GreyRows(Build({.height = 1, .coloursUsed = 2, .palette = Greys(2), .pixels = {0, 1, 2, 255}})),
              (std::vector<std::vector<int>>{{1, 2, 0, 0}}));
    // 256 declared but only room for two before the pixels, which must not be taken as colours.
    EXPECT_EQ(GreyRows(Build({.height = 1, .coloursUsed = 256, .palette = Greys(2), .pixels = {0, 1, 2, 3}})),
              (std::vector<std::vector<int>>{{1, 2, 0, 0}}));
    // A single colour for one bit a pixel.
    EXPECT_EQ(
        GreyRows(Build({.height = 1, .bits = 1, .coloursUsed = 1, .palette = Greys(1), .pixels = {0x50, 0, 0, 0}})),
        (std::vector<std::vector<int>>{{1, 0, 1, 0}}));
}

TEST(BmpDecoder, RunLengthStreamsStayInsideTheFrame)
{
    // A 4 x 2 frame; the stream starts at the bottom row. Grey 1 is entry 0,
    // which fills whatever the stream leaves out.
    struct Case {
        const char* what;
        std::uint16_t bits;
        Bytes stream;
        std::vector<std::vector<int>> rows;  // top row first
    };
    const Case cases[] = {
        {"run past the row end is cut, not wrapped", 8, {0, 0, 10, 1, 0, 1}, {{2, 2, 2, 2}, {1, 1, 1, 1}}},
        {"absolute stretch past the row end", 8, {0, 0, 0, 6, 1, 1, 1, 1, 1, 1, 0, 1}, {{2, 2, 2, 2}, {1, 1, 1, 1}}},
        {"delta out of the frame", 8, {0, 2, 255, 255, 3, 1, 0, 1}, {{1, 1, 1, 1}, {1, 1, 1, 1}}},
        {"delta within the frame", 8, {0, 2, 2, 1, 1, 3, 0, 1}, {{1, 1, 4, 1}, {1, 1, 1, 1}}},
        {"lines past the top", 8, {0, 0, 0, 0, 0, 0, 4, 1, 0, 1}, {{1, 1, 1, 1}, {1, 1, 1, 1}}},
        {"early end leaves entry 0", 8, {2, 1, 0, 1, 4, 2}, {{1, 1, 1, 1}, {2, 2, 1, 1}}},
        {"RLE4 run past the row end", 4, {9, 0x12, 0, 1}, {{1, 1, 1, 1}, {2, 3, 2, 3}}},
        {"RLE4 stretch of 5, padded",
         4,
         {0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 1, 0x20, 0, 1},
         {{3, 1, 1, 1}, {2, 3, 4, 5}}},
    };
    for (const Case& c : cases) {
        const Bytes file =
            Build({.bits = c.bits, .compression = c.bits == 8 ? 1u : 2u, .palette = Greys(16), .pixels = c.stream});
        EXPECT_EQ(GreyRows(file), c.rows) << c.what;
    }
}

// Random 8-bit frames, bottom-up and top-down, of widths with and without
// row padding, with palettes short of 256 entries: every pixel is its
// palette entry, black past the palette.
TEST(BmpDecoder, EightBitPixelsAreTheirPaletteEntries)
{
    std::mt19937 random(8);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const int width : {1, 3, 4, 17, 640})
        for (const int height : {5, -5}) {
            File f;
            f.width = width;
            f.height = height;
            const int colours = 1 + byte(random);
            f.coloursUsed = static_cast<std::uint32_t>(colours);
            for (int i = 0; i < 4 * colours; ++i) f.palette.push_back(static_cast<std::uint8_t>(byte(random)));
            const int stride = (width + 3) / 4 * 4;
            for (int i = 0; i < stride * 5; ++i) f.pixels.push_back(static_cast<std::uint8_t>(byte(random)));
            const Bytes file = Build(f);
            const auto decoded = DecodeBmp(file.data(), file.size(), MaxFrameSide);
            ASSERT_TRUE(std::holds_alternative<Bitmap24>(decoded)) << width << " x " << height;
            const Bitmap24& frame = std::get<Bitmap24>(decoded);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < width; ++x) {
                    const int index = f.pixels[static_cast<std::size_t>((height > 0 ? 4 - y : y) * stride + x)];
                    const ColourPixel expected =
                        index < colours ? ColourPixel{f.palette[4 * static_cast<std::size_t>(index)],
                                                      f.palette[4 * static_cast<std::size_t>(index) + 1],
                                                      f.palette[4 * static_cast<std::size_t>(index) + 2]}
                                        : ColourPixel{0, 0, 0};
                    ASSERT_EQ(frame.at(x, y), expected) << width << " x " << height << " at " << x << "," << y;
                }
        }
}

// Entry i is the grey i: every byte decodes to its own grey.
Bytes Ramp(int entries, int entrySize = 4)
{
    Bytes b;
    for (int i = 0; i < entries; ++i) Put(b, static_cast<std::uint64_t>(i) * 0x010101u, entrySize);
    return b;
}

// Where the rows lie when the file is read as plain, from its first bytes.
std::optional<PlainRows> Plain(const File& f, std::size_t present = PlainStartBytes)
{
    const Bytes b = Build(f);
    return PlainBmpRows(b.data(), std::min(present, b.size()), b.size(), MaxFrameSide);
}

// Only a palette that makes every byte its own grey lets an 8-bit file's
// bytes stand for its frame; any other is decoded.
TEST(BmpDecoder, OnlyTheGreyRampMakesAnEightBitFilePlain)
{
    File grey;
    grey.width = 13;
    grey.height = 3;
    grey.palette = Ramp(256);
    grey.pixels = Bytes(16 * 3, 7);
    const auto rows = Plain(grey);
    ASSERT_TRUE(rows);
    EXPECT_TRUE(rows->grey);
    EXPECT_EQ(rows->stride, 16u);
    EXPECT_EQ(rows->pixelOffset, 14u + 40 + 1024);
    EXPECT_TRUE(rows->bottomUp);

    File topDown = grey;
    topDown.height = -3;
    File counted = grey;
    counted.coloursUsed = 256;
    File os2 = grey;  // three-byte entries
    os2.infoSize = 12;
    os2.palette = Ramp(256, 3);
    for (const File* f : {&topDown, &counted, &os2}) {
        const auto plain = Plain(*f);
        ASSERT_TRUE(plain) << f->infoSize;
        EXPECT_TRUE(plain->grey);
        EXPECT_EQ(plain->bottomUp, f->height > 0);
    }

    File tinted = grey;
    tinted.palette[4 * 200 + 2] = 201;  // one red a level off
    File shortRamp = grey;              // the last entry is missing, so byte 255 is black
    shortRamp.coloursUsed = 255;
    shortRamp.palette = Ramp(255);
    File runs = grey;
    runs.compression = 1;
    runs.pixels = {0, 1};
    File fourBits = grey;
    fourBits.bits = 4;
    fourBits.palette = Ramp(16);
    for (const File* f : {&tinted, &shortRamp, &runs, &fourBits})
        EXPECT_FALSE(Plain(*f)) << f->bits << " bits, " << f->coloursUsed << " colours";
    EXPECT_FALSE(Plain(grey, PlainHeaderBytes)) << "a ramp past the bytes read is not looked at";

    File colour;
    colour.bits = 24;
    colour.width = 40;
    colour.height = 3;
    colour.pixels = Bytes(120 * 3, 9);
    const auto colourRows = Plain(colour);
    ASSERT_TRUE(colourRows);
    EXPECT_FALSE(colourRows->grey);
    EXPECT_EQ(colourRows->stride, 120u);
}

// Masked channels of any width become bytes as round(v * 255 / (2^n - 1)):
// a 16-bit channel is reduced to the nearest byte and a 5- or 6-bit one
// widened to it, so a sample just past the middle of two bytes takes the
// upper one. No sample lies exactly between two bytes: 2 * 255 * v is even
// and (2k + 1) * (2^n - 1) is odd.
TEST(BmpDecoder, MaskedChannelsRoundToTheNearestByte)
{
    const auto decoded = [](const File& f) {
        const Bytes file = Build(f);
        const auto frame = DecodeBmp(file.data(), file.size(), MaxFrameSide);
        EXPECT_TRUE(std::holds_alternative<Bitmap24>(frame)) << std::get<std::string>(frame);
        return std::holds_alternative<Bitmap24>(frame) ? std::get<Bitmap24>(frame) : Bitmap24();
    };

    // 32 bits a pixel: red in the top 16 bits, green in the bottom 16, no blue.
    const struct {
        std::uint16_t sample;
        int byte;  // nearest to sample / 257
    } wide[] = {
        {0, 0},
        {4626, 18},    // 18.0
        {4627, 18},    // 18.004
        {4754, 18},    // 18.498: below the middle
        {4755, 19},    // 18.502: above it
        {4780, 19},    // 18.6
        {4857, 19},    // 18.9
        {4882, 19},    // 18.996
        {65534, 255},  // 254.996
        {65535, 255},
    };
    File f32{.width = static_cast<std::int32_t>(std::size(wide)), .height = 1, .bits = 32, .compression = 3};
    for (std::uint32_t mask : {0xFFFF0000u, 0x0000FFFFu, 0u}) Put(f32.palette, mask, 4);
    for (std::size_t i = 0; i < std::size(wide); ++i) {
        // Green runs the table backwards, so each pixel's two channels differ.
        Put(f32.pixels, std::uint32_t{wide[i].sample} << 16 | wide[std::size(wide) - 1 - i].sample, 4);
    }
    const Bitmap24 deep = decoded(f32);
    ASSERT_EQ(deep.width(), static_cast<int>(std::size(wide)));
    for (std::size_t i = 0; i < std::size(wide); ++i) {
        const ColourPixel p = deep.at(static_cast<int>(i), 0);
        EXPECT_EQ(p.red, wide[i].byte) << "red sample " << wide[i].sample;
        EXPECT_EQ(p.green, wide[std::size(wide) - 1 - i].byte) << "green sample " << wide[std::size(wide) - 1 - i].sample;
        EXPECT_EQ(p.blue, 0) << "an absent channel is black";
    }

    // 16 bits a pixel, the default 5-5-5 layout: every 5-bit level.
    const int fiveBits[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,  90,  99,  107, 115, 123,
                              132, 140, 148, 156, 165, 173, 181, 189, 197, 206, 214, 222, 230, 239, 247, 255};
    File f16{.width = 32, .height = 1, .bits = 16};
    for (std::uint32_t v = 0; v < 32; ++v) Put(f16.pixels, v << 10 | (31 - v) << 5 | v, 2);
    const Bitmap24 narrow = decoded(f16);
    ASSERT_EQ(narrow.width(), 32);
    for (int v = 0; v < 32; ++v) {
        const ColourPixel p = narrow.at(v, 0);
        EXPECT_EQ(p.red, fiveBits[v]) << "5-bit level " << v;
        EXPECT_EQ(p.green, fiveBits[31 - v]) << "5-bit level " << 31 - v;
        EXPECT_EQ(p.blue, fiveBits[v]) << "5-bit level " << v;
    }

    // 16 bits with explicit 5-6-5 masks: green has 6 bits, v * 255 / 63.
    const struct {
        std::uint32_t level;
        int byte;
    } sixBits[] = {{0, 0}, {1, 4}, {10, 40}, {11, 45}, {13, 53}, {31, 125}, {32, 130}, {62, 251}, {63, 255}};
    File f565{.width = static_cast<std::int32_t>(std::size(sixBits)), .height = 1, .bits = 16, .compression = 3};
    for (std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) Put(f565.palette, mask, 4);
    for (const auto& c : sixBits) Put(f565.pixels, c.level << 5, 2);
    if (f565.pixels.size() % 4 != 0) Put(f565.pixels, 0, 2);  // rows are padded to 4 bytes
    const Bitmap24 sixes = decoded(f565);
    ASSERT_EQ(sixes.width(), static_cast<int>(std::size(sixBits)));
    for (std::size_t i = 0; i < std::size(sixBits); ++i)
        EXPECT_EQ(sixes.at(static_cast<int>(i), 0).green, sixBits[i].byte) << "6-bit level " << sixBits[i].level;
}

// A series decodes frame after frame into one frame's memory: nothing of an
// earlier frame may show through, whatever the layouts and sizes that follow
// each other, run-length streams that leave pixels out included.
TEST(BmpDecoder, DecodingIntoAFrameInUseGivesTheFreshFrame)
{
    File colour;
    colour.bits = 24;
    colour.width = 3;
    colour.height = 3;
    for (int i = 0; i < 12 * 3; ++i) colour.pixels.push_back(static_cast<std::uint8_t>(200 + i));
    File grey;
    grey.palette = Greys(4);
    grey.pixels = {3, 2, 1, 0, 0, 1, 2, 3};
    File runs;
    runs.compression = 2;  // RLE4
    runs.bits = 4;
    runs.palette = Greys(16);
    runs.pixels = {0, 0, 3, 0x23, 0, 1};  // ends the bottom row at once, three pixels of the top one
    Bitmap24 frame;
    for (const File* f : {&colour, &grey, &colour, &runs, &colour, &grey}) {
        const Bytes file = Build(*f);
        ASSERT_FALSE(DecodeBmpInto(file.data(), file.size(), MaxFrameSide, frame));
        const auto fresh = DecodeBmp(file.data(), file.size(), MaxFrameSide);
        ASSERT_TRUE(std::holds_alternative<Bitmap24>(fresh));
        EXPECT_EQ(frame, std::get<Bitmap24>(fresh)) << f->bits << " bits";
    }
}

}  // namespace
}  // namespace quivane
