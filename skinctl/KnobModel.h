// What a knob does with the user's input, without any Windows call: twelve
// positions, mouse-drag and wheel stepping, clamping of user changes only.
#pragma once

#include <stdint.h>

namespace skinctl {

class KnobModel {
public:
    enum : int32_t { MIN_POSITION = 0, MAX_POSITION = 11 };
    enum : int { PIXELS_PER_STEP = 6, WHEEL_NOTCH = 120 };

    int32_t Value() const { return m_value; }
    // Programmatic writes keep whatever they are given; only user changes clamp.
    void SetValue(int32_t value) { m_value = value; }

    // Drag: right and up turn the knob up. Travel is counted incrementally, so
    // turning back after hitting a stop responds at once.
    void BeginDrag(int x, int y);
    bool DragTo(int x, int y);  // true when the value changed
    void EndDrag() { m_dragging = false; }
    bool Dragging() const { return m_dragging; }

    // One notch (WHEEL_NOTCH) is one step; finer wheels accumulate.
    bool Wheel(int delta);  // true when the value changed

    // A user change of `steps` positions, clamped; true when the value changed.
    bool Step(int steps);

    // The keys of a focused knob: one step, three steps, or to a stop. A user
    // change like a turn by mouse: clamped, true when the value changed.
    enum KeyTurn { KEY_STEP_DOWN, KEY_STEP_UP, KEY_PAGE_DOWN, KEY_PAGE_UP, KEY_LOWEST, KEY_HIGHEST };
    bool Key(KeyTurn turn);

private:
    bool MoveTo(int32_t target);

    int32_t m_value = 0;
    bool m_dragging = false;
    int m_lastX = 0;
    int m_lastY = 0;
    int m_dragRest = 0;
    int m_wheelRest = 0;
};

}  // namespace skinctl
