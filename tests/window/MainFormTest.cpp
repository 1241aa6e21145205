#include "window/MainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QAbstractSlider>
#include <QTest>
#include <QTimer>
#include <unistd.h>
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <fstream>
#include <sstream>
#include <string>
#include <memory>
#include <filesystem>

#include "batch/BatchRun.h"
#include "window/CaptionPanel.h"
#include "window/KeepBestDialog.h"
#include "window/PictureBox.h"
#include "window/PictureViewer.h"
#include "window/QualityGraph.h"
#include "window/QualityLamp.h"
#include "window/LoadedWindow.h"

namespace quivane {
namespace {

using testing::LoadedWindowTest;
using testing::MenuAction;
using testing::ScriptedMainForm;

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
    // The panels keep their fixed area; only the menu bar is added above it.
    const QWidget* panels = child<QWidget>("PanelArea");
    EXPECT_EQ(panels->size(), QSize(639, 480));
    EXPECT_EQ(form.size(), QSize(639, 480 + panels->y()));
    EXPECT_GT(panels->y(), 0);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

TEST_F(MainFormTest, TheOptionsMenuSetsTheMosaicForTheNextLoad)
{
    QAction* rggb = child<QAction>("BayerRGGB");
    ASSERT_NE(rggb, nullptr);
    rggb->trigger();
    EXPECT_EQ(form.workspace().bayer, BayerChoice::RGGB);
    EXPECT_TRUE(rggb->isChecked());
    EXPECT_FALSE(child<QAction>("BayerAs")->isChecked());
}

TEST_F(MainFormTest, TheOptionsMenuChoosesWhatSaveWrites)
{
    EXPECT_TRUE(child<QAction>("SaveWritesBMP8")->isChecked());
    QAction* tiff = child<QAction>("SaveWritesTIFF16");
    ASSERT_NE(tiff, nullptr);
    tiff->trigger();
    EXPECT_EQ(form.workspace().automaticSave, (SaveChoice{PictureFormat::Tiff, SampleDepth::Sixteen}));
    EXPECT_EQ(child<QPushButton>("SaveButton")->text(), "&Save  [result00.tif]");
    EXPECT_FALSE(child<QAction>("SaveWritesBMP8")->isChecked());
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
    EXPECT_EQ(form.workspace().calculation.combineMethod, CombineMethod::MinMax);
    EXPECT_EQ(form.workspace().calculation.combineParameter, 128);
    EXPECT_EQ(child<QSpinBox>("CombineSpinEdit")->value(), 128);
    EXPECT_TRUE(child<QSpinBox>("CombineSpinEdit")->isVisible());
    EXPECT_EQ(child<QLabel>("CombineStaticText")->text(), "minimum or maximum");
}

TEST_F(MainFormTest, SpinEditArrowsAndTypedNumbersFeedTheSetting)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form)) << "focus moves only in the active window";
    auto* spin = child<QSpinBox>("UmaStrengthSpinEdit");
    spin->stepUp();
    EXPECT_EQ(form.workspace().calculation.enhancement[EnhancementStageId::UnsharpMask].values[0], 4);
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, "9");
    EXPECT_EQ(form.workspace().calculation.enhancement[EnhancementStageId::UnsharpMask].values[0], 4) << "nothing is applied while typing";
    QTest::keyClick(spin, Qt::Key_Return);
    EXPECT_EQ(form.workspace().calculation.enhancement[EnhancementStageId::UnsharpMask].values[0], 9);
    EXPECT_EQ(spin->value(), 9);

    // Outside the range, or between two steps: refused and said why; the
    // box shows its value again.
    auto* bias = child<QSpinBox>("BIASSpinEdit");
    child<QCheckBox>("BiasGainCheckBox")->setChecked(true);
    for (const char* typed : {"127", "300"}) {
        bias->setFocus();
        bias->selectAll();
        QTest::keyClicks(bias, typed);
        QTest::keyClick(bias, Qt::Key_Enter);
        EXPECT_EQ(form.workspace().tone.biasLevel, 128) << typed;
        EXPECT_EQ(bias->text(), "128") << typed;
        EXPECT_TRUE(child<QLabel>("StatusBar")->text().startsWith(QString(typed) + " is not taken")) << typed;
    }
    // Leaving the box takes what was typed, as Enter does.
    bias->setFocus();
    bias->selectAll();
    QTest::keyClicks(bias, "96");
    spin->setFocus();
    EXPECT_EQ(form.workspace().tone.biasLevel, 96);
    // Letters cannot be typed at all.
    spin->selectAll();
    QTest::keyClicks(spin, "x");
    EXPECT_EQ(spin->text(), "9");
}

