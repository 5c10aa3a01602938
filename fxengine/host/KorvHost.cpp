// KorvHost.exe, the logon host: started from the Run key at every logon, it
// holds the engine's system-wide hooks so that the wave hook library is in
// every program before it opens a device, passing the sound through
// untouched until Korvane turns the knobs. It shows nothing and does nothing
// until asked to end: by its quit event (setup, the uninstaller) or the end
// of the session. On Windows 2000 and later, where Korvane talks only to the
// effects driver, it also hands the driver's state on to the engine.
#include <windows.h>

#include "EngineHold.h"
#include "HostLoop.h"
#include "HostNames.h"
#include "fxengine/hook/NamedObjectAccess.h"
#include "fxengine/statelink/DriverStateLink.h"

namespace {

bool IsNtFamily() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Each state the driver reports becomes the parameters every engine reads:
// from the state before any message, the driver's last payload of each code.
// The line is kept: a driver that is not there yet at logon, or restarts
// (an update), is followed again once it is back; meanwhile the sound is plain.
void FollowDriver(DriverStateLink* link, const EngineHold& hold) {
    link->Start(
        [&hold](const DriverMessage* messages, size_t count, bool consoleOpen) {
            fx::FxParams params;
            fx::FxParams_Reset(&params);
            DriverState_Apply(&params, messages, count);
            hold.PublishDriverState(params, consoleOpen);
        },
        DriverStateLink::kKeep);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // One host per session; a second start ends at once. Names another
    // user made first (global on 2000 and in XP's session 0) are refused.
    fxengine::NamedObjectAccess access;
    HANDLE running = CreateMutexA(access.Attributes(), TRUE, KORVHOST_MUTEX);
    if (!running) return 1;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        const bool ours = fxengine::NamedObjectAccess::MadeByUs(running);
        CloseHandle(running);
        return ours ? 0 : 1;
    }
    HANDLE quit = CreateEventA(access.Attributes(), TRUE, FALSE, KORVHOST_QUIT_EVENT);
    if (quit && !fxengine::NamedObjectAccess::MadeByUs(quit)) {
        CloseHandle(quit);
        quit = nullptr;
    }
    if (!quit) return 1;
    // An earlier ask that nobody heard must not end this host.
    ResetEvent(quit);
    int result = 0;
    {
        EngineHold hold = EngineHold::Take();
        // Without the driver (absent or stopped) the engine passes everything through.
        DriverStateLink link;
        if (hold.Held() && IsNtFamily()) FollowDriver(&link, hold);
        HostLoop loop(quit, &hold, &link);
        if (!loop.Run(instance)) result = 1;
    }
    CloseHandle(quit);
    ReleaseMutex(running);
    CloseHandle(running);
    return result;
}
