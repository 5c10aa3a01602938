// What a push button does with the mouse, without any Windows call: a click
// is a press and a release both inside; a two-state button toggles on it.
#pragma once

namespace skinctl {

class ButtonModel {
public:
    bool TwoState() const { return m_twoState; }
    void SetTwoState(bool twoState) { m_twoState = twoState; }

    bool Value() const { return m_value; }
    void SetValue(bool value) { m_value = value; }

    void Press();               // left button went down inside
    void Track(bool inside);    // pointer moved while held
    bool Release(bool inside);  // true for a click (a two-state button has toggled)
    void Cancel();              // capture lost: no click
    // Enter on the focused button: a click, unless the mouse holds it now
    // (its release decides then).
    bool KeyClick();

    bool Held() const { return m_held; }
    bool ShowsPressed() const { return m_held && m_inside; }

private:
    bool m_twoState = false;
    bool m_value = false;
    bool m_held = false;
    bool m_inside = false;
};

}  // namespace skinctl
