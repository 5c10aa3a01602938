// The rig's observer of the wave hook: journals each call on channel HOOK
// when HKLM\Software\KorvaneSim value "Journal" is nonzero (read at each
// call), and answers the unload question as "CanUnloadAfter" says.
// It counts the looks in which a device's feed handed the real device
// periods, for a test to wait on the feed instead of on time (SimFedLooks,
// exported by the rig's main library).
// Built with SIM_HOOK_FAULTS_ON_SOUNDFIELDS, it makes the hook's control
// entry fault (a write through a null pointer) on every Soundfields level,
// after journalling it: a hook that crashes inside the console's call. Built
// with SIM_HOOK_RAISES_ON_SOUNDFIELDS, the entry raises a C++ exception of
// another compiler's runtime there instead, which nothing inside catches.
#include "fxengine/hook/HookTrace.h"
#include "engine/ControlCodes.h"
#include "sim/core/JournalFormat.h"
#include "sim/core/UnloadGate.h"
#include "sim/win/JournalFile.h"
#include "sim/win/SimRegKey.h"

namespace fxengine {
namespace {

constexpr const char* kChannel = "HOOK";
sim::UnloadGate g_unloadGate;
volatile LONG g_fedLooks = 0;

bool JournalWanted() {
    return sim::SimRegKey::OpenSettings().ReadDword("Journal", 0) != 0;
}

void ArmUnloadGate() {
    g_unloadGate.Arm(sim::SimRegKey::OpenSettings().ReadDword("CanUnloadAfter", 0));
}

}  // namespace

void HookTrace_Call(const char* name, bool hasResult, DWORD result) {
    if (!JournalWanted()) return;
    JournalLine line;
    JournalLine_Call(&line, sim::JournalFile::Now(), kChannel, name, hasResult ? 1 : 0, result);
    sim::JournalFile::Append(line);
}

void HookTrace_Ioctl(DWORD code, const void* in, DWORD inSize) {
    if (!JournalWanted()) return;
    const bool hasValue = in != nullptr && inSize >= 4;
    JournalLine line;
    const unsigned int value = hasValue ? JournalLine_LoadU32(in) : 0;
    JournalLine_Ioctl(&line, sim::JournalFile::Now(), kChannel, code, hasValue ? 1 : 0, value, inSize);
    sim::JournalFile::Append(line);
#ifdef SIM_HOOK_FAULTS_ON_SOUNDFIELDS
    // Written in assembly: the compiler may drop a store through a null
    // pointer it can see.
    if (code == IOCTL_SOUNDFIELDS_LEVEL) __asm__ __volatile__("movl $1, 0" ::: "memory");
#elif defined(SIM_HOOK_RAISES_ON_SOUNDFIELDS)
    const DWORD kForeignCxxException = 0xE06D7363;
    if (code == IOCTL_SOUNDFIELDS_LEVEL) RaiseException(kForeignCxxException, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#endif
}

void HookTrace_Prepare() {
    ArmUnloadGate();
}

bool HookTrace_MayUnload() {
    // Asked without a preparation first: count from here with the current setting.
    if (!g_unloadGate.IsArmed()) ArmUnloadGate();
    return g_unloadGate.Ask();
}

void HookTrace_Fed() {
    InterlockedIncrement(&g_fedLooks);
}

}  // namespace fxengine

// How many looks of the feeds in this process handed periods on so far.
extern "C" LONG WINAPI SimFedLooks() {
    return fxengine::g_fedLooks;
}
