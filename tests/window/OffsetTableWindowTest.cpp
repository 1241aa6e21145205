#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>

#include "window/LoadedWindow.h"
#include "window/OffsetTableWindow.h"
#include "window/PictureViewer.h"
#include "window/QualityGraph.h"
#include "window/QualityLamp.h"

namespace quivane {
namespace {

using testing::MenuAction;

// The columns as the table shows them.
enum { PictureColumn, DxColumn, DyColumn, MarkColumn, ScoreColumn, FaultColumn };

class OffsetTableWindowTest : public testing::LoadedWindowTest {
protected:
    OffsetTableWindow* OpenTable()
    {
        MenuAction(*form, "OffsetTableAction")->trigger();
        return form->offsetTable();
    }
    QTableView* View() { return form->offsetTable()->table(); }
    QString Cell(int row, int column) { return View()->model()->index(row, column).data().toString(); }
    void ClickCell(int row, int column)
    {
        const QModelIndex index = View()->model()->index(row, column);
        QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, View()->visualRect(index).center());
    }
    int CurrentRow() { return View()->currentIndex().row(); }

    // The window keeps its places at its end: it goes before the store.
    void TearDown() override
    {
        form.reset();
        LoadedWindowTest::TearDown();
    }
    QTemporaryDir storeFolder;
    QSettings places{storeFolder.filePath("places.ini"), QSettings::IniFormat};
};

TEST_F(OffsetTableWindowTest, ListsEveryPictureAndFollowsAnAlignment)
{
    Open();
    EXPECT_EQ(form->offsetTable(), nullptr);
    OffsetTableWindow* table = OpenTable();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    EXPECT_TRUE(table->isWindow()) << "its own window: the described layout stays as it is";
    EXPECT_EQ(table->windowTitle(), "Quivane: offsets and marks");
    EXPECT_EQ(form->findChild<QWidget*>("PanelArea")->size(), QSize(639, 480));

    ASSERT_EQ(View()->model()->rowCount(), 5);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(Cell(row, PictureColumn), QString::number(row + 1));
        EXPECT_EQ(Cell(row, DxColumn), "0");
        EXPECT_EQ(Cell(row, MarkColumn), "Avg");
        EXPECT_NE(Cell(row, ScoreColumn), "—") << "scored while loading";
        EXPECT_EQ(Cell(row, FaultColumn), "");
    }
    EXPECT_EQ(CurrentRow(), 0) << "the shown picture's row";

    const auto methods = form->findChild<QGroupBox*>("RegisterRadioGroup")->findChildren<QRadioButton*>();
    QTest::mouseClick(methods[1], Qt::LeftButton, {}, QPoint(8, methods[1]->height() / 2));
    QTest::mouseClick(form->findChild<QPushButton*>("RegisterGoButton"), Qt::LeftButton);
    bool moved = false;
    for (int n = 1; n <= 5; ++n) {
        const Picture& picture = ws().pictures.at(n);
        EXPECT_EQ(Cell(n - 1, DxColumn), QString::number(picture.dx)) << n;
        EXPECT_EQ(Cell(n - 1, DyColumn), QString::number(picture.dy)) << n;
        moved = moved || picture.dx != 0 || picture.dy != 0;
    }
    EXPECT_TRUE(moved) << "the demo planet drifts: the search finds offsets";

    // An offset set by hand (number-pad 6, pressed in the table) shows at once.
    const int dx = ws().pictures.at(1).dx;
    QTest::keyClick(View(), Qt::Key_6, Qt::KeypadModifier);
    EXPECT_EQ(ws().pictures.at(1).dx, dx + 1);
    EXPECT_EQ(Cell(0, DxColumn), QString::number(dx + 1));
    EXPECT_EQ(CurrentRow(), 0) << "a digit is the window's key, not a search of the table";

    // A new load brings new rows.
    form->answers = {(std::filesystem::path(QUIVANE_SAMPLES) / "Pictures" / "PLANET_0001.BMP").string(),
                     (std::filesystem::path(QUIVANE_SAMPLES) / "Pictures" / "PLANET_0003.BMP").string()};
    QTest::mouseClick(form->findChild<QPushButton*>("LoadBMPButton"), Qt::LeftButton);
    ASSERT_EQ(View()->model()->rowCount(), 3);
    EXPECT_EQ(Cell(0, DxColumn), "0");
}

