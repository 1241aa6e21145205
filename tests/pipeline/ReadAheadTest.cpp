#include "pipeline/ReadAhead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace quivane {
namespace {

// Frames of a few levels, some slow to read, some missing, one that ends the
// load or throws; every read is logged, in the order the source saw them.
// Read one at a time, or two at once when `apart`.
template <bool apart>
struct ScriptedSource {
    static constexpr bool ReadsApart = apart;
    struct Storage {
        Bitmap24 frame;
    };
    int missing = -1;
    int ending = -1;
    int throwing = -1;
    std::mutex logging;
    std::vector<int> reads;
    FrameRead read(int k, Storage& storage)
    {
        {
            std::lock_guard lock(logging);
            reads.push_back(k);
        }
        if (k % 3 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
        if (k == missing) return {};
        if (k == ending) return std::string("frame ") + std::to_string(k) + " is damaged";
        if (k == throwing) throw std::runtime_error("read failed");
        storage.frame = Bitmap24(64, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                storage.frame.at(x, y) = ColourPixel{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(x * 4),
                                                     static_cast<std::uint8_t>(y * 5)};
        return FrameRef(ColourRows(storage.frame));
    }
};

SeriesSettings Small()
{
    SeriesSettings settings;
    settings.width = 64;
    settings.height = 48;
    settings.enlargement = 1;
    settings.work = SeriesWork::Pictures;
    return settings;
}

template <class Source>
class ReadingAhead : public ::testing::Test {};
using Sources = ::testing::Types<ScriptedSource<false>, ScriptedSource<true>>;
TYPED_TEST_SUITE(ReadingAhead, Sources);

// Frames are read once each, in order where reads are one at a time, and
// come back in order, each with the picture made from it alone.
TYPED_TEST(ReadingAhead, EveryFrameIsReadOnceInOrderAndHandedOutInOrder)
{
    TypeParam source;
    source.missing = 7;
    const SeriesSettings settings = Small();
    {
        ReadAhead frames(source, 40, settings);
        ColourRows before;  // kept until the next frame is in hand; none while empty
        for (int k = 0; k < 40; ++k) {
            typename ReadAhead<TypeParam>::Done done = frames.Next(k);
            if (before.height() > 0) {
                ASSERT_EQ(before.row(0)->blue, k - 1 - (k - 1 == source.missing)) << "a kept frame stays";
                frames.Release(k - 1 - (k - 1 == source.missing));
                before = ColourRows();
            }
            if (k == source.missing) {
                EXPECT_TRUE(std::holds_alternative<std::monostate>(done.read));
                EXPECT_FALSE(done.prepared);
                frames.Release(k);
                continue;
            }
            const ColourRows frame = std::get<ColourRows>(std::get<FrameRef>(done.read));
            ASSERT_EQ(frame.row(0)->blue, k) << "the frame handed out is frame " << k;
            ASSERT_TRUE(done.prepared);
            EXPECT_EQ(done.prepared->picture.bitmap, PrepareFrame(frame, settings).picture.bitmap);
            before = frame;
        }
    }
    std::vector<int> expected(40);
    for (int k = 0; k < 40; ++k) expected[static_cast<std::size_t>(k)] = k;
    if (TypeParam::ReadsApart) std::sort(source.reads.begin(), source.reads.end());
    EXPECT_EQ(source.reads, expected);
}

// A frame whose reading ends the load is handed out with its message, and
// the reading stops soon after it: within a frame when reads are one at a
// time, within the frames in hand when they run together. An exception
// comes out of Next for its own frame, after every frame before it.
TYPED_TEST(ReadingAhead, AnEndingFrameStopsTheReadingAndAThrowComesOutForItsFrame)
{
    TypeParam ending;
    ending.ending = 5;
    const SeriesSettings settings = Small();
    {
        ReadAhead frames(ending, 40, settings);
        for (int k = 0; k < 5; ++k) {
            EXPECT_TRUE(frames.Next(k).prepared);
            frames.Release(k);
        }
        EXPECT_EQ(std::get<std::string>(frames.Next(5).read), "frame 5 is damaged");
    }
    EXPECT_LE(ending.reads.size(), TypeParam::ReadsApart ? 9u : 7u);

    TypeParam throwing;
    throwing.throwing = 3;
    ReadAhead frames(throwing, 40, settings);
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(frames.Next(k).prepared);
        frames.Release(k);
    }
    EXPECT_THROW(frames.Next(3), std::runtime_error);
}

// The frame added last is kept while the frames after it cannot be used (a
// capture whose data ends early): the reading goes on past it.
TYPED_TEST(ReadingAhead, AFrameKeptFarBehindDoesNotHoldUpTheReading)
{
    TypeParam source;
    const SeriesSettings settings = Small();
    ReadAhead frames(source, 12, settings);
    const ColourRows kept = std::get<ColourRows>(std::get<FrameRef>(frames.Next(0).read));
    for (int k = 1; k < 12; ++k) {
        EXPECT_TRUE(frames.Next(k).prepared);
        frames.Release(k);
    }
    EXPECT_EQ(kept.row(0)->blue, 0);
}

// A load that stops early leaves the helper waiting for room; ending it then
// must neither hang nor read on to the end.
TYPED_TEST(ReadingAhead, StoppingEarlyEndsTheHelper)
{
    TypeParam source;
    const SeriesSettings settings = Small();
    {
        ReadAhead frames(source, 1000, settings);
        frames.Next(0);
        frames.Release(0);
        frames.Next(1);
    }
    EXPECT_LE(source.reads.size(), 6u);
}

}  // namespace
}  // namespace quivane
