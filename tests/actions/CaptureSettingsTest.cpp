#include "actions/CaptureSettings.h"

#include <gtest/gtest.h>

#include "actions/WorkspaceActions.h"
#include "support/FakeUi.h"

namespace quivane {
namespace {

using testing::FakeUi;

TEST(CaptureSettings, PictureMemoryStaysWithinTheDefaultAndTheMachineAndMovesTheLimitAtOnce)
{
    Workspace ws{"/opt/quivane"};
    FakeUi ui;
    FormCreate(ws, ui);
    ASSERT_EQ(ws.maxPictures, 455);  // 192 x 144 in 48 MiB
    SetPictureMemory(ws, ui, 96);
    EXPECT_EQ(ws.maxPictures, 910);
    EXPECT_EQ(ui.texts[TextField::InputCaption], "Input pictures [0 of 910]");
    SetPictureMemory(ws, ui, 1);
    EXPECT_EQ(ws.pictureMemoryMiB, DefaultPictureMemoryMiB);
    SetPictureMemory(ws, ui, 1 << 30);
    EXPECT_EQ(ws.pictureMemoryMiB, MachineMemoryMiB());
}

}  // namespace
}  // namespace quivane
