#include "actions/OffsetTable.h"

#include <algorithm>
#include <cstdio>

#include "actions/ControlHandlers.h"
#include "actions/PictureBrowsing.h"
#include "select/BadFrames.h"

namespace quivane {
namespace {

const std::string NotScored = "—";

std::string FaultText(const Picture& picture)
{
    if (picture.fault != FrameFault::None)
        return std::string(FaultWord(picture.fault)) + " (" + std::string(FaultExplanation(picture.fault)) + ")";
    return picture.scored() ? std::string() : NotScored;
}

}  // namespace

std::string MarkName(int mark)
{
    switch (mark) {
    case QualityDont: return "Dont";
    case QualityBad: return "Bad";
    case QualityAvg: return "Avg";
    case QualityGood: return "Good";
    default: return std::to_string(mark);
    }
}

std::string ScoreText(double score)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", score);
    return text;
}

std::vector<OffsetTableRow> OffsetTableRows(const Workspace& ws)
{
    std::vector<OffsetTableRow> rows;
    const int count = InputPictureCount(ws);
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int n = 1; n <= count; ++n) {
        const Picture& picture = ws.pictures.at(n);
        rows.push_back(OffsetTableRow{n, picture.dx, picture.dy, picture.quality, MarkName(picture.quality),
                                      picture.scored() ? ScoreText(picture.sharpness) : NotScored, FaultText(picture),
                                      picture.fault != FrameFault::None});
    }
    return rows;
}

void MarkPicture(Workspace& ws, Ui& ui, int n, int mark)
{
    if (n < 1 || n > InputPictureCount(ws) || mark < QualityDont || mark > QualityGood) return;
    BrowseToPicture(ws, ui, n);
    if (ws.displayedPicture != n) return;
    // Through the group's own handler, as F1..F4 mark the shown picture.
    SetAndApplyControl(ws, ui, ControlId::QualityRadioGroup, mark);
}

}  // namespace quivane
