#include "framework/WinEvent.h"

#include "framework/ProcAddress.h"

void NotifyWinEventIfAvailable(DWORD event, HWND hwnd, LONG idObject, LONG idChild) {
    typedef void(WINAPI * NotifyFnc)(DWORD, HWND, LONG, LONG);
    // user32 is loaded for as long as the process has windows.
    static const NotifyFnc notify = GetProcAs<NotifyFnc>(GetModuleHandleA("user32.dll"), "NotifyWinEvent");
    if (notify) notify(event, hwnd, idObject, idChild);
}
