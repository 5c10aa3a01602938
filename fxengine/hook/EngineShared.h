// The engine state every process shares: the effect parameters, whether the
// hook is set and by whom, and which processes have buffers inside the
// engine. A named file mapping, so each process that loads the library
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

    // The hook: set by one process, which must still be alive.
    static void SetHook(HHOOK hook, DWORD ownerPid);
    static void ClearHook();
    static HHOOK Hook();
    static bool HookedFlag();  // cheap: the flag alone
    static bool HookActive();  // the flag, and its owner still alive (clears the flag when not)
    // The engine takes over devices opened now (the effects may still be off).
    static bool Present();

    // The current process's count of buffers inside the engine: from the
    // program's write until the device hands the engine's copy back.
    static void BufferEntered();
    static void BufferLeft();
    static void ReleaseProcess();  // the process leaves the engine
    // No live process has a buffer inside the engine (entries of ended processes are cleared).
    static bool NoBufferInside();

    static bool ProcessAlive(DWORD pid);
};

}  // namespace fxengine
