// Bounded polling. Every wait in the tests has a deadline; while waiting, the
// test thread's own messages are pumped so that a window of ours never
// blocks another process that sends to it (activation changes do).
#pragma once

#include <windows.h>

void PumpOwnMessages();

template <typename Pred>
bool WaitUntil(Pred pred, DWORD timeoutMs, DWORD stepMs = 50) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (pred()) return true;
        if (GetTickCount() - start >= timeoutMs) return pred();
        PumpOwnMessages();
        Sleep(stepMs);
    }
}
