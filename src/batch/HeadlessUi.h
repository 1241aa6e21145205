#pragma once

#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "workspace/Ui.h"

namespace quivane {

// The window's port without a window: file dialogs are answered from a
// queue the command line filled, error boxes are collected, and the status
// line goes to `progress` when one is given (a terminal).
class HeadlessUi : public Ui {
public:
    explicit HeadlessUi(std::ostream* progress) : progress_(progress) {}

    std::deque<std::optional<std::string>> dialogAnswers;  // nothing: the dialog is cancelled
    std::vector<std::string> errors;
    std::string status;

    void setStatusText(const std::string& text) override;
    void setProgressMaximum(int) override {}
    void setProgressMinimum(int) override {}
    void setProgressPosition(int) override {}
    void setText(TextField, const std::string&) override {}
    void setActionEnabled(ActionButton, bool) override {}
    void showControl(ControlId, const ControlState&) override {}
    void lightQualityLamps(int) override {}
    void showResultView(const Bitmap24&) override {}
    void repaintResultBox() override {}
    void showInputView(const Bitmap24&) override {}
    void showCorrectionActive(bool) override {}
    std::optional<std::string> askOpenFileName(const FileDialogRequest& request) override;
    std::optional<std::string> askSaveFileName(const FileDialogRequest& request) override;
    void showError(const std::string& message) override { errors.push_back(message); }
    void processEvents() override {}

private:
    std::optional<std::string> nextAnswer();
    std::ostream* progress_;
};

}  // namespace quivane
