#include "enhance/EnhancementStages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "enhance/Kernel.h"

namespace quivane {
namespace {

// What every part of the program derives from the list must be sound: one
// entry per stage, options and notes keys no two stages share, and start
// values the parameters' own ranges accept.
TEST(EnhancementStages, EachStageIsListedOnceWithItsOwnNamesAndSoundRanges)
{
    std::set<EnhancementStageId> ids;
    std::set<std::string> options, keys;
    std::set<int> kernels;
    ASSERT_EQ(EnhancementStages().size(), static_cast<std::size_t>(EnhancementStageCount));
    for (const EnhancementStage* stage : EnhancementStages()) {
        SCOPED_TRACE(std::string(stage->title));
        EXPECT_TRUE(ids.insert(stage->id).second);
        EXPECT_EQ(&StageOf(stage->id), stage);
        EXPECT_TRUE(keys.insert(std::string(stage->noteKey)).second);
        EXPECT_LE(stage->noteKey.size(), 8u) << "a FITS keyword holds at most eight characters";
        EXPECT_TRUE(kernels.insert(stage->kernel).second) << "each stage has a kernel of its own";
        EXPECT_TRUE(options.insert(std::string(stage->kernelOption)).second);
        if (!stage->switchOption.empty()) {
            EXPECT_TRUE(options.insert(std::string(stage->switchOption)).second);
        }
        ASSERT_LE(stage->parameters.size(), static_cast<std::size_t>(MaxStageParameters));
        bool switchable = !stage->switchOption.empty();
        for (const StageParameter& p : stage->parameters) {
            EXPECT_TRUE(options.insert(std::string(p.option)).second) << p.option;
            EXPECT_TRUE(p.range.accepts(p.range.start)) << p.name;
            EXPECT_FALSE(p.description.empty()) << p.name;
            if (!p.choices.empty()) {
                EXPECT_EQ(p.range.minimum, 0) << p.name;
                EXPECT_EQ(p.range.maximum + 1, static_cast<int>(p.choices.size())) << p.name;
            }
            switchable = switchable || p.switchesOn;
        }
        EXPECT_TRUE(switchable) << "the command line must be able to switch every stage on";
    }
}

TEST(EnhancementStages, SettingsStartOffAtTheDeclaredStartValues)
{
    const EnhancementSettings settings;
    for (const EnhancementStage* stage : EnhancementStages()) {
        EXPECT_FALSE(settings[stage->id].on);
        for (std::size_t i = 0; i < stage->parameters.size(); ++i)
            EXPECT_EQ(settings[stage->id].values[i], stage->parameters[i].range.start);
    }
    EXPECT_EQ(WriteBacksAskedFor(settings), 0);
}

// The write-backs a run asks for set the "stopped after k of n steps" note
// and how far a deep save replays: one per single-pass stage, one per
// deconvolution iteration.
TEST(EnhancementStages, WriteBacksCountEveryIterationOfTheStagesSwitchedOn)
{
    EnhancementSettings settings;
    settings[EnhancementStageId::Deconvolution] = {true, {0, 5}};
    EXPECT_EQ(WriteBacksAskedFor(settings), 5);
    settings[EnhancementStageId::Convolution].on = true;
    EXPECT_EQ(WriteBacksAskedFor(settings), 6);
    for (const EnhancementStage* stage : EnhancementStages()) settings[stage->id].on = true;
    EXPECT_EQ(WriteBacksAskedFor(settings), 7);
}

TEST(EnhancementStages, NotesNameTheMethodTheIterationsAndTheKernelSize)
{
    const Kernel kernel(5, 3);
    EXPECT_EQ(StageOf(EnhancementStageId::Deconvolution).describe({true, {1, 1}}, kernel),
              "LR, 1 iteration, kernel 3 x 5");
    EXPECT_EQ(StageOf(EnhancementStageId::Deconvolution).describe({true, {0, 4}}, kernel),
              "Cit, 4 iterations, kernel 3 x 5");
    EXPECT_EQ(StageOf(EnhancementStageId::UnsharpMask).describe({true, {7}}, kernel), "strength 7, kernel 3 x 5");
    EXPECT_EQ(StageOf(EnhancementStageId::Convolution).describe({true, {}}, kernel), "kernel 3 x 5");
}

}  // namespace
}  // namespace quivane
