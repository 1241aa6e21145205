#pragma once

#include <chrono>
#include <optional>

#include "pipeline/SeriesLoading.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// The load settings as the workspace holds them: working size, enlargement,
// whole-frame choice, picture limit, the corrections in force and whether
// frames are scored.
SeriesSettings CurrentSeriesSettings(const Workspace& ws);

// Shows a load in the window: each frame as read in the input box, each
// prepared picture in the result box with the progress, the growing count on
// the picture spin edits; lets events run between frames and takes Escape.
// Frames come faster than a screen can show them, so a frame and its picture
// are drawn at most once per `interval`; the status line and the counts
// follow every frame. The last frame not drawn is remembered (copied only
// when the load ends), and ShowLast draws it once the load is over, so the
// window ends as if every frame had been drawn.
class WindowLoadObserver : public LoadObserver {
public:
    WindowLoadObserver(Workspace& ws, Ui& ui, std::chrono::milliseconds interval = std::chrono::milliseconds(40))
        : ws_(ws), ui_(ui), interval_(interval)
    {
    }
    void preparing(int index, const ColourRows& frame) override;
    void prepared(int index, const ColourRows& frame, const Picture& picture) override;
    void preparingGrey(int index, const GreyRows& frame) override;
    void preparedGrey(int index, const GreyRows& frame, const Picture& picture) override;
    void counted(int count) override;
    void paused() override;
    bool stopRequested() override;
    void ending() override;

    void ShowLast();

private:
    bool Due();
    void ShowColour(const ColourRows& frame);
    void ShowGrey(const GreyRows& frame);
    void ShowPrepared(int index, int frameWidth, int frameHeight, const Picture& picture);

    Workspace& ws_;
    Ui& ui_;
    std::chrono::milliseconds interval_;
    std::optional<std::chrono::steady_clock::time_point> lastDrawn_;
    bool drawing_ = false;  // the frame in hand is drawn
    // What the last frame not drawn would have shown: the load's frame until
    // the load ends, then a copy of it.
    enum class Held { Nothing, Colour, Grey } held_ = Held::Nothing;
    ColourRows loadColour_;
    GreyRows loadGrey_;
    bool copied_ = false;
    Bitmap24 heldColour_;  // also where a frame's rows are copied to be drawn
    Bitmap8 heldGrey_;
};

// Ends a load: an accepted load with pictures makes the actions ready and
// shows picture 1; anything else leaves them disabled.
void FinishLoad(Workspace& ws, Ui& ui);

}  // namespace quivane
