// The system-wide hooks that bring the library into other processes: WH_CBT
// enters a process when it creates its first window (even one that never
// reads its queue), WH_GETMESSAGE when one of its threads reads a message.
// Either is held by the logon host, or without it by the console. A process
// the library enters joins the engine only once it has winmm loaded, so one
// that plays nothing pays nothing.
#pragma once

#include <windows.h>

#include "EngineShared.h"

namespace fxengine {

class SystemHooks {
public:
    static void Init(HMODULE self);  // DllMain, process attach

    // Sets both hooks for every thread on behalf of holder; false (and none
    // kept) when the system refused either.
    static bool Set(EngineShared::Holder holder);
    // Removes the holder's hooks, if it holds any.
    static void Remove(EngineShared::Holder holder);

    // Posts WM_NULL to every thread of every other process: each thread that
    // reads its queue then takes the library in at once, though it posts
    // itself nothing. Threads without a queue refuse the message; nothing else
    // happens to them.
    static void WakeEveryThread();
};

}  // namespace fxengine
