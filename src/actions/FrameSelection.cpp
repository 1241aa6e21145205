#include "actions/FrameSelection.h"

#include <algorithm>
#include <array>
#include <variant>

#include "acquire/CaptureFile.h"
#include "pipeline/SeriesLoading.h"
#include "actions/ControlHandlers.h"
#include "actions/PictureBrowsing.h"
#include "actions/ScopedFlag.h"
#include "actions/WorkspaceActions.h"
#include "select/BadFrames.h"

namespace quivane {
namespace {

// Shows a scoring pass: its progress, events between frames, Escape.
class ScoringObserver : public LoadObserver {
public:
    ScoringObserver(Workspace& ws, Ui& ui) : ws_(ws), ui_(ui) {}
    void prepared(int index, const ColourRows&, const Picture&) override { show(index); }
    void preparedGrey(int index, const GreyRows&, const Picture&) override { show(index); }
    void paused() override { ui_.processEvents(); }
    bool stopRequested() override
    {
        stopped_ = stopped_ || TakeAbortRequest(ws_);
        return stopped_;
    }
    bool stopped() const { return stopped_; }

private:
    void show(int index) { ShowProgress(ui_, index, "Scoring pictures [Nr: " + std::to_string(index) + "]"); }

    Workspace& ws_;
    Ui& ui_;
    bool stopped_ = false;
};

// The series measured again, or why it could not be.
std::variant<PictureSeries, std::string> MeasureAgain(Workspace& ws, Ui& ui)
{
    const LoadedSource& source = ws.loadedSource;
    SeriesSettings settings = source.settings;
    settings.work = SeriesWork::ScoresOnly;
    PictureSeries measured;
    ScoringObserver observer(ws, ui);
    (void)TakeAbortRequest(ws);  // an Escape pressed before does not count
    SeriesLoadReport report;
    if (source.kind == LoadedSource::Kind::Bitmaps) {
        report = LoadBitmapSeries(source.folder, source.names, source.extension, settings, measured, observer);
    } else {
        auto opened = CaptureFile::Open(source.path);
        auto* capture = std::get_if<CaptureFile>(&opened);
        if (!capture) return "Cannot score: " + std::get<std::string>(opened);
        report = LoadCaptureSeries(*capture, settings, measured, observer);
    }
    if (observer.stopped()) return std::string("Scoring stopped: the scores are as they were");
    if (report.failure || measured.empty() != ws.pictures.empty() ||
        measured.inputCount() != ws.pictures.inputCount())
        return std::string("Cannot score: the files no longer hold the series loaded; load it again");
    return measured;
}

std::string BadSummary(const Workspace& ws)
{
    std::array<int, static_cast<std::size_t>(FrameFault::Streak) + 1> counts{};
    int bad = 0;
    for (int n = 1; n <= InputPictureCount(ws); ++n) {
        const FrameFault fault = ws.pictures.at(n).fault;
        if (fault == FrameFault::None) continue;
        ++bad;
        ++counts[static_cast<std::size_t>(fault)];
    }
    if (bad == 0) return "no bad frame";
    std::string text = std::to_string(bad) + " bad (";
    bool first = true;
    for (std::size_t f = 1; f < counts.size(); ++f) {
        if (counts[f] == 0) continue;
        text += (first ? "" : ", ") + std::to_string(counts[f]) + " " + std::string(FaultWord(FrameFault(f)));
        first = false;
    }
    return text + ")";
}

}  // namespace

void SetScoreWhileLoading(Workspace& ws, Ui& ui, bool on)
{
    ws.selection.scoreWhileLoading = on;
    ui.setStatusText(on ? "The next loads score every frame" : "The next loads do not score their frames");
}

bool AllPicturesScored(const Workspace& ws)
{
    for (int n = 1; n <= InputPictureCount(ws); ++n)
        if (!ws.pictures.at(n).scored()) return false;
    return InputPictureCount(ws) > 0;
}

bool ScoreLoadedPictures(Workspace& ws, Ui& ui)
{
    if (LoopRunning(ws) || !ws.picturesLoaded || InputPictureCount(ws) < 1) return false;
    if (ws.loadedSource.kind == LoadedSource::Kind::None) {
        ui.setStatusText("Cannot score: no series was loaded from files");
        return false;
    }
    std::variant<PictureSeries, std::string> measured;
    {
        const ScopedFlag running(ws.loadRunning);
        InitProgress(ui, 0, InputPictureCount(ws), 0, "Scoring pictures");
        measured = MeasureAgain(ws, ui);
        InitProgress(ui, 0, 1, 0, "");
    }
    if (const auto* why = std::get_if<std::string>(&measured)) {
        ui.setStatusText(*why);
        return false;
    }
    const PictureSeries& scores = std::get<PictureSeries>(measured);
    // The result picture takes its frame's score too.
    for (int n = 0; n <= ws.pictures.inputCount(); ++n) {
        ws.pictures.at(n).sharpness = scores.at(n).sharpness;
        ws.pictures.at(n).fault = scores.at(n).fault;
    }
    ui.setStatusText("Scored " + std::to_string(InputPictureCount(ws)) + " pictures, " + BadSummary(ws));
    ui.showSelection();
    return true;
}

void KeepBest(Workspace& ws, Ui& ui, KeepRule rule)
{
    if (LoopRunning(ws)) return;
    ws.selection.keepRule = rule;
    const int count = InputPictureCount(ws);
    if (!ws.picturesLoaded || count < 1) {
        ui.setStatusText("Keep best: no pictures loaded");
        return;
    }
    if (!AllPicturesScored(ws) && !ScoreLoadedPictures(ws, ui)) return;

    std::vector<double> scores;
    std::vector<FrameVerdict> verdicts;
    for (int n = 1; n <= count; ++n) {
        const Picture& p = ws.pictures.at(n);
        scores.push_back(p.sharpness);
        verdicts.push_back(FrameVerdict{p.fault});
    }
    const std::vector<int> marks = MarksFromRanking(scores, verdicts, rule);
    std::array<int, 4> marked{};
    for (int n = 1; n <= count; ++n) {
        const int mark = marks[static_cast<std::size_t>(n - 1)];
        ws.pictures.at(n).quality = mark;
        ++marked[static_cast<std::size_t>(mark)];
    }
    ws.selection.keepApplied = true;
    if (const Picture* shown = ShownPicture(ws)) LightQualityLamps(ws, ui, shown->quality);

    const int bad = static_cast<int>(std::count_if(verdicts.begin(), verdicts.end(), [](auto& v) { return v.bad(); }));
    const int kept = marked[QualityGood] + marked[QualityAvg];
    ui.setStatusText("Kept " + std::to_string(kept) + " of " + std::to_string(count - bad) + " usable pictures: " +
                     std::to_string(marked[QualityGood]) + " Good, " + std::to_string(marked[QualityAvg]) +
                     " Avg; " + std::to_string(count - kept) + " Dont (" + BadSummary(ws) + ")");
    ui.showSelection();
}

std::string FaultStatusText(int picture, FrameFault fault)
{
    return "Picture " + std::to_string(picture) + " is a bad frame: " + std::string(FaultWord(fault)) + " (" +
           std::string(FaultExplanation(fault)) + ")";
}

void ShowPictureFault(Workspace& ws, Ui& ui, int n)
{
    if (ws.aligning || !IsLoadedPicture(ws, n) || n < 1) return;
    SelectionState& s = ws.selection;
    const FrameFault fault = ws.pictures.at(n).fault;
    const std::string now = ui.statusText();
    const bool reasonShown = !s.faultText.empty() && now == s.faultText;
    if (fault != FrameFault::None) {
        if (!reasonShown) s.textBeforeFault = now;
        s.faultText = FaultStatusText(n, fault);
        ui.setStatusText(s.faultText);
        return;
    }
    if (reasonShown) ui.setStatusText(s.textBeforeFault);
    s.faultText.clear();
}

}  // namespace quivane
