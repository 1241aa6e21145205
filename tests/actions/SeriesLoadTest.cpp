#include "actions/SeriesLoad.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "acquire/CaptureFile.h"
#include "actions/WorkspaceActions.h"
#include "support/FakeUi.h"

namespace quivane {
namespace {

namespace fs = std::filesystem;
using testing::FakeUi;

struct WindowAfterLoad {
    Bitmap24 input, result;
    std::string status;
    int progress = 0;
    int resultViewsShown = 0;
};

WindowAfterLoad LoadShowingEvery(const fs::path& file, std::chrono::milliseconds interval, int maxPictures)
{
    if (!fs::exists(file)) ADD_FAILURE() << "test material missing: " << file;
    Workspace ws("/opt/quivane");
    FakeUi ui;
    FormCreate(ws, ui);
    auto opened = CaptureFile::Open(file.string());
    auto* capture = std::get_if<CaptureFile>(&opened);
    if (capture == nullptr) return {};
    SeriesSettings settings = CurrentSeriesSettings(ws);
    settings.maxPictures = maxPictures;
    WindowLoadObserver observer(ws, ui, interval);
    LoadCaptureSeries(*capture, settings, ws.pictures, observer);
    observer.ShowLast();
    return {ui.inputBox, ws.resultView, ui.status, ui.progressPosition, ui.resultViewsShown};
}

// Frames are drawn at screen rate only; once the load is over the window
// must show what drawing every frame would have left: the last frame, its
// picture, its status and progress. A colour video and a grey capture, cut
// at an odd and an even count.
TEST(WindowLoadObserver, DrawingAtScreenRateEndsAsDrawingEveryFrame)
{
    const fs::path files[] = {fs::path(QUIVANE_TESTDATA) / "avi" / "v07_mjpeg.avi",
                              fs::path(QUIVANE_TESTDATA) / "captures" / "ser_mono8" / "mars_mono8.ser"};
    for (const fs::path& file : files)
        for (int maxPictures : {7, 12}) {
            const WindowAfterLoad every = LoadShowingEvery(file, std::chrono::milliseconds(0), maxPictures);
            const WindowAfterLoad few = LoadShowingEvery(file, std::chrono::hours(1), maxPictures);
            ASSERT_FALSE(every.input.empty()) << file;
            EXPECT_EQ(few.input, every.input) << file << " " << maxPictures;
            EXPECT_EQ(few.result, every.result) << file << " " << maxPictures;
            EXPECT_EQ(few.status, every.status);
            EXPECT_EQ(few.progress, every.progress);
            EXPECT_EQ(every.resultViewsShown, maxPictures + 1) << "picture 0 and every input picture";
            EXPECT_EQ(few.resultViewsShown, 2) << "the first frame, then the last once the load is over";
        }
}

}  // namespace
}  // namespace quivane