TEST(MainFormSession, LoadsTheBundledSeriesAndSavesTheResult)
{
    namespace fs = std::filesystem;
    const fs::path samples = fs::path(QUIVANE_SAMPLES) / "Pictures";
    const fs::path program = fs::temp_directory_path() / ("quivane_gui_" + std::to_string(::getpid()));
    fs::create_directories(program / "Result");

    ScriptedMainForm form(program.string());
    form.show();
    form.answers = {(samples / "PLANET_0001.BMP").string(), (samples / "PLANET_0040.BMP").string()};
    QTest::mouseClick(form.findChild<QPushButton*>("LoadBMPButton"), Qt::LeftButton);

    EXPECT_TRUE(form.errorsShown.empty());
    EXPECT_EQ(form.workspace().pictureCount, 40);
    EXPECT_EQ(form.findChild<CaptionPanel*>("StaticText2")->caption(), "Input pictures [40 of 455]");
    EXPECT_EQ(form.findChild<QLabel*>("StatusBar")->text(), "Ready loading pictures");
    for (const char* name : {"CalcButton", "SaveButton", "SaveAsButton", "RegisterGoButton"})
        EXPECT_TRUE(form.findChild<QPushButton*>(name)->isEnabled()) << name;
    EXPECT_FALSE(form.findChild<QPushButton*>("RegisterStopButton")->isEnabled());
    EXPECT_EQ(form.findChild<PictureBox*>("ResultPicImage")->picture().size(), QSize(192, 144));

    // Page through with the spin edit: the shown picture follows.
    auto* number = form.findChild<QSpinBox*>("DataPicNrSpinEdit");
    EXPECT_EQ(number->maximum(), 40);
    const QImage first = form.findChild<PictureBox*>("InputPicImage")->picture();
    number->stepUp();
    EXPECT_EQ(form.workspace().displayedPicture, 2);
    EXPECT_NE(form.findChild<PictureBox*>("InputPicImage")->picture(), first);

    // Full colour shows the planet's colours in the result box.
    const auto modes = form.findChild<QGroupBox*>("ShowResultRadioGroup")->findChildren<QRadioButton*>();
    QTest::mouseClick(modes[2], Qt::LeftButton, {}, QPoint(8, modes[2]->height() / 2));
    EXPECT_EQ(form.workspace().showMode, 2);

    QTest::mouseClick(form.findChild<QPushButton*>("SaveButton"), Qt::LeftButton);
    EXPECT_TRUE(fs::exists(program / "Result" / "result00.bmp"));
    EXPECT_EQ(form.findChild<QPushButton*>("SaveButton")->text(), "&Save  [result01.bmp]");
    fs::remove_all(program);
}

