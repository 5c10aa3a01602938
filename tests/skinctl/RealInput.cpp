#include "RealInput.h"

#include <stdlib.h>

namespace realinput {
namespace {

void SendMouse(DWORD flags, LONG dx, LONG dy, DWORD data) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.mouseData = data;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
}

namespace {

// Wine reads the display's events (X's reports of the pointer's moves among
// them) only when the thread waits: a wait that times out at once reads
// those waiting and turns them into input.
void ReadDisplay() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

bool CursorAt(POINT screen) {
    POINT at;
    return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y;
}

}  // namespace

void Settle() {
    // Until a pass through the queue ends with the display read and no input
    // made by it; bounded, for a display that never stops reporting.
    for (int pass = 0; pass < 20; ++pass) {
        ReadDisplay();
        const UINT_PTR timer = SetTimer(nullptr, 0, 1, nullptr);
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 20000) {
            MSG msg;
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == timer) break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        KillTimer(nullptr, timer);
        ReadDisplay();
        if (!HIWORD(GetQueueStatus(QS_INPUT))) return;
    }
}

bool MoveTo(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    // Absolute input spans 0..65535 over the primary screen; aim at the
    // pixel's centre so rounding cannot land on its neighbour.
    const LONG dx = LONG((screen.x * 65536LL + 32768) / width);
    const LONG dy = LONG((screen.y * 65536LL + 32768) / height);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, dx, dy, 0);
    // Under Wine the X pointer follows SendInput later, and X reports the
    // move back as input when this thread next reads its display; a report
    // read late would take a drag back to an earlier place. GetCursorPos
    // answers with Wine's own place while that changed less than 100 ms ago
    // and asks X only after that: Wine offers no other sign that X has taken
    // the move. Once it has, reading the display and taking what it made
    // leaves no report of this move or an earlier one to come.
    const DWORD moved = GetTickCount();
    if (!PumpUntil([&] { return GetTickCount() - moved > 100 && CursorAt(screen); }, 5000)) return false;
    Settle();
    return CursorAt(screen);
}

void LeftDown() {
    SendMouse(MOUSEEVENTF_LEFTDOWN, 0, 0, 0);
    Settle();
}

void LeftUp() {
    SendMouse(MOUSEEVENTF_LEFTUP, 0, 0, 0);
    Settle();
}

void Wheel(int delta) {
    SendMouse(MOUSEEVENTF_WHEEL, 0, 0, DWORD(delta));
    Settle();
}

bool PressOn(HWND target, POINT screen) {
    // A press can still land where an echo put the pointer back: let go and
    // try again until the control under test has taken the capture.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!MoveTo(screen)) continue;
        LeftDown();  // taken once it returns: the capture is there or never will be
        if (GetCapture() == target) return true;
        LeftUp();
    }
    return false;
}

bool MoveAlong(POINT from, POINT to, int step) {
    POINT at = from;
    while (at.x != to.x || at.y != to.y) {
        const int dx = to.x - at.x, dy = to.y - at.y;
        at.x += abs(dx) <= step ? dx : (dx > 0 ? step : -step);
        at.y += abs(dy) <= step ? dy : (dy > 0 ? step : -step);
        if (!MoveTo(at)) return false;
    }
    return true;
}

bool Drag(HWND target, POINT from, POINT to, int step) {
    if (!PressOn(target, from)) return false;
    const bool ok = MoveAlong(from, to, step);
    LeftUp();
    return ok;
}

bool ClickOn(HWND target, POINT screen) {
    if (!PressOn(target, screen)) return false;
    LeftUp();
    return true;
}

POINT CentreOf(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return ClientPoint(hwnd, rc.right / 2, rc.bottom / 2);
}

POINT ClientPoint(HWND hwnd, int x, int y) {
    POINT pt = {x, y};
    ClientToScreen(hwnd, &pt);
    return pt;
}

bool BringToFront(HWND hwnd) {
    SetForegroundWindow(hwnd);
    return PumpUntil([&] { return GetForegroundWindow() == hwnd; }, 2000);
}

}  // namespace realinput
