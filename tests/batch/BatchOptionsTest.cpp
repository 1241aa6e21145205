#include "batch/BatchOptions.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "enhance/EnhancementStages.h"
#include "enhance/Kernel.h"
#include "workspace/Controls.h"

namespace quivane {
namespace {

std::variant<BatchOptions, UsageError> Parse(std::vector<std::string> extra)
{
    std::vector<std::string> args = {"--bmp", "a/IMG_01.BMP", "a/IMG_09.BMP", "--output", "out.bmp"};
    args.insert(args.end(), extra.begin(), extra.end());
    return ParseBatchOptions(args);
}

std::string ErrorOf(std::vector<std::string> extra)
{
    const auto parsed = Parse(std::move(extra));
    return std::holds_alternative<UsageError>(parsed) ? std::get<UsageError>(parsed).message : "";
}

TEST(BatchOptions, DefaultsAreTheWindowsStartValuesWithFullColour)
{
    const auto parsed = Parse({});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed));
    const BatchOptions& o = std::get<BatchOptions>(parsed);
    EXPECT_EQ(o.width, 192);
    EXPECT_EQ(o.resample, 2);
    EXPECT_EQ(o.mode, 2);
    EXPECT_EQ(o.saturation, 100);
    EXPECT_EQ(o.combine, CombineMethod::Mean);
    EXPECT_FALSE(o.param);
    EXPECT_EQ(o.enhancement[EnhancementStageId::Deconvolution].values[1], 1);
    EXPECT_FALSE(o.alignAuto);
    EXPECT_EQ(o.first, "a/IMG_01.BMP");
}

TEST(BatchOptions, ReadsPictureStateAndAlignment)
{
    const auto parsed = Parse({"--quality", "2:good", "--quality", "3:0", "--offset", "4:-7:5", "--align", "auto",
                               "--reference", "0", "--view-origin", "-1:30", "--combine", "median", "--param", "8",
                               "--deconvolve", "lr", "--iterations", "16", "--unsharp", "0", "--clahe", "16"});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed)) << std::get<UsageError>(parsed).message;
    const BatchOptions& o = std::get<BatchOptions>(parsed);
    ASSERT_EQ(o.qualities.size(), 2u);
    EXPECT_EQ(o.qualities[0].picture, 2);
    EXPECT_EQ(o.qualities[0].quality, 3);
    EXPECT_EQ(o.qualities[1].quality, 0);
    ASSERT_EQ(o.offsets.size(), 1u);
    EXPECT_EQ(o.offsets[0].dx, -7);
    EXPECT_EQ(o.offsets[0].dy, 5);
    EXPECT_TRUE(o.alignAuto);
    EXPECT_EQ(o.reference, 0);
    EXPECT_EQ(o.viewOriginX, -1);
    EXPECT_EQ(o.viewOriginY, 30);
    EXPECT_EQ(o.combine, CombineMethod::Median);
    EXPECT_EQ(o.param, 8);
    EXPECT_TRUE(o.enhancement[EnhancementStageId::Deconvolution].on);
    EXPECT_EQ(o.enhancement[EnhancementStageId::Deconvolution].values[0], 1);
    EXPECT_EQ(o.enhancement[EnhancementStageId::Deconvolution].values[1], 16);
    EXPECT_TRUE(o.enhancement[EnhancementStageId::UnsharpMask].on);
    EXPECT_EQ(o.enhancement[EnhancementStageId::UnsharpMask].values[0], 0);
    EXPECT_EQ(o.clahe, 16);
}

