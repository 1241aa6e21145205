#include <gtest/gtest.h>

#include "actions/AlignmentFixture.h"
#include "actions/OffsetTable.h"
#include "support/Pictures.h"

namespace quivane {
namespace {

using testing::AlignmentFixture;
using testing::Blob;

TEST(OffsetTableRows, ARowForEachInputPictureWithWhatItsFrameWasFoundToBe)
{
    Workspace ws("/opt/quivane");
    EXPECT_TRUE(OffsetTableRows(ws).empty()) << "nothing loaded";

    ws.pictures = testing::SeriesOf(4, Picture{});
    ws.pictureCount = 4;
    ws.pictures.at(0).dx = 99;  // the result is not an input picture
    ws.pictures.at(1).dx = -3;
    ws.pictures.at(1).dy = 7;
    ws.pictures.at(1).sharpness = 1234.5678;
    ws.pictures.at(2).quality = QualityDont;
    ws.pictures.at(2).sharpness = 0.00012345;
    ws.pictures.at(2).fault = FrameFault::Repeated;
    ws.pictures.at(3).quality = QualityGood;
    ws.pictures.at(4).fault = FrameFault::Black;  // judged bad, never given a score

    const std::vector<OffsetTableRow> rows = OffsetTableRows(ws);
    ASSERT_EQ(rows.size(), 4u);
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(rows[static_cast<std::size_t>(n - 1)].picture, n);
    EXPECT_EQ(rows[0].dx, -3);
    EXPECT_EQ(rows[0].dy, 7);
    EXPECT_EQ(rows[0].markName, "Avg");
    EXPECT_EQ(rows[0].score, "1.23e+03");
    EXPECT_EQ(rows[0].fault, "") << "scored and good";
    EXPECT_FALSE(rows[0].bad);
    EXPECT_EQ(rows[1].markName, "Dont");
    EXPECT_EQ(rows[1].score, "0.000123");
    EXPECT_EQ(rows[1].fault, "repeated (the same as the frame before)");
    EXPECT_TRUE(rows[1].bad);
    EXPECT_EQ(rows[2].markName, "Good");
    EXPECT_EQ(rows[2].score, "—");
    EXPECT_EQ(rows[2].fault, "—") << "not scored: not known to be good";
    EXPECT_EQ(rows[3].score, "—");
    EXPECT_EQ(rows[3].fault, "black (no object in the frame)");

    // A count beyond the list (a load cut short) lists what is there.
    ws.pictureCount = 9;
    EXPECT_EQ(OffsetTableRows(ws).size(), 4u);
}

class MarkPictureTest : public ::testing::Test {
protected:
    AlignmentFixture f;
    void SetUp() override { f.Load({Blob(96, 72), Blob(99, 72), Blob(90, 80)}); }
};

TEST_F(MarkPictureTest, MarksThePictureAsTheQualityGroupWouldOnceItIsShown)
{
    const int before = f.ui.selectionsShown;
    MarkPicture(f.ws, f.ui, 3, QualityGood);
    EXPECT_EQ(f.At(3).quality, QualityGood);
    EXPECT_EQ(f.ws.displayedPicture, 3);
    EXPECT_EQ(f.ui.shown[ControlId::DataPicNrSpinEdit].value, 3);
    EXPECT_EQ(f.ui.shown[ControlId::QualityRadioGroup].value, QualityGood);
    EXPECT_EQ(f.ui.litLamp, QualityGood);
    EXPECT_GT(f.ui.selectionsShown, before) << "the table and the graph draw again";
    EXPECT_EQ(f.At(1).quality, QualityAvg);
    EXPECT_EQ(f.At(2).quality, QualityAvg);

    // A mark the search set on a picture that is not shown is replaced too.
    f.At(2).quality = QualityDont;
    MarkPicture(f.ws, f.ui, 2, QualityBad);
    EXPECT_EQ(f.At(2).quality, QualityBad);
    EXPECT_EQ(f.At(3).quality, QualityGood);
}

TEST_F(MarkPictureTest, APictureOrAMarkThatIsNotThereChangesNothing)
{
    const std::pair<int, int> requests[] = {{0, QualityGood}, {4, QualityGood}, {-1, QualityDont}, {2, -1}, {2, 4}};
    for (const auto& [picture, mark] : requests) {
        MarkPicture(f.ws, f.ui, picture, mark);
        EXPECT_EQ(f.ws.displayedPicture, 1) << picture << " " << mark;
        for (int n = 0; n <= 3; ++n) EXPECT_EQ(f.At(n).quality, QualityAvg) << n;
    }
}

}  // namespace
}  // namespace quivane
