#include "actions/ControlHandlers.h"

#include <gtest/gtest.h>

#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"
#include "workspace/StageControls.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

using testing::FakeUi;

class ControlHandlersTest : public ::testing::Test {
protected:
    void SetUp() override { FormCreate(ws, ui); }

    // Three pictures and the result, as a load leaves them.
    void LoadThreePictures()
    {
        ws.pictures = testing::SeriesOf(3, Picture{});
        ws.pictureCount = 3;
    }

    Workspace ws{"/tmp"};
    FakeUi ui;
};

TEST_F(ControlHandlersTest, EachCombineMethodStartsWithItsOwnParameter)
{
    ControlChanged(ws, ui, ControlId::CombineRadioGroup, 1);
    EXPECT_EQ(ui.texts[TextField::CombineText], "0=median .. 127=mean");
    ControlChanged(ws, ui, ControlId::CombineSpinEdit, 40);
    EXPECT_EQ(ws.calculation.combineParameter, 40);

    ControlChanged(ws, ui, ControlId::CombineRadioGroup, 2);
    EXPECT_EQ(ws.calculation.combineMethod, CombineMethod::MinMax);
    EXPECT_EQ(ws.calculation.combineParameter, 128);
    EXPECT_EQ(ui.texts[TextField::CombineText], "minimum or maximum");
    EXPECT_TRUE(ui.shown[ControlId::CombineSpinEdit].visible);

    ControlChanged(ws, ui, ControlId::CombineRadioGroup, 1);
    EXPECT_EQ(ws.calculation.combineParameter, 0);

    ControlChanged(ws, ui, ControlId::CombineRadioGroup, 3);
    EXPECT_EQ(ui.texts[TextField::CombineText], "multiply pictures");
    EXPECT_EQ(ws.calculation.combineParameter, 128);
}

TEST_F(ControlHandlersTest, MeanHidesTheParameterButKeepsItsValue)
{
    ControlChanged(ws, ui, ControlId::CombineRadioGroup, 3);
    ControlChanged(ws, ui, ControlId::CombineSpinEdit, 132);
    ControlChanged(ws, ui, ControlId::CombineRadioGroup, 0);
    EXPECT_EQ(ui.texts[TextField::CombineText], "mean values");
    EXPECT_FALSE(ui.shown[ControlId::CombineSpinEdit].visible);
    EXPECT_EQ(ws.calculation.combineParameter, 132);
}

TEST_F(ControlHandlersTest, QualityMarkGoesToTheShownPictureAndLightsOneLamp)
{
    LoadThreePictures();
    ws.controls[ControlId::DataPicNrSpinEdit] = ControlState{3, 1, 3, 1, true, true};
    ControlChanged(ws, ui, ControlId::QualityRadioGroup, QualityGood);
    EXPECT_EQ(ws.displayedPicture, 3);
    EXPECT_EQ(ws.pictures.at(3).quality, QualityGood);
    EXPECT_EQ(ws.pictures.at(2).quality, QualityAvg);
    EXPECT_EQ(ui.litLamp, QualityGood);
}

TEST_F(ControlHandlersTest, LightingTheLampsThroughTheKeysMarksThePicture)
{
    LoadThreePictures();
    ws.controls[ControlId::DataPicNrSpinEdit] = ControlState{2, 1, 3, 1, true, true};
    LightQualityLamps(ws, ui, QualityBad);
    EXPECT_EQ(ws.pictures.at(2).quality, QualityBad);
    EXPECT_EQ(ws.controls.value(ControlId::QualityRadioGroup), QualityBad);
    EXPECT_EQ(ui.shown[ControlId::QualityRadioGroup].value, QualityBad);
}

TEST_F(ControlHandlersTest, QualityMarkWithNothingLoadedOnlyLightsTheLamps)
{
    ControlChanged(ws, ui, ControlId::QualityRadioGroup, QualityDont);
    EXPECT_TRUE(ws.pictures.empty());
    EXPECT_EQ(ui.litLamp, QualityDont);
}