// The stages' options come from their declarations: each takes the ends of
// its range, sets that value (switching the stage on where it says so) and
// refuses what lies outside; each stage's kernel option names its own kernel.
TEST(BatchOptions, EveryStageOptionTakesItsRangeAndRefusesWhatLiesOutside)
{
    for (const EnhancementStage* stage : EnhancementStages()) {
        SCOPED_TRACE(std::string(stage->title));
        for (std::size_t i = 0; i < stage->parameters.size(); ++i) {
            const StageParameter& p = stage->parameters[i];
            const std::string option(p.option);
            const auto text = [&](int v) {
                return p.choices.empty() ? std::to_string(v) : std::string(p.choices[static_cast<std::size_t>(v)]);
            };
            for (int value : {p.range.minimum, p.range.maximum}) {
                const auto parsed = Parse({option, text(value)});
                ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed)) << std::get<UsageError>(parsed).message;
                const StageSettings& set = std::get<BatchOptions>(parsed).enhancement[stage->id];
                EXPECT_EQ(set.values[i], value) << option;
                EXPECT_EQ(set.on, p.switchesOn) << option;
            }
            if (p.choices.empty()) {
                EXPECT_NE(ErrorOf({option, std::to_string(p.range.minimum - 1)}), "");
                EXPECT_NE(ErrorOf({option, std::to_string(p.range.maximum + 1)}), "");
            } else {
                EXPECT_EQ(ErrorOf({option, "none"}), option + " none: expected cit|lr");
            }
        }
        if (!stage->switchOption.empty()) {
            const auto parsed = Parse({std::string(stage->switchOption)});
            ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed));
            EXPECT_TRUE(std::get<BatchOptions>(parsed).enhancement[stage->id].on);
        }
        const auto parsed = Parse({std::string(stage->kernelOption), "k.bmp"});
        ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed));
        const BatchOptions& o = std::get<BatchOptions>(parsed);
        for (int kind : {UnsharpMaskKernel, ConvolutionKernel, DeconvolutionKernel})
            EXPECT_EQ(o.kernelFiles[static_cast<std::size_t>(kind)], kind == stage->kernel ? "k.bmp" : "");
        EXPECT_FALSE(o.enhancement[stage->id].on) << "naming a kernel does not switch its stage on";
    }
}

// The usage text's combine and enhancement lines are built from the lists;
// they read as they always have.
TEST(BatchOptions, UsageListsTheMethodsAndEveryStageOptionInTheRunsOrder)
{
    const std::string usage = BatchUsage();
    EXPECT_NE(usage.find("Combination:  --combine mean|median|minmax|multiply  --param P (0..252, step 4)\n"
                         "Enhancement:  --unsharp S (0..16)  --deconvolve cit|lr  --iterations N (1..16)\n"
                         "              --convolve  --uma-psf F  --dec-psf F  --filter F\n"
                         "Display:      --mode 0..3"),
              std::string::npos)
        << usage;
}

// --stages lists every stage's options in the order the run applies them.
TEST(BatchOptions, StageListingNamesEveryOptionInTheRunsOrder)
{
    const std::string listing = StageListing();
    std::size_t at = 0;
    for (const EnhancementStage* stage : EnhancementStages()) {
        at = listing.find(std::string(stage->title), at);
        ASSERT_NE(at, std::string::npos) << stage->title;
        for (const StageParameter& p : stage->parameters) {
            EXPECT_NE(listing.find(std::string(p.option), at), std::string::npos) << p.option;
            EXPECT_NE(listing.find(std::string(p.description), at), std::string::npos) << p.option;
        }
    }
    EXPECT_TRUE(AsksForStageListing({"--avi", "x.ser", "--stages"}));
    EXPECT_FALSE(AsksForStageListing({"--avi", "x.ser"}));
}

TEST(BatchOptions, RefusesValuesOutsideTheControlsRangesAndSteps)
{
    EXPECT_EQ(ErrorOf({"--width", "100"}), "--width 100: expected 64..768 in steps of 64");
    EXPECT_NE(ErrorOf({"--width", "832"}), "");
    EXPECT_NE(ErrorOf({"--param", "6"}), "");
    EXPECT_NE(ErrorOf({"--bias", "129"}), "");
    EXPECT_NE(ErrorOf({"--gain", "256"}), "");
    EXPECT_NE(ErrorOf({"--saturation", "401"}), "");
    EXPECT_NE(ErrorOf({"--iterations", "0"}), "");
    EXPECT_NE(ErrorOf({"--resample", "7"}), "");
    EXPECT_NE(ErrorOf({"--mode", "4"}), "");
    EXPECT_NE(ErrorOf({"--quality", "2:great"}), "");
    EXPECT_NE(ErrorOf({"--offset", "2:3"}), "");
    EXPECT_NE(ErrorOf({"--combine", "sum"}), "");
    EXPECT_NE(ErrorOf({"--width", "12x"}), "");
}

