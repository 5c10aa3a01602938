#include "SystemHooks.h"

#include <tlhelp32.h>

#include "WaveOutEngine.h"

namespace fxengine {
namespace {

HMODULE g_self = nullptr;

// Inside whichever process the system called the hook in.
void Enter() {
    if (!EngineShared::PresentFlag()) return;
    // One look per process: joined at once if it has winmm, its loads watched
    // if not; after that every hook call costs these two loads and nothing else.
    if (WaveOutEngine::Looked()) return;
    WaveOutEngine::JoinThisProcess();
}

template <EngineShared::Holder holder, EngineShared::HookType type>
LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) Enter();
    // A CBT hook may veto what it is told of: the next hook's answer stands.
    return CallNextHookEx(EngineShared::HookOf(holder, type), code, wParam, lParam);
}

template <EngineShared::Holder holder>
bool SetFor() {
    HHOOK cbt = SetWindowsHookExA(WH_CBT, &HookProc<holder, EngineShared::kCbt>, g_self, 0);
    HHOOK getMessage = SetWindowsHookExA(WH_GETMESSAGE, &HookProc<holder, EngineShared::kGetMessage>, g_self, 0);
    if (!cbt || !getMessage) {
        if (cbt) UnhookWindowsHookEx(cbt);
        if (getMessage) UnhookWindowsHookEx(getMessage);
        return false;
    }
    EngineShared::SetHooks(holder, cbt, getMessage);
    return true;
}

}  // namespace

void SystemHooks::Init(HMODULE self) {
    g_self = self;
}

bool SystemHooks::Set(EngineShared::Holder holder) {
    Remove(holder);
    return holder == EngineShared::kHost ? SetFor<EngineShared::kHost>() : SetFor<EngineShared::kConsole>();
}

void SystemHooks::Remove(EngineShared::Holder holder) {
    HHOOK cbt, getMessage;
    EngineShared::TakeHooks(holder, &cbt, &getMessage);
    if (cbt) UnhookWindowsHookEx(cbt);
    if (getMessage) UnhookWindowsHookEx(getMessage);
}

void SystemHooks::WakeEveryThread() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    const DWORD self = GetCurrentProcessId();
    THREADENTRY32 te;
    te.dwSize = sizeof(te);
    for (BOOL ok = Thread32First(snapshot, &te); ok; ok = Thread32Next(snapshot, &te))
        if (te.th32OwnerProcessID != self) PostThreadMessageA(te.th32ThreadID, WM_NULL, 0, 0);
    CloseHandle(snapshot);
}

}  // namespace fxengine
