#include "acquire/SerFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "acquire/BmpReader.h"
#include "prepare/Debayer.h"
#include "support/TempFolder.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;

const fs::path Captures = fs::path(QUIVANE_TESTDATA) / "captures";

// A SER header as a capture program writes it, little-endian, with the
// byte-order flag left at 0.
std::vector<std::uint8_t> SerHeader(int colour, int width, int height, int depth, int frames)
{
    std::vector<std::uint8_t> h(SerHeaderBytes, 0);
    std::copy_n("LUCAM-RECORDER", 14, h.begin());
    auto put = [&](std::size_t at, int v) {
        for (int i = 0; i < 4; ++i) h[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(18, colour);
    put(26, width);
    put(30, height);
    put(34, depth);
    put(38, frames);
    return h;
}

struct Stats {
    double minimum, maximum, mean;
};

// Frame statistics of one channel in the file's own units (the reader scales
// to 0..65535; `fullScale` undoes that).
Stats ChannelStats(const DeepFrame& f, int channel, double fullScale)
{
    double lo = 1e9, hi = -1, sum = 0;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            const double v = f.at(x, y, channel) * fullScale / 65535.0;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            sum += v;
        }
    return {lo, hi, sum / (static_cast<double>(f.width) * f.height)};
}

class SerFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(Captures)) FAIL() << "test material missing (set QUIVANE_TESTDATA_DIR): " << Captures;
    }

    SerFile Open(const std::string& relative)
    {
        auto opened = SerFile::Open((Captures / relative).string(), MaxFrameSide);
        if (auto* problem = std::get_if<std::string>(&opened)) ADD_FAILURE() << relative << ": " << *problem;
        return std::move(std::get<SerFile>(opened));
    }
};

// Frame 1 of each capture as another program decoded it, with the byte order
// taken from the data whichever way the header's flag was written.
TEST_F(SerFileTest, EveryCaptureDecodesAsItsWriterMadeIt)
{
    const struct {
        const char* file;
        int channels;
        Mosaic mosaic;
        double fullScale;  // the file's full scale: 255, 4095 or 65535
        Stats red;         // or the grey channel
        double greenMean, blueMean;
    } cases[] = {
        {"ser_mono8/mars_mono8.ser", 1, Mosaic::None, 255, {0, 195, 36.25}, 0, 0},
        {"ser_mono16_flag0/moon_mono16_le_flag0.ser", 1, Mosaic::None, 65535, {15232, 51984, 34537.66}, 0, 0},
        {"ser_mono12_flag1/mars_mono12_le_flag1.ser", 1, Mosaic::None, 4095, {47, 2976, 551.45}, 0, 0},
        {"ser_mono16_be/mars_mono16_be_flag0.ser", 1, Mosaic::None, 65535, {784, 48000, 8969.49}, 0, 0},
        {"ser_rggb8/mars_rggb8.ser", 1, Mosaic::RGGB, 255, {0, 246, 34.32}, 0, 0},
        {"ser_rggb16/mars_rggb16_le_flag0.ser", 1, Mosaic::RGGB, 65535, {768, 64272, 8677.20}, 0, 0},
        {"ser_bggr8/mars_bggr8.ser", 1, Mosaic::BGGR, 255, {0, 255, 34.75}, 0, 0},
        {"ser_rgb8/mars_rgb8.ser", 3, Mosaic::None, 255, {-1, -1, 41.03}, 34.41, 26.83},
        {"ser_bgr8/mars_bgr8.ser", 3, Mosaic::None, 255, {-1, -1, 42.07}, 35.34, 27.43},
        {"ser_trailer/moon_mono8_timestamps.ser", 1, Mosaic::None, 255, {57, 211, 135.53}, 0, 0},
    };
    for (const auto& c : cases) {
        SerFile ser = Open(c.file);
        EXPECT_EQ(ser.layout().frames, 20) << c.file;
        EXPECT_EQ(ser.note(), "") << c.file;
        const auto read = ser.ReadFrame(0);
        ASSERT_TRUE(std::holds_alternative<DeepFrame>(read)) << c.file << ": " << std::get<std::string>(read);
        const DeepFrame& f = std::get<DeepFrame>(read);
        EXPECT_EQ(f.width, 160) << c.file;
        EXPECT_EQ(f.height, 120) << c.file;
        EXPECT_EQ(f.channels, c.channels) << c.file;
        EXPECT_EQ(f.mosaic, c.mosaic) << c.file;
        const Stats s = ChannelStats(f, 0, c.fullScale);
        if (c.red.minimum >= 0) {
            EXPECT_NEAR(s.minimum, c.red.minimum, 0.02) << c.file;
            EXPECT_NEAR(s.maximum, c.red.maximum, 0.02) << c.file;
        }
        EXPECT_NEAR(s.mean, c.red.mean, 0.01) << c.file;
        if (c.channels == 3) {
            EXPECT_NEAR(ChannelStats(f, 1, c.fullScale).mean, c.greenMean, 0.01) << c.file;
            EXPECT_NEAR(ChannelStats(f, 2, c.fullScale).mean, c.blueMean, 0.01) << c.file;
        }
    }
}