TEST(BatchOptions, RefusesMissingInputOutputAndUnknownOptions)
{
    EXPECT_EQ(ErrorOf({"--frobnicate"}), "unknown option --frobnicate");
    EXPECT_EQ(ErrorOf({"--width"}), "--width needs a value");
    const auto noInput = ParseBatchOptions({"--output", "x.bmp"});
    EXPECT_TRUE(std::holds_alternative<UsageError>(noInput));
    const auto noOutput = ParseBatchOptions({"--bmp", "a", "b"});
    EXPECT_TRUE(std::holds_alternative<UsageError>(noOutput));
    EXPECT_NE(ErrorOf({"--lut", "x.lut", "--lut-negative"}), "");
}

TEST(BatchOptions, ShiftsAndOriginsStayWithinBoundsThatCannotOverflow)
{
    const struct {
        std::vector<std::string> arguments;
        bool accepted;
    } cases[] = {
        {{"--offset", "1:16384:-16384"}, true},
        {{"--offset", "1:16385:0"}, false},
        {{"--offset", "1:2147483647:2147483647"}, false},
        {{"--offset", "1:0:-16385"}, false},
        {{"--view-origin", "-1:16384"}, true},
        {{"--view-origin", "-2:0"}, false},
        {{"--view-origin", "0:2147483647"}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.arguments).empty(), c.accepted) << c.arguments[1];
}

TEST(BatchOptions, AnyReferenceAboveTheCountMeansTheLastPicture)
{
    for (const char* text : {"1073741825", "2147483647", "99999999999999999999"}) {
        const auto parsed = Parse({"--reference", text});
        ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed)) << text;
        EXPECT_GT(*std::get<BatchOptions>(parsed).reference, 1 << 30) << text;
    }
    for (const char* text : {"-1", "2x", ""}) EXPECT_NE(ErrorOf({"--reference", text}), "") << text;
}

TEST(BatchOptions, OnlyMarksAndOffsetsMayBeRepeated)
{
    EXPECT_EQ(ErrorOf({"--output", "other.bmp"}), "--output is given twice");
    EXPECT_EQ(ErrorOf({"--bmp", "b/X_1.BMP", "b/X_2.BMP"}), "--bmp is given twice");
    EXPECT_NE(ErrorOf({"--align", "auto", "--align", "auto"}), "");
    EXPECT_NE(ErrorOf({"--combine", "mean", "--combine", "median"}), "");
    EXPECT_NE(ErrorOf({"--convolve", "--convolve"}), "");
    EXPECT_EQ(ErrorOf({"--quality", "1:good", "--quality", "1:bad", "--offset", "1:1:1", "--offset", "1:2:2"}), "");
}

TEST(BatchOptions, CaptureOptions)
{
    const auto series = ParseBatchOptions({"--series", "m/M_01.PNG", "m/M_20.PNG", "--output", "o.tif", "--bayer",
                                           "gbrg", "--memory", "48"});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(series)) << std::get<UsageError>(series).message;
    EXPECT_EQ(std::get<BatchOptions>(series).first, "m/M_01.PNG");
    EXPECT_EQ(std::get<BatchOptions>(series).bayer, BayerChoice::GBRG);
    EXPECT_EQ(ErrorOf({"--series", "a/B_1.PNG", "a/B_2.PNG"}).find("exclude each other") != std::string::npos, true);
    EXPECT_NE(ErrorOf({"--bayer", "rgbg"}), "");
    EXPECT_NE(ErrorOf({"--memory", "47"}), "");
    EXPECT_NE(ErrorOf({"--memory", std::to_string(MachineMemoryMiB() + 1)}), "");
}

