#include "HostLoop.h"

#include "HostNames.h"
#include "fxengine/statelink/DriverStateLink.h"

LRESULT CALLBACK HostLoop::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_QUERYENDSESSION: return TRUE;  // nothing to save
        case WM_ENDSESSION:
            // The user logs off: let go of the engine now, the system may end
            // the process as soon as this returns.
            if (wParam) {
                auto* self = reinterpret_cast<HostLoop*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
                if (self) {
                    if (self->m_link) self->m_link->Stop();
                    *self->m_hold = EngineHold();
                }
                PostQuitMessage(0);
            }
            return 0;
        case WM_CLOSE: PostQuitMessage(0); return 0;
        default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

bool HostLoop::Run(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = KORVHOST_WINDOW_CLASS;
    if (!RegisterClassA(&wc)) return false;
    // A top-level window, never shown: only those hear that the session ends.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, KORVHOST_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return false;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &m_quit, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) break;
        if (woke != WAIT_OBJECT_0 + 1) break;  // the event is gone: nothing can end us cleanly
        MSG msg;
        bool quit = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            DispatchMessageA(&msg);
        }
        if (quit) break;
    }
    DestroyWindow(window);
    return true;
}