TEST_F(ControlHandlersTest, MarkOutsideTheFourDarkensAllLampsAndMarksNothing)
{
    LoadThreePictures();
    LightQualityLamps(ws, ui, 7);
    EXPECT_EQ(ui.litLamp, 7);
    EXPECT_EQ(ws.controls.value(ControlId::QualityRadioGroup), QualityAvg);
    EXPECT_EQ(ws.pictures.at(1).quality, QualityAvg);
}

TEST_F(ControlHandlersTest, ClipLimitBecomesAFactorWithoutARedraw)
{
    const int repaints = ui.resultBoxRepaints;
    ControlChanged(ws, ui, ControlId::CLAHESpinEdit, 1);
    EXPECT_DOUBLE_EQ(ws.tone.clipFactor, 1.5);
    ControlChanged(ws, ui, ControlId::CLAHESpinEdit, 16);
    EXPECT_DOUBLE_EQ(ws.tone.clipFactor, 9.0);
    ControlChanged(ws, ui, ControlId::CLAHESpinEdit, 0);
    EXPECT_DOUBLE_EQ(ws.tone.clipFactor, 0.0);
    EXPECT_EQ(ui.resultBoxRepaints, repaints);
}

TEST_F(ControlHandlersTest, SaturationUpdatesItsText)
{
    ControlChanged(ws, ui, ControlId::SaturationTrackBar, 35);
    EXPECT_EQ(ws.tone.saturation, 35);
    EXPECT_EQ(ui.texts[TextField::SaturationText], "[Saturat. 35%]");
}

TEST_F(ControlHandlersTest, BiasAndGainSpinEditsAreEnabledExactlyWhileBiasIsTicked)
{
    EXPECT_FALSE(ws.controls[ControlId::BIASSpinEdit].enabled);
    ControlChanged(ws, ui, ControlId::BiasGainCheckBox, 1);
    EXPECT_TRUE(ws.biasGainOn);
    EXPECT_TRUE(ui.shown[ControlId::BIASSpinEdit].enabled);
    EXPECT_TRUE(ui.shown[ControlId::GAINSpinEdit].enabled);
    ControlChanged(ws, ui, ControlId::BIASSpinEdit, 64);
    ControlChanged(ws, ui, ControlId::GAINSpinEdit, 200);
    EXPECT_EQ(ws.tone.biasLevel, 64);
    EXPECT_EQ(ws.tone.gainLevel, 200);
    ControlChanged(ws, ui, ControlId::BiasGainCheckBox, 0);
    EXPECT_FALSE(ui.shown[ControlId::GAINSpinEdit].enabled);
}

TEST_F(ControlHandlersTest, LookupTableBoxTogglesTheSetting)
{
    ControlChanged(ws, ui, ControlId::TableMappingCheckBox, 1);
    EXPECT_TRUE(ws.lookupTableOn);
    ControlChanged(ws, ui, ControlId::TableMappingCheckBox, 0);
    EXPECT_FALSE(ws.lookupTableOn);
}

TEST_F(ControlHandlersTest, ReferencePictureIsCutToTheCount)
{
    LoadThreePictures();
    ControlChanged(ws, ui, ControlId::RegisterSpinEdit, 5);
    EXPECT_EQ(ws.referencePicture, 3);
    ControlChanged(ws, ui, ControlId::RegisterSpinEdit, 2);
    EXPECT_EQ(ws.referencePicture, 2);
}

TEST_F(ControlHandlersTest, CopyHandlersFeedTheirSettings)
{
    ControlChanged(ws, ui, ControlId::WholeAreaCheckBox, 1);
    ControlChanged(ws, ui, ControlId::ResampleSpinEdit, 5);
    ControlChanged(ws, ui, ControlId::UmaCheckBox, 1);
    ControlChanged(ws, ui, ControlId::UmaStrengthSpinEdit, 9);
    ControlChanged(ws, ui, ControlId::DecCheckBox, 1);
    ControlChanged(ws, ui, ControlId::DecRadioGroup, 1);
    ControlChanged(ws, ui, ControlId::DecIterationsSpinEdit, 16);
    ControlChanged(ws, ui, ControlId::ConCheckBox, 1);
    ControlChanged(ws, ui, ControlId::ShowResultRadioGroup, 2);
    ControlChanged(ws, ui, ControlId::Map0255CheckBox, 1);
    EXPECT_TRUE(ws.fullPicture);
    EXPECT_EQ(ws.enlargement, 5);
    EXPECT_TRUE(ws.calculation.enhancement[EnhancementStageId::UnsharpMask].on);
    EXPECT_EQ(ws.calculation.enhancement[EnhancementStageId::UnsharpMask].values[0], 9);
    EXPECT_TRUE(ws.calculation.enhancement[EnhancementStageId::Deconvolution].on);
    EXPECT_EQ(ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[0], 1);
    EXPECT_EQ(ws.calculation.enhancement[EnhancementStageId::Deconvolution].values[1], 16);
    EXPECT_TRUE(ws.calculation.enhancement[EnhancementStageId::Convolution].on);
    EXPECT_EQ(ws.showMode, 2);
    EXPECT_TRUE(ws.map0255On);
}