TEST(BatchOptions, KeepTakesAPercentageOrACount)
{
    const auto percent = Parse({"--keep", "25%", "--print-quality"});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(percent));
    const BatchOptions& p = std::get<BatchOptions>(percent);
    ASSERT_TRUE(p.keep);
    EXPECT_EQ(p.keep->kind, KeepRule::Kind::Percent);
    EXPECT_EQ(p.keep->amount, 25);
    EXPECT_TRUE(p.printQuality);

    const auto count = Parse({"--keep", "40"});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(count));
    EXPECT_EQ(std::get<BatchOptions>(count).keep->kind, KeepRule::Kind::Count);
    EXPECT_EQ(std::get<BatchOptions>(count).keep->amount, 40);
    EXPECT_EQ(std::get<BatchOptions>(Parse({"--keep", "0%"})).keep->amount, 0);
    EXPECT_EQ(std::get<BatchOptions>(Parse({"--keep", "100%"})).keep->amount, 100);
    EXPECT_EQ(std::get<BatchOptions>(Parse({"--keep", "99999999999"})).keep->amount, std::numeric_limits<int>::max())
        << "any count above the number of pictures keeps them all";

    const auto none = Parse({});
    EXPECT_FALSE(std::get<BatchOptions>(none).keep);
    EXPECT_FALSE(std::get<BatchOptions>(none).printQuality);

    for (const char* bad : {"101%", "-5", "-5%", "%", "", "2.5%", "ten", "25 %", "999999999999%"})
        EXPECT_EQ(ErrorOf({"--keep", bad}), "--keep " + std::string(bad) + ": expected P% (0..100) or a count N (0 and up)")
            << bad;
    EXPECT_EQ(ErrorOf({"--keep", "5", "--keep", "6"}), "--keep is given twice");
    EXPECT_EQ(ErrorOf({"--keep"}), "--keep needs a value");
}

TEST(BatchOptions, HelpIsFoundInAnyPosition)
{
    EXPECT_TRUE(AsksForHelp({"--bmp", "a", "b", "--help"}));
    EXPECT_TRUE(AsksForHelp({"--width", "64", "-h"}));
    EXPECT_FALSE(AsksForHelp({"--bmp", "a", "b", "--output", "help.bmp"}));
}

}  // namespace
}  // namespace quivane

