#pragma once

#include <optional>
#include <string>

#include "image/Bitmap.h"
#include "workspace/Controls.h"
#include "workspace/FileDialogKind.h"

namespace quivane {

// The five action buttons whose enabling follows the busy/ready states.
enum class ActionButton { Calculate, Save, SaveAs, Go, Stop };

// Texts of the window that actions set: the two picture captions, the text
// beside the combine parameter, the text beside the saturation track bar and
// the caption of the automatic-save button.
enum class TextField { InputCaption, ResultCaption, CombineText, SaturationText, SaveButtonCaption };

// What a file dialog needs. The filter is written "Description|*.ext", with
// patterns joined by ";" and more such pairs joined by "|"; a window may
// match its patterns in any letter case.
struct FileDialogRequest {
    std::string title;
    std::string filter;
    std::string defaultExtension;
    std::string initialFolder;
    std::string fileName;  // proposed name, save dialogs only
    int selectedFilter = 0;  // the filter pair shown first, counting from 0
    bool preview = false;  // show the chosen picture beside the file list
    FileDialogKind kind = FileDialogKind::Bitmaps;
};

// What a save dialog returns: the full path, and which of the request's
// filter pairs was chosen (counting from 0), or -1 when the dialog cannot
// tell.
struct ChosenSaveFile {
    std::string path;
    int filter = -1;
};

// The only way actions reach the window. The Qt window, the batch program and
// the tests' scripted fake implement it. Control values are kept in the
// workspace's mirror; `showControl` only makes the window show that state
// (it must not call back into the actions).
class Ui {
public:
    virtual ~Ui() = default;

    virtual void setStatusText(const std::string& text) = 0;
    // What the status line says now.
    virtual std::string statusText() const = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressMinimum(int minimum) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void setText(TextField field, const std::string& text) = 0;
    virtual void setActionEnabled(ActionButton button, bool enabled) = 0;
    virtual void showControl(ControlId id, const ControlState& state) = 0;
    // Lights the lamp of `mark` and darkens the others; a mark outside 0..3
    // darkens all four.
    virtual void lightQualityLamps(int mark) = 0;
    // The result box stops showing its start picture and shows this bitmap.
    virtual void showResultView(const Bitmap24& view) = 0;
    virtual void repaintResultBox() = 0;
    // The "Co&rrect" button is drawn bold maroon while a correction is in force.
    virtual void showCorrectionActive(bool active) = 0;
    // The input box shows this bitmap stretched into its 192 x 144 area.
    virtual void showInputView(const Bitmap24& view) = 0;
    // The pictures' scores, faults or quality marks, or the shown picture,
    // changed: whatever shows them (the quality graph) draws them again.
    virtual void showSelection() = 0;

    // Full path of an existing file the user chose, or nothing when cancelled.
    virtual std::optional<std::string> askOpenFileName(const FileDialogRequest& request) = 0;
    // The path the user chose to save under and the filter chosen with it,
    // or nothing when cancelled.
    virtual std::optional<ChosenSaveFile> askSaveFileName(const FileDialogRequest& request) = 0;
    // An error message box with one OK button; returns once acknowledged.
    virtual void showError(const std::string& message) = 0;
    // Lets pending window events run from inside a long loop.
    virtual void processEvents() = 0;
};

}  // namespace quivane
