#pragma once

#include "image/Bitmap.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// Prepares a frame as picture `index` of the list (the list's current
// length), showing the frame as read, the prepared picture and the progress.
void AddFrame(Workspace& ws, Ui& ui, int index, const Bitmap24& frame);

// A frame read by either loader: the first becomes the result picture and
// input picture 1, every later one the next input picture.
void AddLoadedFrame(Workspace& ws, Ui& ui, const Bitmap24& frame);

// Ends a load: an accepted load with pictures makes the actions ready and
// shows picture 1; anything else leaves them disabled.
void FinishLoad(Workspace& ws, Ui& ui);

}  // namespace quivane
