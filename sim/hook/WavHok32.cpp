// The simulated wave hook library. The program finds its five entries by their
// plain names (WavHok32.def, linked with --kill-at) and calls them with the
// callee-cleans-stack convention. Each call is journalled on channel HOOK.
#include <windows.h>

#include "sim/core/UnloadGate.h"
#include "sim/win/JournalFile.h"
#include "sim/win/SimRegKey.h"

namespace {

constexpr const char* kChannel = "HOOK";

sim::UnloadGate g_unloadGate;

void JournalCall(const char* name, bool hasResult, DWORD result) {
    JournalLine line;
    JournalLine_Call(&line, sim::JournalFile::Now(), kChannel, name, hasResult ? 1 : 0, result);
    sim::JournalFile::Append(line);
}

void ArmUnloadGate() {
    const DWORD refusals = sim::SimRegKey::OpenSettings().ReadDword("CanUnloadAfter", 0);
    g_unloadGate.Arm(refusals);
}

}  // namespace

extern "C" {

DWORD WINAPI QuorWav9xHook() {
    JournalCall("QuorWav9xHook", false, 0);
    return TRUE;
}

DWORD WINAPI QuorWav9xUnHook() {
    JournalCall("QuorWav9xUnHook", false, 0);
    return TRUE;
}

DWORD WINAPI QuorWav9xIoCtl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD bytesReturned) {
    (void)out;
    (void)outSize;
    JournalLine line;
    const bool hasValue = in != nullptr && inSize >= 4;
    const unsigned int value = hasValue ? JournalLine_LoadU32(in) : 0;
    JournalLine_Ioctl(&line, sim::JournalFile::Now(), kChannel, code, hasValue ? 1 : 0, value, inSize);
    sim::JournalFile::Append(line);
    if (bytesReturned) *bytesReturned = 0;
    return TRUE;
}

DWORD WINAPI QuorWav9xPrepareForUnloading() {
    ArmUnloadGate();
    JournalCall("QuorWav9xPrepareForUnloading", false, 0);
    return TRUE;
}

DWORD WINAPI QuorWav9xCanUnloadNow() {
    // Asked without a preparation first: count from here with the current setting.
    if (!g_unloadGate.IsArmed()) ArmUnloadGate();
    const DWORD answer = g_unloadGate.Ask() ? 1 : 0;
    JournalCall("QuorWav9xCanUnloadNow", true, answer);
    return answer;
}

}  // extern "C"