TEST_F(SerFileTest, ACutCaptureGivesItsWholeFramesAndSaysSo)
{
    SerFile ser = Open("ser_truncated/mars_mono8_truncated.ser");
    EXPECT_EQ(ser.layout().declaredFrames, 25);
    EXPECT_EQ(ser.layout().frames, 17);
    EXPECT_NE(ser.note().find("cut short"), std::string::npos);
    EXPECT_TRUE(std::holds_alternative<DeepFrame>(ser.ReadFrame(16)));
    EXPECT_TRUE(std::holds_alternative<std::string>(ser.ReadFrame(17))) << "the half frame is never delivered";
    EXPECT_FALSE(ser.Timestamp(0));
}

TEST_F(SerFileTest, TheTimestampTrailerIsKeptPerFrameAndIsNoFrame)
{
    SerFile ser = Open("ser_trailer/moon_mono8_timestamps.ser");
    ASSERT_TRUE(ser.layout().hasTimestamps);
    EXPECT_EQ(ser.layout().frames, 20);
    const auto first = ser.Timestamp(0), second = ser.Timestamp(1);
    ASSERT_TRUE(first && second);
    // About 120 frames a second, in ticks of 100 ns.
    EXPECT_NEAR(static_cast<double>(*second - *first), 83333, 2000);
    EXPECT_FALSE(Open("ser_mono8/mars_mono8.ser").layout().hasTimestamps);
}

// Hand-made headers that lie.
TEST(SerHeader, RefusesWhatCannotBeAFrameAndNeverTrustsTheFrameCount)
{
    const auto header = SerHeader;
    const struct {
        std::vector<std::uint8_t> header;
        std::uint64_t fileSize;
        int frames;  // -1: refused
    } cases[] = {
        {header(0, 16, 16, 8, 4), SerHeaderBytes + 4 * 256, 4},
        {header(0, 16, 16, 8, 1 << 30), SerHeaderBytes + 3 * 256 + 10, 3},
        {header(0, 16, 16, 8, 0), SerHeaderBytes + 2 * 256, 2},
        {header(0, 16, 16, 8, 4), SerHeaderBytes + 100, -1},
        {header(0, 16384, 16384, 16, 1), 200, -1},
        {header(0, 0, 16, 8, 1), SerHeaderBytes + 256, -1},
        {header(0, -5, 16, 8, 1), SerHeaderBytes + 256, -1},
        {header(0, 16, 16, 17, 1), SerHeaderBytes + 512, -1},
        {header(16, 16, 16, 8, 1), SerHeaderBytes + 256, -1},
        {header(100, 16, 16, 8, 1), SerHeaderBytes + 768, 1},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseSerHeader(c.header.data(), c.header.size(), c.fileSize, MaxFrameSide);
        if (c.frames < 0) {
            EXPECT_TRUE(std::holds_alternative<std::string>(parsed));
        } else {
            ASSERT_TRUE(std::holds_alternative<SerLayout>(parsed)) << std::get<std::string>(parsed);
            EXPECT_EQ(std::get<SerLayout>(parsed).frames, c.frames);
        }
    }
    std::vector<std::uint8_t> notSer = header(0, 16, 16, 8, 1);
    notSer[0] = 'X';
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseSerHeader(notSer.data(), notSer.size(), 1000, 64)));
}

