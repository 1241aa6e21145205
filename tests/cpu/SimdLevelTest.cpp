#include "cpu/SimdLevel.h"

#include <gtest/gtest.h>

#include <thread>

namespace quivane {
namespace {

TEST(SimdLevelSetting, NamesAskForTheirLevelNeverAboveTheWidest)
{
    std::string complaint;
    for (const SimdLevel widest : {SimdLevel::Plain, SimdLevel::Avx2}) {
        EXPECT_EQ(SimdLevelSetting("plain", widest, complaint), SimdLevel::Plain);
        EXPECT_EQ(SimdLevelSetting("avx2", widest, complaint), widest);
        // No level is wider than AVX2: avx512 asks for the widest there is.
        EXPECT_EQ(SimdLevelSetting("avx512", widest, complaint), widest);
        EXPECT_TRUE(complaint.empty());
        EXPECT_EQ(SimdLevelSetting(nullptr, widest, complaint), std::nullopt);
        EXPECT_EQ(SimdLevelSetting("", widest, complaint), std::nullopt);
        EXPECT_TRUE(complaint.empty());
    }
}

TEST(SimdLevelSetting, AnUnknownValueGivesTheWidestAndOneLineSayingSo)
{
    std::string complaint;
    for (const char* value : {"AVX2", "sse2", "off", "avx2 "}) {
        EXPECT_EQ(SimdLevelSetting(value, SimdLevel::Avx2, complaint), SimdLevel::Avx2) << value;
        EXPECT_NE(complaint.find(value), std::string::npos) << complaint;
        EXPECT_NE(complaint.find("avx2"), std::string::npos) << complaint;
        EXPECT_EQ(complaint.find('\n'), std::string::npos) << complaint;
    }
    // A known value after an unknown one leaves no complaint behind.
    EXPECT_EQ(SimdLevelSetting("plain", SimdLevel::Avx2, complaint), SimdLevel::Plain);
    EXPECT_TRUE(complaint.empty());
}

TEST(ScopedSimdLevel, ForcesALevelOnEveryThreadAndPutsTheOneBeforeBack)
{
    const SimdLevel before = ActiveSimdLevel();
    EXPECT_LE(before, ProcessorSimdLevel());
    {
        const ScopedSimdLevel plain(SimdLevel::Plain);
        EXPECT_EQ(ActiveSimdLevel(), SimdLevel::Plain);
        SimdLevel seen = SimdLevel::Avx2;
        std::thread([&seen] { seen = ActiveSimdLevel(); }).join();
        EXPECT_EQ(seen, SimdLevel::Plain);
        {
            // Never above what the processor has.
            const ScopedSimdLevel widest(SimdLevel::Avx2);
            EXPECT_EQ(ActiveSimdLevel(), ProcessorSimdLevel());
        }
        EXPECT_EQ(ActiveSimdLevel(), SimdLevel::Plain);
    }
    EXPECT_EQ(ActiveSimdLevel(), before);
}

TEST(ScopedSimdLevel, TheProcessorsLevelsRunFromPlainToItsWidest)
{
    const std::vector<SimdLevel> levels = ProcessorSimdLevels();
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.front(), SimdLevel::Plain);
    EXPECT_EQ(levels.back(), ProcessorSimdLevel());
    for (const SimdLevel level : levels) {
        const ScopedSimdLevel forced(level);
        EXPECT_EQ(ActiveSimdLevel(), level) << SimdLevelName(level);
    }
}

}  // namespace
}  // namespace quivane