TEST_F(ControlHandlersTest, ClaheIsAOneShotRequestThatUnticksItsBox)
{
    ControlChanged(ws, ui, ControlId::CLAHECheckBox, 1);
    EXPECT_FALSE(ws.claheOn);
    EXPECT_EQ(ws.controls.value(ControlId::CLAHECheckBox), 0);
    EXPECT_EQ(ui.shown[ControlId::CLAHECheckBox].value, 0);
}

TEST_F(ControlHandlersTest, SaturationRedrawsOnlyInTheColourModes)
{
    ws.pictures = testing::SeriesOf(1, Picture{});
    PreparePictureBitmap(ws.pictures.at(0), ws.resultWidth, ws.resultHeight);
    ws.pictureCount = 1;
    const int before = ui.resultViewsShown;
    ControlChanged(ws, ui, ControlId::SaturationTrackBar, 150);
    EXPECT_EQ(ui.resultViewsShown, before) << "mode 0 does not depend on saturation";
    ControlChanged(ws, ui, ControlId::ShowResultRadioGroup, 2);
    ControlChanged(ws, ui, ControlId::SaturationTrackBar, 160);
    EXPECT_EQ(ui.resultViewsShown, before + 2);
}

TEST_F(ControlHandlersTest, ProgramSetValuesStayInRangeAndFireOnlyOnChange)
{
    SetControlValue(ws, ui, ControlId::UmaStrengthSpinEdit, 99);
    EXPECT_EQ(ws.controls.value(ControlId::UmaStrengthSpinEdit), 16);
    EXPECT_EQ(ws.calculation.enhancement[EnhancementStageId::UnsharpMask].values[0], 16);
    ws.calculation.enhancement[EnhancementStageId::UnsharpMask].values[0] = 0;
    SetControlValue(ws, ui, ControlId::UmaStrengthSpinEdit, 16);
    EXPECT_EQ(ws.calculation.enhancement[EnhancementStageId::UnsharpMask].values[0], 0) << "an unchanged value runs no handler";
}

TEST_F(ControlHandlersTest, RangeBelowTheMinimumPullsTheMinimumDown)
{
    SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, 0);
    EXPECT_EQ(ws.controls[ControlId::DataPicNrSpinEdit].minimum, 0);
    EXPECT_EQ(ws.controls.value(ControlId::DataPicNrSpinEdit), 0);
    SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, 12);
    EXPECT_EQ(ws.controls[ControlId::DataPicNrSpinEdit].minimum, 1);
    EXPECT_EQ(ws.controls.value(ControlId::DataPicNrSpinEdit), 1);
}