// Every colour id a SER header may carry, each in a one-frame capture of
// 4 x 4 pixels whose red, green and blue sites hold 200, 120 and 40. A
// pattern the reader names wrongly exchanges red and blue (GRBG for GBRG
// puts the red sites where the blue ones are), so the colours of the decoded
// top-left 2 x 2 block are checked, not only the name.
TEST(SerColourIds, EachIdReadsAsItsLayoutAndDecodesToItsColours)
{
    constexpr int Side = 4;
    constexpr std::uint8_t Red = 200, Green = 120, Blue = 40;
    const auto site = [](char letter) { return letter == 'R' ? Red : letter == 'G' ? Green : Blue; };
    // One frame from the colours of its top-left cell in reading order
    // ("RGGB"), or one pixel's samples in file order ("RGB", "BGR"), or one
    // grey level ("Y").
    const auto frameOf = [&](const std::string& order) {
        std::vector<std::uint8_t> frame;
        for (int y = 0; y < Side; ++y)
            for (int x = 0; x < Side; ++x) {
                if (order.size() == 4) frame.push_back(site(order[static_cast<std::size_t>((y % 2) * 2 + x % 2)]));
                if (order.size() == 3)
                    for (const char c : order) frame.push_back(site(c));
                if (order == "Y") frame.push_back(Green);
            }
        return frame;
    };
    const struct {
        int id;
        std::string stored;  // what the frame holds, as above; empty: the id is refused
        int planes;
        Mosaic mosaic;
    } cases[] = {
        {0, "Y", 1, Mosaic::None},       {8, "RGGB", 1, Mosaic::RGGB},  {9, "GRBG", 1, Mosaic::GRBG},
        {10, "GBRG", 1, Mosaic::GBRG},   {11, "BGGR", 1, Mosaic::BGGR}, {100, "RGB", 3, Mosaic::None},
        {101, "BGR", 3, Mosaic::None},   {1, "", 0, Mosaic::None},      {7, "", 0, Mosaic::None},
        {12, "", 0, Mosaic::None},       {16, "", 0, Mosaic::None},     {99, "", 0, Mosaic::None},
        {102, "", 0, Mosaic::None},      {-1, "", 0, Mosaic::None},
    };
    const testing::TempFolder folder("ser_colour_ids");
    for (const auto& c : cases) {
        const std::string name = "colour " + std::to_string(c.id);
        const std::string path = folder / (std::to_string(c.id) + ".ser");
        {
            std::vector<std::uint8_t> bytes = SerHeader(c.id, Side, Side, 8, 1);
            // A refused id still gets a frame of grey, so that only the id is wrong.
            const std::vector<std::uint8_t> frame = frameOf(c.stored.empty() ? "Y" : c.stored);
            bytes.insert(bytes.end(), frame.begin(), frame.end());
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
        }
        auto opened = SerFile::Open(path, MaxFrameSide);
        if (c.stored.empty()) {
            ASSERT_TRUE(std::holds_alternative<std::string>(opened)) << name;
            EXPECT_NE(std::get<std::string>(opened).find("colour type " + std::to_string(c.id)), std::string::npos)
                << name << ": " << std::get<std::string>(opened);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<SerFile>(opened)) << name << ": " << std::get<std::string>(opened);
        SerFile& ser = std::get<SerFile>(opened);
        EXPECT_EQ(ser.layout().colourId, c.id) << name;
        EXPECT_EQ(ser.layout().planes, c.planes) << name;
        EXPECT_EQ(ser.layout().mosaic(), c.mosaic) << name;
        EXPECT_EQ(ser.IsEightBitGrey(), c.id == 0) << name;
        const auto read = ser.ReadFrame(0);
        ASSERT_TRUE(std::holds_alternative<DeepFrame>(read)) << name << ": " << std::get<std::string>(read);
        const DeepFrame& raw = std::get<DeepFrame>(read);
        EXPECT_EQ(raw.channels, c.planes) << name;
        EXPECT_EQ(raw.mosaic, c.mosaic) << name;
        const DeepFrame colour = Debayer(raw, raw.mosaic);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                const std::string at = name + " at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
                if (c.id == 0) {
                    EXPECT_EQ(colour.channels, 1) << at;
                    EXPECT_EQ(colour.at(x, y), Green * 257) << at;
                    continue;
                }
                ASSERT_EQ(colour.channels, 3) << at;
                EXPECT_EQ(colour.at(x, y, 0), Red * 257) << at;
                EXPECT_EQ(colour.at(x, y, 1), Green * 257) << at;
                EXPECT_EQ(colour.at(x, y, 2), Blue * 257) << at;
            }
    }
}

