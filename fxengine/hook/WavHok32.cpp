// The wave hook library: the effects engine of Windows 95, 98 and ME. The
// program finds its five entries by their plain names (.def file, linked with
// --kill-at) and calls them with the callee-cleans-stack convention.
//
// QuorWav9xHook sets a system-wide message hook, so the library comes into
// every process that reads messages; there WaveOutEngine takes over the
// process's waveOut output and plays it through the effects. QuorWav9xIoCtl
// feeds the control messages into the parameters all processes share.
// Each call is also told to HookTrace (nobody listens in the shipped library).
#include <windows.h>

#include "EngineShared.h"
#include "WaveOutEngine.h"
#include "HookTrace.h"
#include "fx/FxParams.h"

namespace {

HMODULE g_self = nullptr;

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && fxengine::EngineShared::HookedFlag()) fxengine::WaveOutEngine::JoinThisProcess();
    return CallNextHookEx(fxengine::EngineShared::Hook(), code, wParam, lParam);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_self = instance;
        DisableThreadLibraryCalls(instance);
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
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, &GetMessageHook, g_self, 0);
    if (!hook) return FALSE;
    fxengine::EngineShared::SetHook(hook, GetCurrentProcessId());
    fxengine::WaveOutEngine::JoinThisProcess();
    return TRUE;
}

DWORD WINAPI QuorWav9xUnHook() {
    fxengine::HookTrace_Call("QuorWav9xUnHook", false, 0);
    HHOOK hook = fxengine::EngineShared::Hook();
    // Every process sees the flag at its next buffer: devices already open
    // play on with the effects gliding out, new ones are the system's own.
    fxengine::EngineShared::ClearHook();
    if (hook) UnhookWindowsHookEx(hook);
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
    // the engine's copy) makes the answer no; so may the observer.
    const bool gate = fxengine::HookTrace_MayUnload();
    const DWORD answer = gate && fxengine::EngineShared::NoBufferInside() ? 1 : 0;
    fxengine::HookTrace_Call("QuorWav9xCanUnloadNow", true, answer);
    return answer;
}

}  // extern "C"
