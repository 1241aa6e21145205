#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

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

enum class ControlKind { CheckBox, RadioGroup, SpinEdit, TrackBar, ScrollBar };

// How a control is made: its kind, range, step and start value. Declared
// once for the window, the workspace's mirror and the command line's checks.
struct ControlDeclaration {
    ControlKind kind;
    int minimum;
    int maximum;
    int step;
    int start;
    bool enabled = true;
    bool visible = true;
};

ControlDeclaration DeclarationOf(ControlId id);

// A value the control can be given: inside its range and, for a spin edit,
// a whole number of steps away from its start value, as its arrows reach.
bool AcceptsValue(const ControlDeclaration& declaration, int value);

// Why a number typed into spin edit `id` cannot be taken while it shows
// `state` (whose range may have followed the pictures loaded), or nothing
// when the arrows could reach it: inside the range and a whole number of
// declared steps from the declared start.
std::optional<std::string> TypedValueRefusal(ControlId id, const ControlState& state, int value);

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

// The items of RegisterRadioGroup: how "&Go!" aligns.
enum class AlignmentMethod { Manual = 0, Automatic = 1 };

// Manual alignment is chosen in the register group.
inline bool ManualAlignmentChosen(const Controls& controls)
{
    return controls.value(ControlId::RegisterRadioGroup) == static_cast<int>(AlignmentMethod::Manual);
}

// A spin edit's or scroll bar's value kept inside its range, as the widget
// itself does.
int ClampToRange(const ControlState& state, int value);

}  // namespace quivane
