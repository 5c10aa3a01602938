// What the wave hook's five entries and its feed tell an observer. The
// shipped library has none (HookTraceNone.cpp); the test rig links a
// journalling one and a setting that can make the library refuse to unload.
#pragma once

#include <windows.h>

namespace fxengine {

// An entry without arguments was called (and, when hasResult, answered result).
void HookTrace_Call(const char* name, bool hasResult, DWORD result);
// QuorWav9xIoCtl received code with inSize bytes at in (in may be null).
void HookTrace_Ioctl(DWORD code, const void* in, DWORD inSize);
// QuorWav9xPrepareForUnloading: the observer starts its own count.
void HookTrace_Prepare();
// QuorWav9xCanUnloadNow: the observer's own say (true: no objection).
bool HookTrace_MayUnload();
// A device's feed handed the real device rendered periods in one look.
void HookTrace_Fed();

}  // namespace fxengine
