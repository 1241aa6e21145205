#pragma once

#include <string>

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// Completes the workspace once the window exists: kernels, views, settings
// read from the controls, the working size, the busy state, the lamps.
void FormCreate(Workspace& ws, Ui& ui);

// Makes the chosen result width the working size and empties the count.
// The caller clears the picture list first.
void ResetWorkspaceSize(Workspace& ws, Ui& ui);

// The first load of a run re-reads several settings from their controls.
void SyncSettingsFromControls(Workspace& ws, Ui& ui);

void ShowPictureCountCaption(Ui& ui, int count, int maximum);
void ShowResultSizeCaption(Ui& ui, int width, int height);

// Busy: Calculate, Save, Save As, Go and Stop disabled.
void SetBusyControls(Ui& ui);
// Ready: Calculate, Save, Save As and Go enabled, Stop disabled.
void SetReadyControls(Ui& ui);

// An empty text leaves the status line as it is.
void InitProgress(Ui& ui, int minimum, int maximum, int position, const std::string& text);
void ShowProgress(Ui& ui, int position, const std::string& text);

// Reads the Escape request and clears it in the same step.
bool TakeAbortRequest(Workspace& ws);

}  // namespace quivane