TEST_F(LoadedWindowTest, DraggingDuringManualAlignmentMovesThePictureAndTheScrollBar)
{
    Open();
    QTest::mouseClick(form->findChild<QPushButton*>("RegisterGoButton"), Qt::LeftButton);
    EXPECT_TRUE(form->findChild<QPushButton*>("RegisterStopButton")->isEnabled());
    QTest::mousePress(inputBox(), Qt::LeftButton, {}, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 50), inputBox()->mapToGlobal(QPointF(60, 50)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(inputBox(), &move);
    QTest::mouseRelease(inputBox(), Qt::LeftButton, {}, QPoint(60, 50));
    EXPECT_EQ(ws().pictures.at(1).dx, -10);
    EXPECT_EQ(form->findChild<QScrollBar*>("HorScrollBar")->value(), -10);
    EXPECT_TRUE(form->findChild<QLabel*>("StatusBar")->text().startsWith("Manual alignment of picture 1 with nr.1,"));
    // The hint explains the value while one is shown, after its own text.
    const QString hint = form->findChild<QLabel*>("StatusBar")->toolTip();
    EXPECT_TRUE(hint.startsWith("Statusbar gives status and progress information\nValue =[N]: ")) << hint.toStdString();
    EXPECT_TRUE(hint.contains("Lower is better"));
    QTest::mouseClick(form->findChild<QPushButton*>("RegisterStopButton"), Qt::LeftButton);
    EXPECT_EQ(form->findChild<QLabel*>("StatusBar")->text(), "Alignment ready");
    EXPECT_EQ(form->findChild<QLabel*>("StatusBar")->toolTip(), "Statusbar gives status and progress information");
}

TEST_F(LoadedWindowTest, KeysBrowseNudgeAndMarkBeforeTheFocusedControl)
{
    Open();
    Key(Qt::Key_PageDown);
    EXPECT_EQ(ws().displayedPicture, 1);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(ws().displayedPicture, 2);
    EXPECT_EQ(form->findChild<QSpinBox*>("DataPicNrSpinEdit")->value(), 2);
    Key(Qt::Key_6, Qt::KeypadModifier);
    EXPECT_EQ(ws().pictures.at(2).dx, 1);
    Key(Qt::Key_F4);
    EXPECT_EQ(ws().pictures.at(2).quality, QualityGood);
    EXPECT_TRUE(form->findChild<QualityLamp*>("GoodLed")->isLit());
    EXPECT_FALSE(form->findChild<QualityLamp*>("AvgLed")->isLit());
    Key(Qt::Key_F3);
    EXPECT_EQ(ws().pictures.at(2).quality, QualityAvg);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(ws().abortRequested);
}

TEST_F(LoadedWindowTest, TypedPictureNumbersAndPageKeysInAFocusedBox)
{
    Open(192, "PLANET_0010.BMP");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get())) << "keys go to the focused box only in the active window";
    auto* reference = form->findChild<QSpinBox*>("RegisterSpinEdit");
    reference->setFocus();
    reference->selectAll();
    QTest::keyClicks(reference, "8");
    QTest::keyClick(reference, Qt::Key_Return);
    EXPECT_EQ(ws().referencePicture, 8);
    EXPECT_EQ(reference->value(), 8);

    // Page Up/Down with the picture-number box focused move one picture,
    // not Qt's page step on top of the window's own.
    auto* number = form->findChild<QSpinBox*>("DataPicNrSpinEdit");
    number->setFocus();
    Key(Qt::Key_PageUp);
    EXPECT_EQ(ws().displayedPicture, 2);
    EXPECT_EQ(number->value(), 2);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(number->value(), 3);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(ws().displayedPicture, 2);
    // So does a focused box of another setting, which keeps its value.
    reference->setFocus();
    Key(Qt::Key_PageUp);
    EXPECT_EQ(ws().displayedPicture, 3);
    EXPECT_EQ(reference->value(), 8);
    // The number-pad digits stay the window's nudges, not typed digits.
    Key(Qt::Key_6, Qt::KeypadModifier);
    EXPECT_EQ(ws().pictures.at(3).dx, 1);
    EXPECT_EQ(reference->text(), "8");

    number->setFocus();
    number->selectAll();
    QTest::keyClicks(number, "10");
    QTest::keyClick(number, Qt::Key_Return);
    EXPECT_EQ(ws().displayedPicture, 10);
    number->selectAll();
    QTest::keyClicks(number, "11");
    QTest::keyClick(number, Qt::Key_Return);
    EXPECT_EQ(ws().displayedPicture, 10);
    EXPECT_EQ(form->findChild<QLabel*>("StatusBar")->text(), "11 is not taken: the box holds 1..10");
}

