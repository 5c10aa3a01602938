// The wave hook library: the effects engine of Windows 95, 98 and ME. The
// program finds its five entries by their plain names (.def file, linked with
// --kill-at) and calls them with the callee-cleans-stack convention; the
// logon host (KorvHost.exe) calls a sixth, KorvHostHook.
//
// The library comes into other processes by system-wide hooks (SystemHooks):
// held from logon by the host, or, without it, set by QuorWav9xHook. There
// WaveOutEngine takes over the process's waveOut output and plays it through
// the effects: bit-exact while no console runs, following the knobs while the
// console's hook is set. QuorWav9xIoCtl feeds the control messages into the
// parameters all processes share. Each call is also told to HookTrace
// (nobody listens in the shipped library).
#include <windows.h>

#include "EngineShared.h"
#include "WaveOutEngine.h"
#include "HookTrace.h"
#include "SystemHooks.h"
#include "fx/FxParams.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        fxengine::SystemHooks::Init(instance);
        fxengine::WaveOutEngine::Init(instance);
        fxengine::EngineShared::Attach();
    } else if (reason == DLL_PROCESS_DETACH) {
        if (reserved) {
            // The process ends: give back its place in the shared table, nothing else.
            fxengine::EngineShared::ReleaseProcess();
        } else {
            fxengine::EngineShared::Detach();
            fxengine::WaveOutEngine::Shutdown();
        }
    }
    return TRUE;
}

DWORD WINAPI QuorWav9xHook() {
    fxengine::HookTrace_Call("QuorWav9xHook", false, 0);
    if (!fxengine::EngineShared::Attached()) return FALSE;
    if (fxengine::EngineShared::HookActive()) return TRUE;  // set already, by a live console
    // A new console starts from the state before any message.
    fx::FxParams params;
    fx::FxParams_Reset(&params);
    fxengine::EngineShared::Publish(params);
    // Without the logon host (Korvane unpacked from the zip) the console
    // brings the library into the other processes itself.
    // Marked first: a thread the hooks wake looks at its process at once.
    fxengine::EngineShared::SetHook(GetCurrentProcessId());
    if (!fxengine::EngineShared::HostAlive() && !fxengine::SystemHooks::Set(fxengine::EngineShared::kConsole)) {
        fxengine::EngineShared::ClearHook();
        return FALSE;
    }
    fxengine::WaveOutEngine::JoinThisProcess();
    return TRUE;
}

DWORD WINAPI QuorWav9xUnHook() {
    fxengine::HookTrace_Call("QuorWav9xUnHook", false, 0);
    // Every process sees the flag at its next buffer: devices already open
    // play on with the effects gliding out to the bit-exact bypass. With the
    // host there, the engine stays present; without it, new devices are the
    // system's own.
    fxengine::EngineShared::ClearHook();
    fxengine::SystemHooks::Remove(fxengine::EngineShared::kConsole);
    return TRUE;
}

DWORD WINAPI QuorWav9xIoCtl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD bytesReturned) {
    (void)out;
    (void)outSize;
    const bool hasValue = in != nullptr && inSize >= 4;
    fxengine::HookTrace_Ioctl(code, in, inSize);
    if (bytesReturned) *bytesReturned = 0;
    // One writer, the console's thread: change a copy, then publish it whole.
    fx::FxParams params;
    fxengine::EngineShared::Snapshot(&params);
    if (fx::FxParams_Apply(&params, code, hasValue ? in : nullptr, hasValue ? inSize : 0))
        fxengine::EngineShared::Publish(params);
    return TRUE;
}

DWORD WINAPI QuorWav9xPrepareForUnloading() {
    fxengine::HookTrace_Prepare();
    fxengine::HookTrace_Call("QuorWav9xPrepareForUnloading", false, 0);
    return TRUE;
}

DWORD WINAPI QuorWav9xCanUnloadNow() {
    // A buffer inside the engine anywhere (being processed or playing from
    // the engine's copy) makes the answer no; so may the observer. With the
    // logon host there the engine stays in every process whatever the
    // console does: nothing waits for the console.
    const bool gate = fxengine::HookTrace_MayUnload();
    const bool free = fxengine::EngineShared::HostAlive() || fxengine::EngineShared::NoBufferInside();
    const DWORD answer = gate && free ? 1 : 0;
    fxengine::HookTrace_Call("QuorWav9xCanUnloadNow", true, answer);
    return answer;
}

// The logon host's entry: on (nonzero) sets the host's hooks and marks the
// engine present for as long as the calling process lives; 0 takes them
// away again. FALSE when another host is there or the hooks were refused.
DWORD WINAPI KorvHostHook(DWORD on) {
    DWORD answer = FALSE;
    if (!fxengine::EngineShared::Attached()) {
        // nothing to hold
    } else if (on) {
        if (!fxengine::EngineShared::HostAlive()) {
            // Marked first: a thread the hooks wake looks at its process at once.
            fxengine::EngineShared::SetHost(GetCurrentProcessId());
            answer = fxengine::SystemHooks::Set(fxengine::EngineShared::kHost);
            if (!answer) fxengine::EngineShared::ClearHost(GetCurrentProcessId());
        }
    } else if (fxengine::EngineShared::ClearHost(GetCurrentProcessId())) {
        // Only the host takes the host's hooks away.
        fxengine::SystemHooks::Remove(fxengine::EngineShared::kHost);
        answer = TRUE;
    }
    fxengine::HookTrace_Call("KorvHostHook", true, answer);
    return answer;
}

// The logon host's entry on Windows 2000, XP and 2003, where the console
// talks only to the effects driver: the host hands on the driver's state.
// The parameters are published whole; effectsOn (a console holds the
// driver's device) makes the effects follow them, 0 glides them out.
// FALSE unless called by the host that holds the hooks.
DWORD WINAPI KorvHostDriverState(const fx::FxParams* params, DWORD effectsOn) {
    const DWORD self = GetCurrentProcessId();
    if (!params || !fxengine::EngineShared::IsHost(self)) return FALSE;
    fxengine::EngineShared::Publish(*params);
    if (effectsOn)
        fxengine::EngineShared::SetHook(self);
    else if (fxengine::EngineShared::HookedFlag())
        fxengine::EngineShared::ClearHook();
    return TRUE;
}

}  // extern "C"
