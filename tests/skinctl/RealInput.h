// Real mouse input through SendInput (absolute screen coordinates) and a
// message pump that lets it arrive. Every wait is bounded.
#pragma once

#include <windows.h>

namespace realinput {

// Handles the messages waiting, then waits a little for more.
void Pump();
// Pumps until `done()` holds or `milliseconds` have passed; returns done().
template <class Pred>
bool PumpUntil(Pred done, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return done();
        Pump();
    }
    return true;
}

// Pumps until this thread has handled every input, message and paint that
// was waiting when called (a thread timer's message comes only after them)
// and what the display reported meanwhile.
void Settle();
// True when X has the pointer there and its reports of the moves so far are
// all taken: none can take the pointer back later.
bool MoveTo(POINT screen);
void LeftDown();
void LeftUp();
void Wheel(int delta);
// Moves there and presses the left button, until `target` has the capture.
bool PressOn(HWND target, POINT screen);
// Moves from `from` to `to` in steps of at most `step` pixels on each axis.
bool MoveAlong(POINT from, POINT to, int step);
// Press at `from`, move in steps to `to`, release.
bool Drag(HWND target, POINT from, POINT to, int step);
bool ClickOn(HWND target, POINT screen);
// The centre of `hwnd`'s client area, or an offset from its top-left, on screen.
POINT CentreOf(HWND hwnd);
POINT ClientPoint(HWND hwnd, int x, int y);
bool BringToFront(HWND hwnd);

}  // namespace realinput