namespace quivane {
namespace {

// Each option that sets a control takes exactly the values the control can
// be given: its range, and for a spin edit the steps its arrows reach.
struct ControlOption {
    const char* option;
    ControlId control;
};

class OptionFollowsItsControl : public ::testing::TestWithParam<ControlOption> {};

TEST_P(OptionFollowsItsControl, AcceptsWhatTheControlAcceptsAndNothingElse)
{
    const ControlOption c = GetParam();
    const ControlDeclaration d = DeclarationOf(c.control);
    for (int value : {d.minimum - 1, d.minimum, d.start, d.start + 1, d.start + d.step, d.maximum, d.maximum + 1}) {
        const auto parsed =
            ParseBatchOptions({"--bmp", "A1.BMP", "A2.BMP", "--output", "r.bmp", c.option, std::to_string(value)});
        EXPECT_EQ(std::holds_alternative<BatchOptions>(parsed), AcceptsValue(d, value)) << c.option << ' ' << value;
    }
}

INSTANTIATE_TEST_SUITE_P(Controls, OptionFollowsItsControl,
                         ::testing::Values(ControlOption{"--width", ControlId::ResultSizeSpinEdit},
                                           ControlOption{"--resample", ControlId::ResampleSpinEdit},
                                           ControlOption{"--param", ControlId::CombineSpinEdit},
                                           ControlOption{"--unsharp", ControlId::UmaStrengthSpinEdit},
                                           ControlOption{"--iterations", ControlId::DecIterationsSpinEdit},
                                           ControlOption{"--mode", ControlId::ShowResultRadioGroup},
                                           ControlOption{"--saturation", ControlId::SaturationTrackBar},
                                           ControlOption{"--clahe", ControlId::CLAHESpinEdit},
                                           ControlOption{"--bias", ControlId::BIASSpinEdit},
                                           ControlOption{"--gain", ControlId::GAINSpinEdit}));

TEST(ControlDeclarations, SpinEditsReachOnlyTheirStepsAndTrackBarsAnyPosition)
{
    const ControlDeclaration width = DeclarationOf(ControlId::ResultSizeSpinEdit);
    EXPECT_TRUE(AcceptsValue(width, 256));
    EXPECT_FALSE(AcceptsValue(width, 200));
    EXPECT_TRUE(AcceptsValue(DeclarationOf(ControlId::SaturationTrackBar), 101));
    // The window's mirror starts from the same declarations.
    const Controls controls;
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const auto id = static_cast<ControlId>(i);
        const ControlDeclaration d = DeclarationOf(id);
        EXPECT_EQ(controls[id], (ControlState{d.start, d.minimum, d.maximum, d.step, d.enabled, d.visible})) << i;
        EXPECT_TRUE(AcceptsValue(d, d.start)) << "start value outside its own control " << i;
    }
}

TEST(BatchOptions, DepthIsCheckedAgainstTheFormatTheOutputNames)
{
    auto parsed = ParseBatchOptions({"--bmp", "a/IMG_01.BMP", "a/IMG_09.BMP", "--output", "m.TIFF", "--depth", "16"});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed)) << std::get<UsageError>(parsed).message;
    EXPECT_EQ(std::get<BatchOptions>(parsed).depth, SampleDepth::Sixteen);
    EXPECT_EQ(std::get<BatchOptions>(Parse({})).depth, SampleDepth::Eight);

    EXPECT_EQ(ErrorOf({"--depth", "16"}),
              "--depth 16: a BMP holds 8 bits a channel; name the output .png, .tif or .fits");
    EXPECT_EQ(ErrorOf({"--depth", "12"}), "--depth 12: expected 8|16|float");
    parsed = ParseBatchOptions({"--bmp", "a/IMG_01.BMP", "a/IMG_09.BMP", "--output", "m.png", "--depth", "float"});
    ASSERT_TRUE(std::holds_alternative<UsageError>(parsed));
    EXPECT_EQ(std::get<UsageError>(parsed).message,
              "--depth float: a PNG holds 8 or 16 bits a channel; name the output .fits for float");
    parsed = ParseBatchOptions({"--bmp", "a/IMG_01.BMP", "a/IMG_09.BMP", "--output", "m.fts", "--depth", "float"});
    EXPECT_TRUE(std::holds_alternative<BatchOptions>(parsed));
}

}  // namespace
}  // namespace quivane

namespace quivane {
namespace {

// --align local is the automatic search and the points; --points and
// --local-keep belong to it and are checked like the rest.
TEST(BatchOptions, LocalAlignmentAndItsOptions)
{
    const auto parsed = Parse({"--align", "local", "--points", "48", "--local-keep", "40%"});
    ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed)) << std::get<UsageError>(parsed).message;
    const BatchOptions& o = std::get<BatchOptions>(parsed);
    EXPECT_TRUE(o.alignAuto);
    EXPECT_TRUE(o.alignLocal);
    EXPECT_EQ(o.pointSize, 48);
    ASSERT_TRUE(o.localKeep);
    EXPECT_EQ(o.localKeep->kind, KeepRule::Kind::Percent);
    EXPECT_EQ(o.localKeep->amount, 40);
    const auto counted = Parse({"--align", "local", "--local-keep", "12"});
    EXPECT_EQ(std::get<BatchOptions>(counted).localKeep->kind, KeepRule::Kind::Count);
    const auto plain = Parse({"--align", "auto"});
    EXPECT_FALSE(std::get<BatchOptions>(plain).alignLocal);

    EXPECT_EQ(ErrorOf({"--points", "32"}), "--points needs --align local");
    EXPECT_EQ(ErrorOf({"--align", "auto", "--local-keep", "50%"}), "--local-keep needs --align local");
    EXPECT_EQ(ErrorOf({"--align", "local", "--points", "33"}), "--points 33: expected 16..256 in steps of 2");
    for (const char* bad : {"14", "258", "x"}) EXPECT_NE(ErrorOf({"--align", "local", "--points", bad}), "");
    for (const char* bad : {"0%", "101%", "0", "-3", "%", "5%%", "half"})
        EXPECT_NE(ErrorOf({"--align", "local", "--local-keep", bad}), "") << bad;
    EXPECT_NE(ErrorOf({"--align", "global"}), "");
}

}  // namespace
}  // namespace quivane
