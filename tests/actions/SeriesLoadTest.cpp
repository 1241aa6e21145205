#include "actions/SeriesLoad.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "acquire/CaptureFile.h"
#include "actions/WorkspaceActions.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

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

// The same for a bitmap series, whole and ending at a damaged file: the
// window ends showing the last frame added, which the load keeps until it
// ends, never one read after it.
TEST(WindowLoadObserver, ABitmapSeriesEndsShowingItsLastFrameAddedWhereverItEnds)
{
    const fs::path pictures = fs::path(QUIVANE_SAMPLES) / "Pictures";
    testing::TempFolder folder{"series_end"};
    for (int n = 1; n <= 9; ++n) {
        const std::string name = "PLANET_000" + std::to_string(n) + ".BMP";
        fs::copy_file(pictures / name, folder.path() / name);
    }
    fs::resize_file(folder.path() / "PLANET_0006.BMP", 100);  // ends inside its header
    const auto names = SplitSequenceNames("PLANET_0001.BMP", "PLANET_0009.BMP");
    ASSERT_TRUE(names);
    const auto load = [&](const fs::path& from, std::chrono::milliseconds interval) {
        Workspace ws(from.string());
        FakeUi ui;
        FormCreate(ws, ui);
        WindowLoadObserver observer(ws, ui, interval);
        const SeriesLoadReport report =
            LoadBitmapSeries(from.string() + "/", *names, ".BMP", CurrentSeriesSettings(ws), ws.pictures, observer);
        observer.ShowLast();
        return std::make_pair(WindowAfterLoad{ui.inputBox, ws.resultView, ui.status, ui.progressPosition,
                                              ui.resultViewsShown},
                              report.failure.has_value());
    };
    for (const fs::path& from : {pictures, folder.path()}) {
        const auto [every, failedEvery] = load(from, std::chrono::milliseconds(0));
        const auto [few, failedFew] = load(from, std::chrono::hours(1));
        EXPECT_EQ(failedEvery, from == folder.path());
        EXPECT_EQ(failedFew, failedEvery);
        ASSERT_FALSE(every.input.empty()) << from;
        EXPECT_EQ(few.input, every.input) << from;
        EXPECT_EQ(few.result, every.result) << from;
        EXPECT_EQ(few.status, every.status) << from;
    }
}

}  // namespace
}  // namespace quivane