TEST_F(LoadedWindowTest, DoubleClickAdvancesAndWrapsUnderManual)
{
    Open();
    for (int i = 0; i < 4; ++i) QTest::mouseDClick(inputBox(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(ws().displayedPicture, 5);
    QTest::mouseDClick(inputBox(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(ws().displayedPicture, 1);
}

TEST_F(LoadedWindowTest, AutomaticRunAlignsEveryPictureAndReturnsToManual)
{
    Open();
    const auto methods = form->findChild<QGroupBox*>("RegisterRadioGroup")->findChildren<QRadioButton*>();
    QTest::mouseClick(methods[1], Qt::LeftButton, {}, QPoint(8, methods[1]->height() / 2));
    QTest::mouseClick(form->findChild<QPushButton*>("RegisterGoButton"), Qt::LeftButton);
    EXPECT_TRUE(methods[0]->isChecked());
    EXPECT_FALSE(ws().aligning);
    EXPECT_EQ(form->findChild<QLabel*>("StatusBar")->text(), "Alignment ready");
    EXPECT_TRUE(form->findChild<QPushButton*>("CalcButton")->isEnabled());
}

TEST_F(LoadedWindowTest, WholeSessionEqualsTheBatchRunByteForByte)
{
    Open();
    auto click = [&](const char* group, int item) {
        const auto items = form->findChild<QGroupBox*>(group)->findChildren<QRadioButton*>();
        QTest::mouseClick(items[item], Qt::LeftButton, {}, QPoint(8, items[item]->height() / 2));
    };
    auto tick = [&](const char* box) {
        auto* check = form->findChild<QCheckBox*>(box);
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    };
    auto step = [&](const char* spin, int steps) {
        auto* edit = form->findChild<QSpinBox*>(spin);
        for (int i = 0; i < steps; ++i) edit->stepUp();
    };

    // Mark two pictures with the keys, then align automatically.
    Key(Qt::Key_PageUp);
    Key(Qt::Key_F4);
    Key(Qt::Key_PageUp);
    Key(Qt::Key_F2);
    EXPECT_EQ(ws().pictures.at(2).quality, QualityGood);
    EXPECT_EQ(ws().pictures.at(3).quality, QualityBad);
    click("RegisterRadioGroup", 1);
    QTest::mouseClick(form->findChild<QPushButton*>("RegisterGoButton"), Qt::LeftButton);
    EXPECT_EQ(form->findChild<QLabel*>("StatusBar")->text(), "Alignment ready");

    // Unsharp mask, three "LR" iterations and convolution.
    tick("UmaCheckBox");
    tick("DecCheckBox");
    click("DecRadioGroup", 1);
    step("DecIterationsSpinEdit", 2);
    tick("ConCheckBox");
    QTest::mouseClick(form->findChild<QPushButton*>("CalcButton"), Qt::LeftButton);
    EXPECT_EQ(form->findChild<QLabel*>("StatusBar")->text(), "Ready!");

    // CLAHE once, then the display: saturation level mode, bias and gain.
    tick("CLAHECheckBox");
    EXPECT_FALSE(form->findChild<QCheckBox*>("CLAHECheckBox")->isChecked()) << "CLAHE is applied once";
    click("ShowResultRadioGroup", 3);
    tick("BiasGainCheckBox");
    EXPECT_TRUE(form->findChild<QSpinBox*>("BIASSpinEdit")->isEnabled());
    step("BIASSpinEdit", 6);
    step("GAINSpinEdit", 16);
    const std::string windowFile = (program / "window.bmp").string();
    form->answers = {windowFile};
    QTest::mouseClick(form->findChild<QPushButton*>("SaveAsButton"), Qt::LeftButton);
    ASSERT_TRUE(form->errorsShown.empty()) << form->errorsShown.front();
    EXPECT_EQ(form->findChild<CaptionPanel*>("StaticText1")->caption(), "window.bmp");

    BatchOptions o;
    const std::filesystem::path samples = std::filesystem::path(QUIVANE_SAMPLES) / "Pictures";
    o.first = (samples / "PLANET_0001.BMP").string();
    o.last = (samples / "PLANET_0005.BMP").string();
    o.output = (program / "batch.bmp").string();
    o.qualities = {{2, QualityGood}, {3, QualityBad}};
    o.alignAuto = true;
    o.enhancement[EnhancementStageId::UnsharpMask] = {true, {3}};
    o.enhancement[EnhancementStageId::Deconvolution] = {true, {1, 3}};
    o.enhancement[EnhancementStageId::Convolution].on = true;
    o.clahe = 2;
    o.mode = 3;
    o.bias = 140;
    o.gain = 160;
    std::ostringstream out, errors;
    ASSERT_EQ(RunBatch(o, out, errors, nullptr), BatchWritten) << errors.str();

    std::ifstream a(windowFile, std::ios::binary), b(o.output, std::ios::binary);
    const std::string windowBytes((std::istreambuf_iterator<char>(a)), {});
    const std::string batchBytes((std::istreambuf_iterator<char>(b)), {});
    EXPECT_EQ(windowBytes.size(), 54u + 576u * 144u);
    EXPECT_TRUE(windowBytes == batchBytes);
}

TEST_F(LoadedWindowTest, ClosingTheWindowDuringALoadEndsIt)
{
    Open();
    namespace fs = std::filesystem;
    const fs::path samples = fs::path(QUIVANE_SAMPLES) / "Pictures";
    form->answers = {(samples / "PLANET_0001.BMP").string(), (samples / "PLANET_0040.BMP").string()};
    // Close as soon as the load's event pump first runs.
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    QTest::mouseClick(form->findChild<QPushButton*>("LoadBMPButton"), Qt::LeftButton);
    EXPECT_LT(ws().pictureCount, 40);
    EXPECT_GE(ws().pictureCount, 1);
}

TEST_F(LoadedWindowTest, FullImageScalesALargeResultIntoTheBox)
{
    Open(384);
    auto* box = form->findChild<PictureBox*>("ResultPicImage");
    EXPECT_FALSE(box->stretched()) << "unscaled and centred: only the middle shows";
    auto* fullImage = form->findChild<QCheckBox*>("AutosizeCheckBox");
    QTest::mouseClick(fullImage, Qt::LeftButton, {}, QPoint(6, fullImage->height() / 2));
    EXPECT_TRUE(box->stretched());
    EXPECT_EQ(box->picture().size(), QSize(384, 288));
}

TEST_F(MainFormTest, EveryAcceleratorIsUniqueAndWhereTheCaptionsPutIt)
{
    // The captions give "Sto&p!" and "&PSF" the same letter; Stop is enabled
    // only while aligning, so outside alignment Alt+P always reaches "&PSF".
    std::map<QString, QString> owners;  // Alt+letter -> the enabled control's caption
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
        if (mnemonic.isEmpty() || !button->isEnabled()) continue;
        const QString key = mnemonic.toString();
        EXPECT_EQ(owners.count(key), 0u) << key.toStdString() << " is taken by " << owners[key].toStdString()
                                          << " and " << button->text().toStdString();
        owners[key] = button->text();
    }
    const std::map<QString, QString> expected = {
        {"Alt+V", "A&VI"},          {"Alt+B", "&BMP"},         {"Alt+R", "Co&rrect"},
        {"Alt+P", "&PSF"}, {"Alt+U", "Load L&UT"}, {"Alt+H", "CLA&HE:"}};
    for (const auto& [key, caption] : expected) EXPECT_EQ(owners[key], caption) << key.toStdString();
    // Disabled until a load: their letters are taken by nothing else either.
    for (const char* key : {"Alt+G", "Alt+C", "Alt+S", "Alt+A"}) EXPECT_EQ(owners.count(key), 0u) << key;
}

TEST_F(LoadedWindowTest, ClickOnALargePictureChoosesTheComparedRegion)
{
    Open(384);
    QTest::mouseClick(inputBox(), Qt::LeftButton, {}, QPoint(96, 72));
    EXPECT_EQ(ws().viewOrigin, (Point{192, 144}));
}


// ---- frame selection ---------------------------------------------------

int KeptPictures(const Workspace& ws)
{
    int kept = 0;
    for (int n = 1; n <= ws.pictureCount; ++n) kept += ws.pictures.at(n).quality != QualityDont;
    return kept;
}

TEST_F(LoadedWindowTest, TheQualityGraphOpensFromTheMenuAndAClickShowsThatPicture)
{
    Open();
    EXPECT_EQ(form->qualityGraph(), nullptr);
    MenuAction(*form, "QualityGraphAction")->trigger();
    QualityGraph* graph = form->qualityGraph();
    ASSERT_NE(graph, nullptr);
    EXPECT_TRUE(graph->isVisible());
    EXPECT_TRUE(graph->isWindow()) << "its own window: the described layout stays as it is";
    EXPECT_EQ(graph->windowTitle(), "Quivane: quality graph");
    EXPECT_EQ(form->findChild<QWidget*>("PanelArea")->size(), QSize(639, 480));
    EXPECT_EQ(graph->findChild<QLabel*>("QualityInfo")->text(),
              "5 pictures, 5 scored, 0 bad frames; 5 marked Avg or Good");

    const auto at = graph->pointOf(4);
    ASSERT_TRUE(at);
    QTest::mouseClick(graph->plot(), Qt::LeftButton, {}, *at);
    EXPECT_EQ(ws().displayedPicture, 4);
    EXPECT_EQ(form->findChild<QSpinBox*>("DataPicNrSpinEdit")->value(), 4);

    // The window's keys work from the graph: F4 marks the shown picture.
    QTest::keyClick(graph->plot(), Qt::Key_F4);
    EXPECT_EQ(ws().pictures.at(4).quality, QualityGood);
    EXPECT_TRUE(form->findChild<QualityLamp*>("GoodLed")->isLit());
    QTest::keyClick(graph->plot(), Qt::Key_PageDown);
    EXPECT_EQ(ws().displayedPicture, 3);
}

TEST_F(LoadedWindowTest, DraggingTheThresholdKeepsMoreOrFewer)
{
    Open();
    MenuAction(*form, "QualityGraphAction")->trigger();
    QualityGraph* graph = form->qualityGraph();
    ASSERT_NE(graph, nullptr);
    QWidget* plot = graph->plot();
    const int x = plot->width() / 2;
    const int line = graph->thresholdY();

    auto drag = [&](int fromY, int toY) {
        QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(x, fromY));
        QMouseEvent move(QEvent::MouseMove, QPointF(x, toY), plot->mapToGlobal(QPointF(x, toY)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(plot, &move);
        QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(x, toY));
    };
    drag(line, plot->height() - 1);  // below every score: all kept
    EXPECT_EQ(KeptPictures(ws()), 5);
    EXPECT_TRUE(ws().selection.keepApplied);
    EXPECT_EQ(ws().selection.keepRule.kind, KeepRule::Kind::Count);
    EXPECT_EQ(ws().selection.keepRule.amount, 5);
    EXPECT_TRUE(form->findChild<QLabel*>("StatusBar")->text().startsWith("Kept 5 of 5 usable pictures: 2 Good, 3 Avg"));

    drag(graph->thresholdY(), 0);  // above every score: none
    EXPECT_EQ(KeptPictures(ws()), 0);
    EXPECT_TRUE(form->findChild<QualityLamp*>("DontLed")->isLit()) << "the shown picture's lamp follows";

    // Back down to the middle of the scores: some kept, not all.
    drag(graph->thresholdY(), plot->height() / 2);
    const int kept = KeptPictures(ws());
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 5);
    EXPECT_EQ(ws().selection.keepRule.amount, kept);
}

TEST_F(LoadedWindowTest, KeepBestFromTheMenuAsksForAPercentageOrACount)
{
    Open();
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<KeepBestDialog*>(w);
            if (!dialog || !dialog->isVisible()) continue;
            EXPECT_TRUE(dialog->findChild<QRadioButton*>("KeepPercentRadio")->isChecked()) << "25 % to begin with";
            EXPECT_EQ(dialog->findChild<QSpinBox*>("KeepPercentSpin")->value(), 25);
            dialog->findChild<QSpinBox*>("KeepCountSpin")->setValue(2);
            EXPECT_TRUE(dialog->findChild<QRadioButton*>("KeepCountRadio")->isChecked());
            dialog->accept();
        }
    });
    MenuAction(*form, "KeepBestAction")->trigger();
    EXPECT_EQ(KeptPictures(ws()), 2);
    EXPECT_EQ(ws().selection.keepRule.kind, KeepRule::Kind::Count);

    // The sorted graph shows the best picture first.
    MenuAction(*form, "QualityGraphAction")->trigger();
    QualityGraph* graph = form->qualityGraph();
    graph->findChild<QCheckBox*>("SortedCheckBox")->setChecked(true);
    int best = 1;
    for (int n = 2; n <= 5; ++n)
        if (ws().pictures.at(n).sharpness > ws().pictures.at(best).sharpness)
            best = n;
    for (int n = 1; n <= 5; ++n) {
        if (n == best) continue;
        EXPECT_LT(graph->pointOf(best)->x(), graph->pointOf(n)->x()) << n;
    }
    EXPECT_EQ(ws().pictures.at(best).quality, QualityGood);
}

