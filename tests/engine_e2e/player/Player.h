// What the player's mode families share: their entry points, the exit codes
// and how a fault is told.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

class Args;

// Exit codes: 10 to 18 from the waveOut family, 20 to 27 from DirectSound,
// 30 to 31 from short sounds.
enum PlayerExit {
    kOk = 0,
    kOpen = 10,
    kPrepare = 11,
    kWrite = 12,
    kNotDone = 13,
    kBufferChanged = 14,
    kHeader = 15,
    kNotifications = 16,
    kSync = 17,
    kArguments = 18,
    kCreate = 20,
    kBuffer = 21,
    kLock = 22,
    kChanged = 23,
    kTimeout = 24,
    // Everything read back as written, but the program fell behind: its ring
    // ran dry (the cursor reached what it had not written yet) and it went on
    // from where the cursor was, as a game does.
    kRanDry = 25,
    kPosition = 26,
    kNotify = 27,
    kSound = 30,  // PlaySound refused a sound it should play
    kStop = 31    // stopping and SND_NOSTOP did not answer as documented
};

// Says what went wrong on stderr; returns code.
int Fail(int code, const char* what);
// A window of its own: the main window a window program shows first, not
// taking the focus (shown), or one that only takes notifications.
HWND MakeWindow(const char* className, WNDPROC proc, bool shown = true);
WAVEFORMATEX PcmFormat(DWORD rate, DWORD channels, DWORD bits);

// Until `done` or the time is up, reading the thread's messages as a window
// program does (each offered to `take` first, which may keep it) and waking
// on `wake` too; a program without a queue (queue false) only waits on `wake`.
template <class Pred>
bool Pump(Pred done, DWORD timeoutMs, HANDLE wake = nullptr, bool queue = true, bool (*take)(const MSG&) = nullptr) {
    for (const DWORD start = GetTickCount();;) {
        MSG msg;
        while (queue && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!take || !take(msg)) DispatchMessageA(&msg);
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        if (queue)
            MsgWaitForMultipleObjects(wake ? 1 : 0, &wake, FALSE, 20, QS_ALLINPUT);
        else
            WaitForSingleObject(wake, 20);
    }
}

int PlayWave(Args& args);
int PlayDirectSound(Args& args);
int PlayShortSound(Args& args);
