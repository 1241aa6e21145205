#include "actions/AutoAlign.h"

#include <string>

#include "align/AlignmentScore.h"
#include "tone/RenderPicture.h"
#include "actions/WorkspaceActions.h"

namespace quivane {
namespace {

constexpr int LastPass = 24;  // passes are counted from 1; the 25th is the last

Picture& PictureAt(Workspace& ws, int n) { return ws.pictures[static_cast<std::size_t>(n)]; }

// The search of one picture from a start offset; marks it "Dont" when it has
// not settled after the last pass.
SearchBest SearchOffset(Workspace& ws, Ui& ui, int n, int startX, int startY, int enlargement)
{
    int step = 4 * enlargement;
    int passes = 0;
    SearchBest best{startX, startY, ScoreOffset(ws, ui, n, startX, startY)};
    int vertical = 0, horizontal = 0;
    do {
        ++passes;
        if (vertical == 0 && horizontal == 0) step /= 2;
        const int s = step != 0 ? step : 1;
        if (horizontal == 0) vertical = TryAxisStep(ws, ui, n, 0, s, best);
        if (vertical == 0) horizontal = TryAxisStep(ws, ui, n, s, 0, best);
    } while (step >= 1 && passes <= LastPass);
    if (passes > LastPass) PictureAt(ws, n).quality = QualityDont;
    return best;
}

}  // namespace

long long ScoreOffset(Workspace& ws, Ui& ui, int n, int dx, int dy)
{
    Bitmap24 view(ws.inputWindowSize.x, ws.inputWindowSize.y);
    Picture& picture = PictureAt(ws, n);
    picture.dx = dx;
    picture.dy = dy;
    RenderPicture(picture, view, ws.viewOrigin.x, ws.viewOrigin.y, ModeLuminance, ws.tone);
    const long long score =
        AlignmentScore(PictureAt(ws, ws.referencePicture), view, ws.viewOrigin.x, ws.viewOrigin.y, ModeLuminance);
    ui.showInputView(view);
    return score;
}

int TryAxisStep(Workspace& ws, Ui& ui, int n, int sx, int sy, SearchBest& best)
{
    const long long plus = ScoreOffset(ws, ui, n, best.x + sx, best.y + sy);
    const long long minus = ScoreOffset(ws, ui, n, best.x - sx, best.y - sy);
    if (best.score <= plus && best.score <= minus) return 0;
    if (plus < minus) {
        best = SearchBest{best.x + sx, best.y + sy, plus};
        return 1;
    }
    best = SearchBest{best.x - sx, best.y - sy, minus};
    return -1;
}

void AutoAlign(Workspace& ws, Ui& ui)
{
    ws.displayedPicture = ws.controls.value(ControlId::DataPicNrSpinEdit);
    const int count = InputPictureCount(ws);
    if (count < 1 || ws.referencePicture < 0 || ws.referencePicture > count) return;
    // Pictures of a full-frame object (the Moon) drift steadily: each search
    // starts where the previous picture ended.
    const bool chain = PictureAt(ws, ws.referencePicture).fullPicture;
    const int enlargement = ws.controls.value(ControlId::ResampleSpinEdit);

    for (int n = 1; n <= count; ++n) {
        const Picture& start = PictureAt(ws, chain ? n - 1 : n);
        const SearchBest best = SearchOffset(ws, ui, n, start.dx, start.dy, enlargement);
        const long long score = n == ws.referencePicture ? ScoreOffset(ws, ui, n, 0, 0)
                                                    : ScoreOffset(ws, ui, n, best.x, best.y);
        ShowProgress(ui, n,
                     "Automatic alignment of picture " + std::to_string(ws.referencePicture) + " with nr. " +
                         std::to_string(n) + ", Dx,Dy= (" + std::to_string(best.x) + ", " + std::to_string(best.y) +
                         "), Value =[" + std::to_string(score) + "]");
        ui.processEvents();
        // Stop, run from the pump, clears Aligning.
        if (!ws.aligning || TakeAbortRequest(ws)) break;
    }
}

}  // namespace quivane
