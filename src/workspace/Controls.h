#pragma once

#include <array>
#include <cstddef>

namespace quivane {

// Every control of the main window that holds a value. Check boxes hold 0/1,
// radio groups their item index, spin edits, the track bar and the scroll
// bars their position.
enum class ControlId : int {
    WholeAreaCheckBox,
    ResampleSpinEdit,
    RegisterRadioGroup,
    RegisterSpinEdit,
    HorScrollBar,
    VerScrollBar,
    CombineRadioGroup,
    CombineSpinEdit,
    UmaCheckBox,
    UmaStrengthSpinEdit,
    DecCheckBox,
    DecRadioGroup,
    DecIterationsSpinEdit,
    ConCheckBox,
    DataPicNrSpinEdit,
    QualityRadioGroup,
    ShowResultRadioGroup,
    SaturationTrackBar,
    ResultSizeSpinEdit,
    AutosizeCheckBox,
    BiasGainCheckBox,
    BIASSpinEdit,
    GAINSpinEdit,
    TableMappingCheckBox,
    CLAHECheckBox,
    CLAHESpinEdit,
    Map0255CheckBox,
    Count
};

constexpr std::size_t ControlCount = static_cast<std::size_t>(ControlId::Count);

// What a control shows: its value within its range, its step, and whether it
// can be used and is visible.
struct ControlState {
    int value = 0;
    int minimum = 0;
    int maximum = 1;
    int step = 1;
    bool enabled = true;
    bool visible = true;

    friend bool operator==(const ControlState&, const ControlState&) = default;
};

// A plain mirror of every control's state, made with the window's start
// values. Settings are re-read from here at times (the first load), so the
// mirror and the settings may differ on purpose.
class Controls {
public:
    Controls();

    const ControlState& operator[](ControlId id) const { return states_[static_cast<std::size_t>(id)]; }
    ControlState& operator[](ControlId id) { return states_[static_cast<std::size_t>(id)]; }
    int value(ControlId id) const { return (*this)[id].value; }
    bool checked(ControlId id) const { return value(id) != 0; }

private:
    std::array<ControlState, ControlCount> states_;
};

// A spin edit's or scroll bar's value kept inside its range, as the widget
// itself does.
int ClampToRange(const ControlState& state, int value);

}  // namespace quivane
