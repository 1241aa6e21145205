#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "workspace/Ui.h"

namespace quivane::testing {

// A scripted stand-in for the window: keeps what the window would show and a
// log of every call, answers file dialogs from a queue (an empty answer is a
// cancel) and runs a hook whenever pending events would run.
class FakeUi : public Ui {
public:
    std::string status;
    int progressMinimum = 0;
    int progressMaximum = 100;
    int progressPosition = 0;
    std::map<TextField, std::string> texts;
    std::map<ActionButton, bool> enabled;
    std::map<ControlId, ControlState> shown;
    int litLamp = -1;
    const Bitmap24* resultBoxShows = nullptr;
    int resultViewsShown = 0;
    int resultBoxRepaints = 0;
    Bitmap24 inputBox;
    bool correctionActive = false;
    int selectionsShown = 0;
    std::vector<std::string> log;

    std::deque<std::optional<std::string>> dialogAnswers;
    // The filter each save dialog answer comes with; -1 once they run out.
    std::deque<int> filterAnswers;
    std::vector<FileDialogRequest> dialogsAsked;
    std::vector<std::string> errors;
    std::function<void()> onProcessEvents;
    int eventPumps = 0;

    void setStatusText(const std::string& text) override
    {
        status = text;
        log.push_back("status " + text);
    }
    std::string statusText() const override { return status; }
    void setProgressMaximum(int maximum) override
    {
        progressMaximum = maximum;
        log.push_back("progress max " + std::to_string(maximum));
    }
    void setProgressMinimum(int minimum) override
    {
        progressMinimum = minimum;
        log.push_back("progress min " + std::to_string(minimum));
    }
    void setProgressPosition(int position) override
    {
        progressPosition = position;
        log.push_back("progress pos " + std::to_string(position));
    }
    void setText(TextField field, const std::string& text) override { texts[field] = text; }
    void setActionEnabled(ActionButton button, bool on) override { enabled[button] = on; }
    void showControl(ControlId id, const ControlState& state) override { shown[id] = state; }
    void lightQualityLamps(int mark) override { litLamp = mark; }
    void showResultView(const Bitmap24& view) override
    {
        resultBoxShows = &view;
        ++resultViewsShown;
    }
    void repaintResultBox() override { ++resultBoxRepaints; }
    void showInputView(const Bitmap24& view) override { inputBox = view; }
    void showSelection() override { ++selectionsShown; }
    void showCorrectionActive(bool active) override { correctionActive = active; }

    std::optional<std::string> askOpenFileName(const FileDialogRequest& request) override { return answer(request); }
    std::optional<ChosenSaveFile> askSaveFileName(const FileDialogRequest& request) override
    {
        const auto path = answer(request);
        if (!path) return std::nullopt;
        int filter = -1;
        if (!filterAnswers.empty()) {
            filter = filterAnswers.front();
            filterAnswers.pop_front();
        }
        return ChosenSaveFile{*path, filter};
    }
    void showError(const std::string& message) override
    {
        errors.push_back(message);
        log.push_back("error " + message);
    }
    void processEvents() override
    {
        ++eventPumps;
        if (onProcessEvents) onProcessEvents();
    }

private:
    std::optional<std::string> answer(const FileDialogRequest& request)
    {
        dialogsAsked.push_back(request);
        log.push_back("dialog " + request.title);
        if (dialogAnswers.empty()) return std::nullopt;
        auto next = dialogAnswers.front();
        dialogAnswers.pop_front();
        return next;
    }
};

}  // namespace quivane::testing