// Samples of any depth are put on the 0..65535 scale as
// round(v * 65535 / (2^depth - 1)), so a level just past the middle of two
// deep levels takes the upper one; samples above the depth are full scale.
TEST(SerDepth, SamplesAreScaledToTheNearestDeepLevel)
{
    const struct {
        int depth;
        std::vector<std::uint16_t> raw;
        std::vector<std::uint16_t> deep;
    } cases[] = {
        {6, {0, 1, 11, 63, 64, 255}, {0, 1040, 11443, 65535, 65535, 65535}},           // 1040.24, 11442.62
        {8, {0, 1, 128, 255}, {0, 257, 32896, 65535}},                                  // exactly times 257
        {12, {1, 137, 2048, 4095, 4096, 65535}, {16, 2193, 32776, 65535, 65535, 65535}},  // 2192.50, 32775.50
        {16, {0, 1, 32768, 65535}, {0, 1, 32768, 65535}},
    };
    for (const auto& c : cases) {
        SerLayout l;
        l.width = static_cast<int>(c.raw.size());
        l.height = 1;
        l.depth = c.depth;
        l.bytesPerSample = c.depth > 8 ? 2 : 1;
        l.frameBytes = c.raw.size() * static_cast<std::size_t>(l.bytesPerSample);
        std::vector<std::uint8_t> frame;
        for (const std::uint16_t v : c.raw) {
            frame.push_back(static_cast<std::uint8_t>(v));
            if (l.bytesPerSample == 2) frame.push_back(static_cast<std::uint8_t>(v >> 8));
        }
        const DeepFrame f = DecodeSerFrame(l, frame.data(), true);
        EXPECT_EQ(f.bits, c.depth);
        EXPECT_EQ(f.samples, c.deep) << c.depth << " bits";
    }
}

TEST(SerByteOrder, TheDataDecidesAndTheFlagOnlyBreaksATie)
{
    SerLayout l;
    l.width = 4;
    l.height = 1;
    l.bytesPerSample = 2;
    l.frameBytes = 8;
    // 12-bit values in the low bits, little-endian: read big-endian they exceed 4095.
    l.depth = 12;
    const std::uint8_t low[] = {0x10, 0x0F, 0x20, 0x0F, 0x30, 0x0F, 0x40, 0x0F};
    l.headerSaysLittleEndian = false;
    EXPECT_TRUE(SamplesAreLittleEndian(l, low));
    // 12-bit values in the high bits, big-endian: the low four bits are zero.
    l.depth = 16;
    const std::uint8_t high[] = {0x12, 0x30, 0x45, 0x60, 0x78, 0x90, 0xAB, 0xC0};
    l.headerSaysLittleEndian = true;
    EXPECT_FALSE(SamplesAreLittleEndian(l, high));
    // Nothing to tell the orders apart: the flag decides.
    const std::uint8_t flat[] = {0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(SamplesAreLittleEndian(l, flat));
    l.headerSaysLittleEndian = false;
    EXPECT_FALSE(SamplesAreLittleEndian(l, flat));
}

}  // namespace
}  // namespace quivane
