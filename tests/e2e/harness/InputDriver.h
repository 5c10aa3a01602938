// Real input through SendInput: the target is brought to the foreground
// first, then mouse and keyboard events go through the system's input queue
// exactly as a user's would. Coordinates are screen pixels of the (virtual)
// desktop. Every button and wheel event carries the pointer's place itself:
// under Wine a pointer echo can come late, and an event without a place
// would land where the echo put the pointer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class InputDriver {
public:
    enum Modifier : unsigned { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

    // True once the window is the foreground window and its thread has
    // taken it as active (bounded wait, as long as for any other state).
    static bool Activate(HWND hwnd, DWORD timeoutMs = 30000);

    static bool MoveTo(POINT screen);
    // Moves there and waits until X has the pointer there and no echo of a
    // move can come any more; the clicks, drags and wheel turns below do
    // this first.
    static bool SettleAt(POINT screen);
    static bool Click(POINT screen);
    static bool DoubleClick(POINT screen);
    // Press at from, move in steps, release at to.
    static bool Drag(POINT from, POINT to, int steps = 8);
    // The left button pressed (down) or released at a point, the pointer
    // put there in the same event.
    static bool LeftButton(POINT screen, bool down);
    // One notch is 120 (WHEEL_DELTA); positive turns away from the user.
    static bool Wheel(POINT screen, int delta);
    // Press and release vk with the given modifiers held.
    static bool Key(WORD vk, unsigned modifiers = kNone);
    // Holds vk down for `downs` key-downs, as the keyboard's auto-repeat
    // sends them, then lets it go.
    static bool KeyHeld(WORD vk, int downs);

    // Clicks the centre of a dialog's child control found by its id; false
    // when the control is missing, hidden or covered there by another window.
    static bool ClickControl(HWND dialog, int id);
    static POINT CentreOf(HWND hwnd);
    // Where the pointer is, what lies under it, who has the foreground, the
    // capture and a menu or move loop, and which buttons and shifts are down:
    // printed when a test fails, for input that went astray.
    static std::string DescribeState();

private:
    static bool At(POINT screen);
    // Until a reading that Wine took from X shows the pointer at screen.
    static bool XHasPointerAt(POINT screen);
    // Until the thread under screen has read its display and taken the input
    // that made (the echoes of our moves).
    static bool EchoesTaken(POINT screen);
    // `clicks` clicks of the left button, the pointer already settled there.
    static bool ClickSettled(POINT screen, int clicks = 1);
    static bool Send(std::vector<INPUT>& inputs);
    static INPUT Mouse(DWORD flags, POINT screen, DWORD data = 0);
    static INPUT KeyEvent(WORD vk, bool up);
};
