// What the console's controls are called, for screen readers (each control's
// window text) and for the tooltips, in Windows-1252: "3D 7 von 11" and
// "3D: 7 von 11", "Kopfhörer an" and "Kopfhörer: an", and what the form and
// close buttons do.
#pragma once

#include <cstdint>
#include <string>

namespace ControlText {

struct Texts {
    std::string name;  // the window text
    std::string tip;   // the tooltip
};

// For control `id` (knobs 1000 to 1002, buttons 1005, 1006, 1008, 1010, 1011)
// holding `value`; false for any other id. A knob level outside 0 to 11 is
// told as the stop the knob shows it at.
bool ForControl(int id, int32_t value, Texts& texts);

// True for the controls whose texts carry a value (knobs and headphones).
bool HasValue(int id);

}  // namespace ControlText
