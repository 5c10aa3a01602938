// Small helper for the run script, which cannot see Wine's windows from
// outside when they live on a virtual desktop:
//   korvctl wait SECONDS   wait until the console " Korvane " is shown (0) or not (1)
//   korvctl close          ask the console to close (WM_CLOSE); 1 when there is none
//   korvctl rect           print the console's screen rectangle as WxH+X+Y
//   korvctl keys VK...     bring the console to the front and press and release
//                          each virtual key (hex, e.g. 72 for F3), 300 ms apart
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kTitle[] = " Korvane ";

int Wait(int seconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000u) {
        HWND console = FindWindowA(nullptr, kTitle);
        if (console && IsWindowVisible(console)) return 0;
        Sleep(200);
    }
    fprintf(stderr, "korvctl: no console after %d s\n", seconds);
    return 1;
}

int Close() {
    HWND console = FindWindowA(nullptr, kTitle);
    if (!console) return 1;
    return PostMessageA(console, WM_CLOSE, 0, 0) ? 0 : 1;
}

int Rect() {
    HWND console = FindWindowA(nullptr, kTitle);
    RECT rc;
    if (!console || !GetWindowRect(console, &rc)) return 1;
    printf("%ldx%ld+%ld+%ld\n", rc.right - rc.left, rc.bottom - rc.top, rc.left, rc.top);
    return 0;
}

int Keys(int count, char** keys) {
    HWND console = FindWindowA(nullptr, kTitle);
    if (!console) return 1;
    // The console in front before the keys, however long that takes here.
    const DWORD start = GetTickCount();
    while (GetForegroundWindow() != console && GetTickCount() - start < 10000) {
        SetForegroundWindow(console);
        Sleep(50);
    }
    if (GetForegroundWindow() != console) {
        fprintf(stderr, "korvctl: the console did not come to the front\n");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(strtoul(keys[i], nullptr, 16));
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        if (SendInput(2, in, sizeof(INPUT)) != 2) return 1;
        Sleep(300);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "wait") == 0) return Wait(atoi(argv[2]));
    if (argc == 2 && strcmp(argv[1], "close") == 0) return Close();
    if (argc == 2 && strcmp(argv[1], "rect") == 0) return Rect();
    if (argc >= 3 && strcmp(argv[1], "keys") == 0) return Keys(argc - 2, argv + 2);
    fprintf(stderr, "usage: korvctl wait SECONDS | close | rect | keys VK...\n");
    return 2;
}
