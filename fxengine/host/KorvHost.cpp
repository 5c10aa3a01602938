// KorvHost.exe, the logon host: started from the Run key at every logon, it
// holds the engine's system-wide hooks so that the wave hook library is in
// every program before it opens a device, passing the sound through
// untouched until Korvane turns the knobs. It shows nothing and does nothing
// until asked to end: by its quit event (setup, the uninstaller) or the end
// of the session.
#include <windows.h>

#include "EngineHold.h"
#include "HostLoop.h"
#include "HostNames.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // One host per session; a second start ends at once.
    HANDLE running = CreateMutexA(nullptr, TRUE, KORVHOST_MUTEX);
    if (!running) return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(running);
        return 0;
    }
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, KORVHOST_QUIT_EVENT);
    if (!quit) return 1;
    // An earlier ask that nobody heard must not end this host.
    ResetEvent(quit);
    int result = 0;
    {
        // Without the library (Windows 2000 and later) the host still runs:
        // the driver's side needs it there too.
        EngineHold hold = EngineHold::Take();
        HostLoop loop(quit, &hold);
        if (!loop.Run(instance)) result = 1;
    }
    CloseHandle(quit);
    ReleaseMutex(running);
    CloseHandle(running);
    return result;
}