TEST_F(LoadedWindowTest, ScoringCanBeLeftToLaterAndDoneFromTheMenu)
{
    form = std::make_unique<ScriptedMainForm>(program.string());
    QAction* whileLoading = MenuAction(*form, "ScoreWhileLoadingAction");
    EXPECT_TRUE(whileLoading->isChecked());
    whileLoading->trigger();
    EXPECT_FALSE(form->workspace().selection.scoreWhileLoading);
    form.reset();
    Open();  // a new window scores again
    ASSERT_TRUE(ws().pictures.at(1).scored());

    MenuAction(*form, "ScoreWhileLoadingAction")->trigger();
    const std::filesystem::path samples = std::filesystem::path(QUIVANE_SAMPLES) / "Pictures";
    form->answers = {(samples / "PLANET_0001.BMP").string(), (samples / "PLANET_0005.BMP").string()};
    QTest::mouseClick(form->findChild<QPushButton*>("LoadBMPButton"), Qt::LeftButton);
    EXPECT_FALSE(ws().pictures.at(1).scored());
    MenuAction(*form, "ScorePicturesAction")->trigger();
    for (int n = 1; n <= 5; ++n) EXPECT_TRUE(ws().pictures.at(n).scored()) << n;
    EXPECT_TRUE(form->findChild<QLabel*>("StatusBar")->text().startsWith("Scored 5 pictures"));
}

