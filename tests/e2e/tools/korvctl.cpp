// Small helper for the run script, which cannot see Wine's windows from
// outside when they live on a virtual desktop:
//   korvctl wait SECONDS   wait until the console " Korvane " is shown (0) or not (1)
//   korvctl close          ask the console to close (WM_CLOSE); 1 when there is none
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kTitle[] = " Korvane ";

int Wait(int seconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000u) {
        HWND console = FindWindowA(nullptr, kTitle);
        if (console && IsWindowVisible(console)) return 0;
        Sleep(200);
    }
    fprintf(stderr, "korvctl: no console after %d s\n", seconds);
    return 1;
}

int Close()
{
    HWND console = FindWindowA(nullptr, kTitle);
    if (!console) return 1;
    return PostMessageA(console, WM_CLOSE, 0, 0) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "wait") == 0) return Wait(atoi(argv[2]));
    if (argc == 2 && strcmp(argv[1], "close") == 0) return Close();
    fprintf(stderr, "usage: korvctl wait SECONDS | korvctl close\n");
    return 2;
}