TEST_F(ControlHandlersTest, TypedNumbersAreTakenOnlyWhereTheArrowsReach)
{
    struct Case {
        ControlId id;
        int typed;
        bool taken;
    };
    // Edges of each kind of box: range ends, one past them, and off the step
    // counted from the start value (BIAS starts at 128 in steps of 2, the
    // width at 192 in steps of 64, the combine parameter at 0 in steps of 4).
    for (const Case c : {Case{ControlId::ResampleSpinEdit, 6, true}, Case{ControlId::ResampleSpinEdit, 7, false},
                         Case{ControlId::ResampleSpinEdit, 0, false}, Case{ControlId::BIASSpinEdit, 2, true},
                         Case{ControlId::BIASSpinEdit, 127, false}, Case{ControlId::BIASSpinEdit, 256, false},
                         Case{ControlId::ResultSizeSpinEdit, 64, true}, Case{ControlId::ResultSizeSpinEdit, 200, false},
                         Case{ControlId::ResultSizeSpinEdit, 832, false}, Case{ControlId::CombineSpinEdit, 252, true},
                         Case{ControlId::CombineSpinEdit, 250, false}, Case{ControlId::CLAHESpinEdit, 0, true},
                         Case{ControlId::CLAHESpinEdit, -1, false}}) {
        const ControlState before = ws.controls[c.id];
        ui.status.clear();
        ControlTyped(ws, ui, c.id, c.typed);
        EXPECT_EQ(ws.controls.value(c.id), c.taken ? c.typed : before.value) << c.typed;
        EXPECT_EQ(ui.status.empty(), c.taken) << c.typed << ": " << ui.status;
        EXPECT_EQ(ui.shown[c.id].value, ws.controls.value(c.id)) << "the box shows what it holds";
    }
    EXPECT_EQ(ws.enlargement, 6);
    EXPECT_EQ(ws.resultSize, 64);
    EXPECT_EQ(ws.calculation.combineParameter, 252);
    EXPECT_EQ(ws.tone.clipFactor, 0.0);
    EXPECT_EQ(ui.status, "-1 is not taken: the box holds 0..16");
    ControlTyped(ws, ui, ControlId::ResultSizeSpinEdit, 200);
    EXPECT_EQ(ui.status, "200 is not taken: the box holds 64..768 in steps of 64");
}

TEST_F(ControlHandlersTest, TypedPictureNumbersFollowTheLoadedRange)
{
    ControlTyped(ws, ui, ControlId::RegisterSpinEdit, 1);
    EXPECT_EQ(ws.referencePicture, 0) << "0..0 until a load";
    EXPECT_EQ(ui.status, "1 is not taken: the box holds 0..0");

    LoadThreePictures();
    SetControlRange(ws, ui, ControlId::RegisterSpinEdit, 0, 3);
    SetControlRange(ws, ui, ControlId::DataPicNrSpinEdit, 1, 3);
    ControlTyped(ws, ui, ControlId::RegisterSpinEdit, 3);
    EXPECT_EQ(ws.referencePicture, 3);
    ControlTyped(ws, ui, ControlId::DataPicNrSpinEdit, 2);
    EXPECT_EQ(ws.displayedPicture, 2);
    ControlTyped(ws, ui, ControlId::DataPicNrSpinEdit, 4);
    EXPECT_EQ(ws.displayedPicture, 2);
}

}  // namespace
}  // namespace quivane

namespace quivane {
namespace {

// A stage added to the list needs its controls: every switch and parameter
// of every stage has exactly one control, which offers exactly the
// parameter's values (a closed choice as a radio group).
TEST(StageControls, EveryStageSettingHasOneControlOfItsRange)
{
    for (const EnhancementStage* stage : EnhancementStages()) {
        SCOPED_TRACE(std::string(stage->title));
        for (int parameter = StageSwitch; parameter < static_cast<int>(stage->parameters.size()); ++parameter) {
            int bound = 0;
            for (const StageControl& binding : StageControls()) {
                if (binding.stage != stage->id || binding.parameter != parameter) continue;
                ++bound;
                const ControlDeclaration d = DeclarationOf(binding.control);
                if (binding.isSwitch()) {
                    EXPECT_EQ(d.kind, ControlKind::CheckBox);
                    continue;
                }
                const StageParameter& p = stage->parameters[static_cast<std::size_t>(parameter)];
                EXPECT_EQ(d.kind, p.choices.empty() ? ControlKind::SpinEdit : ControlKind::RadioGroup);
                EXPECT_EQ(d.minimum, p.range.minimum);
                EXPECT_EQ(d.maximum, p.range.maximum);
                EXPECT_EQ(d.step, p.range.step);
                EXPECT_EQ(d.start, p.range.start);
            }
            EXPECT_EQ(bound, 1) << "parameter " << parameter;
        }
    }
}

}  // namespace
}  // namespace quivane
