#include "workspace/MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QAbstractSlider>
#include <QTest>
#include <gtest/gtest.h>

#include "workspace/CaptionPanel.h"
#include "workspace/PictureBox.h"
#include "workspace/QualityLamp.h"

namespace quivane {
namespace {

class MainFormTest : public ::testing::Test {
protected:
    MainForm form{QDir::tempPath().toStdString()};

    template <class T>
    T* child(const char* name)
    {
        T* widget = form.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};

TEST_F(MainFormTest, WindowHasItsTitleAndFixedSize)
{
    EXPECT_EQ(form.windowTitle(), "Quivane: combine AVI videos or BMP sequences");
    EXPECT_EQ(form.size(), QSize(639, 480));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

TEST_F(MainFormTest, CaptionsShowTheEmptyWorkspace)
{
    EXPECT_EQ(child<CaptionPanel>("StaticText2")->caption(), "Input pictures [0 of 455]");
    EXPECT_EQ(child<CaptionPanel>("StaticText1")->caption(), "Result  [192x144 pixels]");
    EXPECT_EQ(child<QPushButton>("SaveButton")->text(), "&Save  [result00.bmp]");
    EXPECT_EQ(child<QLabel>("CombineStaticText")->text(), "mean values");
}

TEST_F(MainFormTest, ActionButtonsStartDisabledAndLoadButtonsEnabled)
{
    for (const char* name : {"CalcButton", "SaveButton", "SaveAsButton", "RegisterGoButton", "RegisterStopButton"})
        EXPECT_FALSE(child<QPushButton>(name)->isEnabled()) << name;
    for (const char* name : {"LoadAVIButton", "LoadBMPButton", "LoadCorrectionBMPbutton", "LUTButton"})
        EXPECT_TRUE(child<QPushButton>(name)->isEnabled()) << name;
}

TEST_F(MainFormTest, SpinEditsHaveTheirRangesStepsAndStartValues)
{
    struct Spin {
        const char* name;
        int minimum, maximum, step, value;
    };
    for (const Spin s : {Spin{"ResampleSpinEdit", 1, 6, 1, 2}, Spin{"CombineSpinEdit", 0, 252, 4, 0},
                         Spin{"UmaStrengthSpinEdit", 0, 16, 1, 3}, Spin{"DecIterationsSpinEdit", 1, 16, 1, 1},
                         Spin{"ResultSizeSpinEdit", 64, 768, 64, 192}, Spin{"BIASSpinEdit", 2, 254, 2, 128},
                         Spin{"GAINSpinEdit", 2, 254, 2, 128}, Spin{"CLAHESpinEdit", 0, 16, 1, 2}}) {
        auto* spin = child<QSpinBox>(s.name);
        ASSERT_NE(spin, nullptr);
        EXPECT_EQ(spin->minimum(), s.minimum) << s.name;
        EXPECT_EQ(spin->maximum(), s.maximum) << s.name;
        EXPECT_EQ(spin->singleStep(), s.step) << s.name;
        EXPECT_EQ(spin->value(), s.value) << s.name;
    }
    EXPECT_FALSE(child<QSpinBox>("BIASSpinEdit")->isEnabled());
    EXPECT_TRUE(child<QSpinBox>("CombineSpinEdit")->isHidden());
}

TEST_F(MainFormTest, OnlyTheAvgLampIsLit)
{
    EXPECT_FALSE(child<QualityLamp>("DontLed")->isLit());
    EXPECT_FALSE(child<QualityLamp>("BadLed")->isLit());
    EXPECT_TRUE(child<QualityLamp>("AvgLed")->isLit());
    EXPECT_FALSE(child<QualityLamp>("GoodLed")->isLit());
}

TEST_F(MainFormTest, PictureBoxesShowTheirStartPictures)
{
    for (const char* name : {"InputPicImage", "ResultPicImage"}) {
        auto* box = child<PictureBox>(name);
        EXPECT_EQ(box->size(), QSize(192, 144));
        EXPECT_EQ(box->picture().size(), QSize(192, 144));
        EXPECT_EQ(box->picture().colorCount(), 256);
    }
}

TEST_F(MainFormTest, EveryControlShowsAHint)
{
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        const bool isControl = qobject_cast<QPushButton*>(widget) || qobject_cast<QCheckBox*>(widget) ||
                               qobject_cast<QGroupBox*>(widget) || qobject_cast<QAbstractSlider*>(widget) ||
                               qobject_cast<PictureBox*>(widget) || qobject_cast<CaptionPanel*>(widget);
        if (!isControl) continue;
        EXPECT_FALSE(widget->toolTip().isEmpty()) << widget->objectName().toStdString();
    }
}

TEST_F(MainFormTest, ChoosingACombineMethodShowsItsParameter)
{
    form.show();
    auto* groupBox = child<QGroupBox>("CombineRadioGroup");
    const auto radios = groupBox->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 4);
    QTest::mouseClick(radios[2], Qt::LeftButton);
    EXPECT_EQ(form.workspace().CombineMethod, 2);
    EXPECT_EQ(form.workspace().CombineParam, 128);
    EXPECT_EQ(child<QSpinBox>("CombineSpinEdit")->value(), 128);
    EXPECT_TRUE(child<QSpinBox>("CombineSpinEdit")->isVisible());
    EXPECT_EQ(child<QLabel>("CombineStaticText")->text(), "minimum or maximum");
}

TEST_F(MainFormTest, SpinEditArrowsFeedTheSettingAndTheValueCannotBeTyped)
{
    form.show();
    auto* spin = child<QSpinBox>("UmaStrengthSpinEdit");
    spin->stepUp();
    EXPECT_EQ(form.workspace().UmaStrength, 4);
    spin->setFocus();
    QTest::keyClicks(spin, "9");
    EXPECT_EQ(spin->value(), 4);
}

}  // namespace
}  // namespace quivane

int main(int argc, char* argv[])
{
    // The window tests never need a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
