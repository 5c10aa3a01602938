// The engine state every process shares: the effect parameters, whether the
// effects are on and by whom (the console's hook), whether the engine is
// present at all (the logon host holds its hooks, or the console does), the
// hooks that bring the library into processes, and which processes have
// buffers inside the engine. A named file mapping, so each process that loads the library
// sees the same memory.
#pragma once

#include <windows.h>

#include "fx/FxParams.h"

namespace fxengine {

class EngineShared {
public:
    static constexpr int kProcesses = 64;

    // Maps the shared memory (from DllMain); false when that failed, and
    // then the library does nothing but journal.
    static bool Attach();
    static void Detach();
    static bool Attached();

    // The parameters: one writer (the console's thread), any number of
    // readers, each reading a whole consistent copy.
    static void Publish(const fx::FxParams& params);
    static void Snapshot(fx::FxParams* out);
    static LONG ParamsSerial();  // moves with every Publish

    // The effects follow the knobs: the console's hook is set, by one
    // process, which must still be alive.
    static void SetHook(DWORD ownerPid);
    static void ClearHook();
    static bool HookedFlag();  // cheap: the flag alone
    static bool HookActive();  // the flag, and its owner still alive (clears the flag when not)

    // Who holds the system-wide hooks that bring the library into processes:
    // the logon host, or (without it) the console itself.
    enum Holder { kHost = 0, kConsole = 1 };
    enum HookType { kCbt = 0, kGetMessage = 1 };
    static void SetHooks(Holder holder, HHOOK cbt, HHOOK getMessage);
    static HHOOK HookOf(Holder holder, HookType type);
    // Takes the holder's hooks out of the table (null when it holds none).
    static void TakeHooks(Holder holder, HHOOK* cbt, HHOOK* getMessage);

    // A holder's message hooks set on single threads (each taken away by its
    // thread once its process was looked at). AddThreadHook: false when full.
    static constexpr int kThreadHooks = 1024;
    static bool AddThreadHook(Holder holder, DWORD tid, HHOOK hook);
    static HHOOK ThreadHookOf(Holder holder, DWORD tid);  // null when none
    // Takes tid's entry for hook away; false when someone else took it first.
    static bool TakeThreadHook(Holder holder, DWORD tid, HHOOK hook);
    static HHOOK TakeAnyThreadHook(Holder holder);  // null once none is left

    // The logon host runs (its hooks set) in process hostPid.
    static void SetHost(DWORD hostPid);
    // The host in process hostPid ended; false (nothing changed) when
    // another process is the host.
    static bool ClearHost(DWORD hostPid);
    static bool HostAlive();  // set, and the process still alive (clears it when not)
    static bool IsHost(DWORD pid);  // pid is the registered host's

    // The engine is present: the host runs or the console's hook is set.
    // While present, devices are taken over (bit-exact while the effects
    // are off); otherwise every device is the system's own.
    static bool Present();
    static bool PresentFlag();  // cheap: the flags alone, for the hooks' own calls

    // The current process's count of buffers inside the engine: from the
    // program's write until the device hands the engine's copy back.
    static void BufferEntered();
    static void BufferLeft();
    static void ReleaseProcess();  // the process leaves the engine
    // No live process has a buffer inside the engine (entries of ended processes are cleared).
    static bool NoBufferInside();

    // A process's start, to tell it from a later one under the same id (0:
    // not known, as on 95/98/ME); and whether the process that had that
    // start under pid still runs (start 0: any process under pid).
    static LONG StartOf(DWORD pid);
    static bool ProcessAlive(DWORD pid, LONG start);
};

}  // namespace fxengine
