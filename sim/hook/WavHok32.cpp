// The wave hook library: the effects engine of Windows 95, 98 and ME. The
// program finds its five entries by their plain names (.def file, linked with
// --kill-at) and calls them with the callee-cleans-stack convention.
//
// QuorWav9xHook sets a system-wide message hook, so the library comes into
// every process that reads messages; there WaveOutEngine takes over the
// process's waveOut output and plays it through the effects. QuorWav9xIoCtl
// feeds the control messages into the parameters all processes share.
//
// For the test rig each call is also journalled on channel HOOK, but only
// when HKLM\Software\KorvaneSim value "Journal" is nonzero (read at each
// call); an installed copy writes nothing.
#include <windows.h>

#include "EngineShared.h"
#include "WaveOutEngine.h"
#include "fx/FxParams.h"
#include "sim/core/UnloadGate.h"
#include "sim/win/JournalFile.h"
#include "sim/win/SimRegKey.h"

namespace {

constexpr const char* kChannel = "HOOK";

HMODULE g_self = nullptr;
sim::UnloadGate g_unloadGate;

bool JournalWanted() {
    return sim::SimRegKey::OpenSettings().ReadDword("Journal", 0) != 0;
}

void JournalCall(const char* name, bool hasResult, DWORD result) {
    if (!JournalWanted()) return;
    JournalLine line;
    JournalLine_Call(&line, sim::JournalFile::Now(), kChannel, name, hasResult ? 1 : 0, result);
    sim::JournalFile::Append(line);
}

void ArmUnloadGate() {
    const DWORD refusals = sim::SimRegKey::OpenSettings().ReadDword("CanUnloadAfter", 0);
    g_unloadGate.Arm(refusals);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && sim::EngineShared::HookedFlag()) sim::WaveOutEngine::JoinThisProcess();
    return CallNextHookEx(sim::EngineShared::Hook(), code, wParam, lParam);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_self = instance;
        DisableThreadLibraryCalls(instance);
        sim::WaveOutEngine::Init(instance);
        sim::EngineShared::Attach();
    } else if (reason == DLL_PROCESS_DETACH) {
        if (reserved) {
            // The process ends: give back its place in the shared table, nothing else.
            sim::EngineShared::ReleaseProcess();
        } else {
            sim::EngineShared::Detach();
            sim::WaveOutEngine::Shutdown();
        }
    }
    return TRUE;
}

DWORD WINAPI QuorWav9xHook() {
    JournalCall("QuorWav9xHook", false, 0);
    if (!sim::EngineShared::Attached()) return FALSE;
    if (sim::EngineShared::HookActive()) return TRUE;  // set already, by a live console
    // A new console starts from the state before any message.
    fx::FxParams params;
    fx::FxParams_Reset(&params);
    sim::EngineShared::Publish(params);
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, &GetMessageHook, g_self, 0);
    if (!hook) return FALSE;
    sim::EngineShared::SetHook(hook, GetCurrentProcessId());
    sim::WaveOutEngine::JoinThisProcess();
    return TRUE;
}

DWORD WINAPI QuorWav9xUnHook() {
    JournalCall("QuorWav9xUnHook", false, 0);
    HHOOK hook = sim::EngineShared::Hook();
    // Every process sees the flag at its next buffer: devices already open
    // play on with the effects gliding out, new ones are the system's own.
    sim::EngineShared::ClearHook();
    if (hook) UnhookWindowsHookEx(hook);
    return TRUE;
}

DWORD WINAPI QuorWav9xIoCtl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD bytesReturned) {
    (void)out;
    (void)outSize;
    const bool hasValue = in != nullptr && inSize >= 4;
    if (JournalWanted()) {
        JournalLine line;
        const unsigned int value = hasValue ? JournalLine_LoadU32(in) : 0;
        JournalLine_Ioctl(&line, sim::JournalFile::Now(), kChannel, code, hasValue ? 1 : 0, value, inSize);
        sim::JournalFile::Append(line);
    }
    if (bytesReturned) *bytesReturned = 0;
    // One writer, the console's thread: change a copy, then publish it whole.
    fx::FxParams params;
    sim::EngineShared::Snapshot(&params);
    if (fx::FxParams_Apply(&params, code, hasValue ? in : nullptr, hasValue ? inSize : 0))
        sim::EngineShared::Publish(params);
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
    // The rig's setting counts every question; a buffer inside the engine
    // anywhere (being processed or playing from the engine's copy) makes the
    // answer no as well.
    const bool gate = g_unloadGate.Ask();
    const DWORD answer = gate && sim::EngineShared::NoBufferInside() ? 1 : 0;
    JournalCall("QuorWav9xCanUnloadNow", true, answer);
    return answer;
}

}  // extern "C"