// ---- the picture viewer ------------------------------------------------

TEST_F(LoadedWindowTest, TheViewerShowsTheSavedPixelsAtOneToOneAndFollowsEveryRedraw)
{
    Open(384);
    EXPECT_EQ(form->pictureViewer(), nullptr);
    MenuAction(*form, "PictureViewerAction")->trigger();
    PictureViewer* viewer = form->pictureViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->isWindow()) << "its own window: the described layout stays as it is";
    EXPECT_EQ(form->findChild<QWidget*>("PanelArea")->size(), QSize(639, 480));
    viewer->resize(700, 560);
    ZoomView* view = viewer->view();
    EXPECT_EQ(view->picture().size(), QSize(384, 288)) << "the full result, not the 192 x 144 box";

    // Colours and a tone curve, then the saved file against the viewer's
    // own pixels at 1:1.
    const auto modes = form->findChild<QGroupBox*>("ShowResultRadioGroup")->findChildren<QRadioButton*>();
    QTest::mouseClick(modes[2], Qt::LeftButton, {}, QPoint(8, modes[2]->height() / 2));
    form->findChild<QCheckBox*>("BiasGainCheckBox")->setChecked(true);
    form->findChild<QSpinBox*>("GAINSpinEdit")->stepUp();
    QTest::mouseClick(viewer->findChild<QPushButton*>("ViewerOneToOneButton"), Qt::LeftButton);
    EXPECT_EQ(view->placement().scale, 1.0);
    QTest::mouseClick(form->findChild<QPushButton*>("SaveButton"), Qt::LeftButton);
    const QString saved = QString::fromStdString((program / "Result" / "result00.bmp").string());
    EXPECT_TRUE(form->findChild<QLabel*>("StatusBar")->text().startsWith("Saved " + saved));
    const QImage file(saved);
    ASSERT_EQ(file.size(), QSize(384, 288));
    const QImage shown = view->grab().toImage();
    const int ox = static_cast<int>(view->placement().originX), oy = static_cast<int>(view->placement().originY);
    int differing = 0, compared = 0;
    for (int y = 0; y < file.height(); ++y) {
        for (int x = 0; x < file.width(); ++x) {
            if (!shown.rect().contains(ox + x, oy + y)) continue;
            ++compared;
            differing += shown.pixel(ox + x, oy + y) != file.pixel(x, y);
        }
    }
    EXPECT_GT(compared, 384 * 288 / 2);
    EXPECT_EQ(differing, 0);

    // Another display mode redraws the result: the viewer follows.
    const QImage before = view->picture();
    QTest::mouseClick(modes[3], Qt::LeftButton, {}, QPoint(8, modes[3]->height() / 2));
    EXPECT_NE(view->picture(), before);
    EXPECT_EQ(view->placement().scale, 1.0) << "a redraw keeps the zoom";

    // The pixel under the pointer, in the viewer's status line.
    // Near the middle, where zooming in does not push the picture's edge.
    const QPoint at(ox + 200, oy + 150);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), view->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    const QRgb pixel = view->picture().pixel(200, 150);
    EXPECT_TRUE(viewer->pixelText().contains(QString("x 200, y 150: red %1, green %2, blue %3")
                                                 .arg(qRed(pixel))
                                                 .arg(qGreen(pixel))
                                                 .arg(qBlue(pixel))))
        << viewer->pixelText().toStdString();

    // The wheel zooms around the pointer: the same pixel stays under it.
    QWheelEvent wheel(QPointF(at), view->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120 * 4), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_EQ(view->placement().scale, 2.0);
    EXPECT_EQ(PixelAt(view->placement(), {384, 288}, at.x(), at.y()), (PixelPosition{200, 150}));
    // A drag moves the picture with the pointer.
    const ZoomPlacement zoomed = view->placement();
    QTest::mousePress(view, Qt::LeftButton, {}, at);
    QMouseEvent drag(QEvent::MouseMove, QPointF(at + QPoint(-20, -15)), view->mapToGlobal(QPointF(at + QPoint(-20, -15))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drag);
    QTest::mouseRelease(view, Qt::LeftButton, {}, at + QPoint(-20, -15));
    EXPECT_EQ(view->placement().originX, zoomed.originX - 20);
    EXPECT_EQ(view->placement().originY, zoomed.originY - 15);

    // Fit shows the whole picture inside the view.
    QTest::mouseClick(viewer->findChild<QPushButton*>("ViewerFitButton"), Qt::LeftButton);
    EXPECT_TRUE(view->fitted());
    EXPECT_LE(384 * view->placement().scale, view->width() + 1e-9);
    EXPECT_LE(288 * view->placement().scale, view->height() + 1e-9);
}

TEST_F(LoadedWindowTest, TheViewerShowsTheInputPictureAndOpensFromTheResultBox)
{
    Open();
    QTest::mouseDClick(form->findChild<PictureBox*>("ResultPicImage"), Qt::LeftButton, {}, QPoint(20, 20));
    PictureViewer* viewer = form->pictureViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->source(), PictureViewer::Source::Result);
    EXPECT_EQ(ws().displayedPicture, 1) << "the result box's double-click does not browse";

    QTest::mouseClick(viewer->findChild<QRadioButton*>("ViewerInputChoice"), Qt::LeftButton);
    EXPECT_EQ(viewer->source(), PictureViewer::Source::Input);
    EXPECT_EQ(viewer->view()->picture(), form->findChild<PictureBox*>("InputPicImage")->picture());
    // Browsing from the viewer with the window's keys: it shows the next one.
    QTest::keyClick(viewer->view(), Qt::Key_PageUp);
    EXPECT_EQ(ws().displayedPicture, 2);
    EXPECT_EQ(viewer->view()->picture(), form->findChild<PictureBox*>("InputPicImage")->picture());
    form->close();
    EXPECT_FALSE(viewer->isVisible());
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
