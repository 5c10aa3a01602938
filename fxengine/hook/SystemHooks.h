// The system-wide hooks that bring the library into other processes: WH_CBT
// enters a process when it creates its first window (even one that never
// reads its queue), WH_GETMESSAGE when one of its threads reads a message.
// Either is held by the logon host, or without it by the console. The message
// hook is set only on threads that were there when the hooks came, and each
// takes its own away once its process was looked at. A process
// the library enters joins the engine only once it has winmm loaded, so one
// that plays nothing pays nothing.
#pragma once

#include <windows.h>

#include "EngineShared.h"

namespace fxengine {

class SystemHooks {
public:
    static void Init(HMODULE self);  // DllMain, process attach

    // Sets the hooks on behalf of holder: WH_CBT for every thread, and
    // WH_GETMESSAGE on each thread of every other process that has a queue,
    // which is then posted WM_NULL, so programs that only read their queue
    // take the library in at once though they post themselves nothing. False
    // (and none kept) when the system refused the CBT hook.
    static bool Set(EngineShared::Holder holder);
    // Removes the holder's hooks, if it holds any.
    static void Remove(EngineShared::Holder holder);
};

}  // namespace fxengine
