#include "ProcessRunning.h"

#include <windows.h>
// after windows.h, which it needs
#include <tlhelp32.h>

bool ProcessRunning(const char* exe) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return true;  // cannot tell: as if it ran
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    bool running = false;
    for (BOOL more = Process32First(snap, &e); more && !running; more = Process32Next(snap, &e))
        running = lstrcmpiA(e.szExeFile, exe) == 0;
    CloseHandle(snap);
    return running;
}