TEST_F(OffsetTableWindowTest, AMarkChosenInTheTableMarksThatPicture)
{
    Open();
    OpenTable();
    // Typing a mark's first letter in its cell chooses it.
    ClickCell(3, MarkColumn);
    ASSERT_EQ(ws().displayedPicture, 4);
    QTest::keyClick(View(), Qt::Key_G);
    EXPECT_EQ(ws().pictures.at(4).quality, QualityGood);
    EXPECT_TRUE(form->findChild<QualityLamp*>("GoodLed")->isLit());
    EXPECT_TRUE(form->findChild<QGroupBox*>("QualityRadioGroup")->findChildren<QRadioButton*>()[3]->isChecked());
    EXPECT_EQ(Cell(3, MarkColumn), "Good");

    // A mark set on another row takes that picture there first, as the
    // quality group only marks the shown picture.
    View()->model()->setData(View()->model()->index(1, MarkColumn), QualityDont);
    EXPECT_EQ(ws().pictures.at(2).quality, QualityDont);
    EXPECT_EQ(ws().displayedPicture, 2);
    EXPECT_EQ(CurrentRow(), 1);
    EXPECT_EQ(Cell(1, MarkColumn), "Dont");
    EXPECT_EQ(ws().pictures.at(4).quality, QualityGood);

    // The quality graph, open beside, draws the new marks too.
    MenuAction(*form, "QualityGraphAction")->trigger();
    EXPECT_EQ(form->qualityGraph()->findChild<QLabel*>("QualityInfo")->text(),
              "5 pictures, 5 scored, 0 bad frames; 4 marked Avg or Good");
}

TEST_F(OffsetTableWindowTest, ARowClickedOrReachedByKeysShowsItsPicture)
{
    Open();
    OpenTable();
    ClickCell(2, PictureColumn);
    EXPECT_EQ(ws().displayedPicture, 3);
    EXPECT_EQ(form->findChild<QSpinBox*>("DataPicNrSpinEdit")->value(), 3);

    View()->setFocus();
    QTest::keyClick(View(), Qt::Key_Down);
    EXPECT_EQ(ws().displayedPicture, 4);
    // Page Up and Down browse one picture, as everywhere in the window; the
    // table does not page as well.
    QTest::keyClick(View(), Qt::Key_PageUp);
    EXPECT_EQ(ws().displayedPicture, 5);
    EXPECT_EQ(CurrentRow(), 4);
    QTest::keyClick(View(), Qt::Key_PageDown);
    QTest::keyClick(View(), Qt::Key_PageDown);
    EXPECT_EQ(ws().displayedPicture, 3);
    EXPECT_EQ(CurrentRow(), 2);
    // F1 marks the shown picture from the table too.
    QTest::keyClick(View(), Qt::Key_F1);
    EXPECT_EQ(ws().pictures.at(3).quality, QualityDont);
    EXPECT_EQ(Cell(2, MarkColumn), "Dont");

    form->findChild<QSpinBox*>("DataPicNrSpinEdit")->setValue(1);
    EXPECT_EQ(CurrentRow(), 0) << "the table follows the shown picture";
    // Enter shows the current row's picture; here the row is made current
    // without the table hearing of it.
    View()->selectionModel()->blockSignals(true);
    View()->setCurrentIndex(View()->model()->index(4, PictureColumn));
    View()->selectionModel()->blockSignals(false);
    QTest::keyClick(View(), Qt::Key_Return);
    EXPECT_EQ(ws().displayedPicture, 5);
}

TEST_F(OffsetTableWindowTest, DialogFoldersAndWindowPlacesSurviveARestartButNoControlValue)
{
    ASSERT_TRUE(storeFolder.isValid());
    Open(192, "PLANET_0005.BMP", &places);
    const QRect tablePlace(40, 50, 560, 310), viewerPlace(70, 30, 520, 400);
    OpenTable()->setGeometry(tablePlace);
    form->openPictureViewer();
    form->pictureViewer()->setGeometry(viewerPlace);
    const auto modes = form->findChild<QGroupBox*>("ShowResultRadioGroup")->findChildren<QRadioButton*>();
    QTest::mouseClick(modes[2], Qt::LeftButton, {}, QPoint(8, modes[2]->height() / 2));
    ASSERT_EQ(ws().showMode, 2);
    form.reset();

    for (const QString& key : places.allKeys())
        EXPECT_TRUE(key.startsWith("dialogs/") || key.startsWith("windows/")) << key.toStdString();

    form = std::make_unique<testing::ScriptedMainForm>(program.string(), &places);
    form->show();
    EXPECT_EQ(ws().showMode, 0) << "controls start at their start values";
    EXPECT_TRUE(form->findChild<QGroupBox*>("ShowResultRadioGroup")->findChildren<QRadioButton*>()[0]->isChecked());
    QTest::mouseClick(form->findChild<QPushButton*>("LoadBMPButton"), Qt::LeftButton);  // cancelled
    ASSERT_FALSE(form->dialogsAsked.empty());
    EXPECT_EQ(form->dialogsAsked[0].initialFolder,
              (std::filesystem::path(QUIVANE_SAMPLES) / "Pictures").string() + "/");
    EXPECT_EQ(ws().folders.picture, program.string() + "/Pictures/") << "the working folder is as described";

    EXPECT_EQ(OpenTable()->geometry(), tablePlace);
    form->openPictureViewer();
    EXPECT_EQ(form->pictureViewer()->geometry(), viewerPlace);
    MenuAction(*form, "QualityGraphAction")->trigger();
    EXPECT_TRUE(form->qualityGraph()->isVisible()) << "never kept: placed beside the window";
}

}  // namespace
}  // namespace quivane
