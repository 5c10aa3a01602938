// What the player's mode families share: their entry points, the exit codes
// and how a fault is told.
#pragma once

#include <windows.h>

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
// The main window a window program shows first, not taking the focus.
HWND ShowMainWindow(const char* className, WNDPROC proc);

int PlayWave(Args& args);
int PlayDirectSound(Args& args);
int PlayShortSound(Args& args);
