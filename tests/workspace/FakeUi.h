#pragma once

#include <map>
#include <string>
#include <vector>

#include "workspace/Ui.h"

namespace quivane::testing {

// A scripted stand-in for the window: keeps what the window would show and a
// log of every call, in order.
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
    int resultBoxRepaints = 0;
    std::vector<std::string> log;

    void setStatusText(const std::string& text) override
    {
        status = text;
        log.push_back("status " + text);
    }
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
    void showResultView(const Bitmap24& view) override { resultBoxShows = &view; }
    void repaintResultBox() override { ++resultBoxRepaints; }
};

}  // namespace quivane::testing
