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

// The CBT hook, on every thread: a process's first window brings it in.
template <EngineShared::Holder holder>
LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) Enter();
    // A CBT hook may veto what it is told of: the next hook's answer stands.
    return CallNextHookEx(EngineShared::HookOf(holder, EngineShared::kCbt), code, wParam, lParam);
}

// The message hook, set only on the threads that were there when the hooks
// came (new processes come in by their first window): once its process was
// looked at, the thread takes its hook away, so reading messages costs it
// nothing after that. Where the system refuses (or the table was full and the
// hook is everyone's), it stays at two flag reads a message.
template <EngineShared::Holder holder>
LRESULT CALLBACK GetMessageProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) Enter();
    const DWORD tid = GetCurrentThreadId();
    HHOOK own = EngineShared::ThreadHookOf(holder, tid);
    const LRESULT r =
        CallNextHookEx(own ? own : EngineShared::HookOf(holder, EngineShared::kGetMessage), code, wParam, lParam);
    // After the chain: the next hook is found from this one.
    if (own && WaveOutEngine::Looked() && EngineShared::TakeThreadHook(holder, tid, own)) UnhookWindowsHookEx(own);
    return r;
}

// A message hook on each thread of every other process that has a queue,
// then WM_NULL, so threads that only read their queue look at once. Threads
// without a queue refuse the message; nothing else happens to them. Past the
// table's size, one hook for every thread instead.
template <EngineShared::Holder holder>
void SetOnEveryThread(HHOOK cbt) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    const DWORD self = GetCurrentProcessId();
    HHOOK everyone = nullptr;
    THREADENTRY32 te;
    te.dwSize = sizeof(te);
    for (BOOL ok = Thread32First(snapshot, &te); ok; ok = Thread32Next(snapshot, &te)) {
        const DWORD tid = te.th32ThreadID;
        if (te.th32OwnerProcessID == self || !PostThreadMessageA(tid, WM_NULL, 0, 0)) continue;
        if (!everyone) {
            HHOOK h = SetWindowsHookExA(WH_GETMESSAGE, &GetMessageProc<holder>, g_self, tid);
            if (h && !EngineShared::AddThreadHook(holder, tid, h)) {
                UnhookWindowsHookEx(h);
                everyone = SetWindowsHookExA(WH_GETMESSAGE, &GetMessageProc<holder>, g_self, 0);
                if (!everyone) break;
                EngineShared::SetHooks(holder, cbt, everyone);
            }
        }
        PostThreadMessageA(tid, WM_NULL, 0, 0);  // read with the hook in place
    }
    CloseHandle(snapshot);
}

template <EngineShared::Holder holder>
bool SetFor() {
    HHOOK cbt = SetWindowsHookExA(WH_CBT, &CbtProc<holder>, g_self, 0);
    if (!cbt) return false;
    EngineShared::SetHooks(holder, cbt, nullptr);
    SetOnEveryThread<holder>(cbt);
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
    while (HHOOK h = EngineShared::TakeAnyThreadHook(holder)) UnhookWindowsHookEx(h);
}

}  // namespace fxengine
