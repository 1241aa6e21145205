#pragma once

#include "acquire/SeriesLoading.h"
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
class WindowLoadObserver : public LoadObserver {
public:
    WindowLoadObserver(Workspace& ws, Ui& ui) : ws_(ws), ui_(ui) {}
    void preparing(int index, const Bitmap24& frame) override;
    void prepared(int index, const Bitmap24& frame, const Picture& picture) override;
    void preparingGrey(int index, const Bitmap8& frame) override;
    void preparedGrey(int index, const Bitmap8& frame, const Picture& picture) override;
    void counted(int count) override;
    void paused() override;
    bool stopRequested() override;

private:
    void showPrepared(int index, int frameWidth, int frameHeight, const Picture& picture);

    Workspace& ws_;
    Ui& ui_;
};

// Ends a load: an accepted load with pictures makes the actions ready and
// shows picture 1; anything else leaves them disabled.
void FinishLoad(Workspace& ws, Ui& ui);

}  // namespace quivane
