// The host's life: it sleeps until its quit event is set or the session
// ends. No timer, no polling: one wait on the event and the window's queue.
#pragma once

#include <windows.h>

#include "EngineHold.h"

class DriverStateLink;

class HostLoop {
public:
    // link (may be null) hands the driver's state to the hold: it stops first.
    HostLoop(HANDLE quit, EngineHold* hold, DriverStateLink* link) : m_quit(quit), m_hold(hold), m_link(link) {}
    HostLoop(const HostLoop&) = delete;
    HostLoop& operator=(const HostLoop&) = delete;

    // Returns when asked to end; false when the window could not be made.
    bool Run(HINSTANCE instance);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HANDLE m_quit;
    EngineHold* m_hold;  // let go at the end of the session
    DriverStateLink* m_link;
};
