#include "EngineShared.h"

#include "NamedObjectAccess.h"

#include <string.h>

namespace fxengine {
namespace {

constexpr DWORD kMagic = 0x4B465834;  // layout version of the block below
// A new layout takes a new name: a library of the last one may still hold the old block.
const char* const kMappingName = "KorvaneWaveEngine.State.4";
constexpr DWORD kMaking = 0x4B465800;  // being made by one process

// A process is named by its id and its start (EngineShared::StartOf): each
// start is stored before the id it goes with, and read after it.
struct ProcessSlot {
    volatile LONG pid;
    volatile LONG busy;
    volatile LONG start;
};

struct ThreadHook {
    volatile LONG tid;
    volatile LONG hook;  // 0: free, or taken away
};

struct SharedBlock {
    volatile LONG magic;
    volatile LONG seq;  // odd while the parameters are being written
    volatile LONG hooked;
    volatile LONG ownerPid;
    volatile LONG hostPid;
    volatile LONG ownerStart, hostStart;
    volatile LONG hooks[2][2];    // by holder, by hook type
    volatile LONG unslottedBusy;  // processes that found no free slot
    fx::FxParams params;
    ProcessSlot processes[EngineShared::kProcesses];
    ThreadHook threadHooks[2][EngineShared::kThreadHooks];  // by holder
};

HANDLE g_mapping = nullptr;
SharedBlock* g_block = nullptr;
int g_slot = -1;  // this process's slot, once it had a buffer inside

LONG Load(volatile LONG* p) {
    return __atomic_load_n(p, __ATOMIC_ACQUIRE);
}
void Store(volatile LONG* p, LONG v) {
    __atomic_store_n(p, v, __ATOMIC_RELEASE);
}
bool Cas(volatile LONG* p, LONG expected, LONG desired) {
    return __atomic_compare_exchange_n(p, &expected, desired, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
}

// A slot for this process: its own, a free one, or one of an ended process.
int ClaimSlot() {
    if (g_slot >= 0) return g_slot;
    const LONG me = static_cast<LONG>(GetCurrentProcessId());
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < EngineShared::kProcesses; ++i) {
            ProcessSlot& s = g_block->processes[i];
            LONG pid = Load(&s.pid);
            // An ended process's slot is freed first (as NoBufferInside
            // does), so it is never ours while its busy and start are not.
            if (pass == 1 && pid && !EngineShared::ProcessAlive(static_cast<DWORD>(pid), Load(&s.start)) &&
                Cas(&s.pid, pid, 0)) {
                Store(&s.busy, 0);
                pid = 0;
            }
            if (pid == 0 && Cas(&s.pid, 0, me)) {
                // Counted busy only by our own buffers, once the start is ours.
                Store(&s.start, EngineShared::StartOf(static_cast<DWORD>(me)));
                Store(&s.busy, 0);
                return g_slot = i;
            }
        }
    return -1;
}

}  // namespace

bool EngineShared::Attach() {
    if (g_block) return true;
    // Called from DllMain: nothing here waits. The system hands the first
    // process a zeroed block; whoever first finds it unmade makes it, and the
    // others go on at once (until it is made it reads as all off).
    // A block of this name made by another user is not joined (NamedObjectAccess.h).
    NamedObjectAccess access;
    g_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, access.Attributes(), PAGE_READWRITE, 0, sizeof(SharedBlock),
                                   kMappingName);
    if (g_mapping && !NamedObjectAccess::MadeByUs(g_mapping)) {
        CloseHandle(g_mapping);
        g_mapping = nullptr;
    }
    if (g_mapping) g_block = static_cast<SharedBlock*>(MapViewOfFile(g_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    const LONG magic = g_block ? Load(&g_block->magic) : 0;
    if (g_block && magic != static_cast<LONG>(kMagic) && magic != static_cast<LONG>(kMaking) &&
        Cas(&g_block->magic, magic, kMaking)) {
        memset(reinterpret_cast<char*>(g_block) + sizeof(g_block->magic), 0, sizeof(*g_block) - sizeof(g_block->magic));
        fx::FxParams_Reset(&g_block->params);
        Store(&g_block->magic, kMagic);
    }
    if (!g_block && g_mapping) {
        CloseHandle(g_mapping);
        g_mapping = nullptr;
    }
    return g_block != nullptr;
}

void EngineShared::Detach() {
    if (!g_block) return;
    ReleaseProcess();
    UnmapViewOfFile(g_block);
    CloseHandle(g_mapping);
    g_block = nullptr;
    g_mapping = nullptr;
}

bool EngineShared::Attached() {
    return g_block != nullptr;
}

void EngineShared::Publish(const fx::FxParams& params) {
    if (!g_block) return;
    // Odd while writing; from whatever it was, so a writer that died half way
    // does not leave the readers waiting for good.
    const LONG odd = Load(&g_block->seq) | 1;
    Store(&g_block->seq, odd);
    __atomic_thread_fence(__ATOMIC_SEQ_CST);
    memcpy(&g_block->params, &params, sizeof(params));
    __atomic_thread_fence(__ATOMIC_SEQ_CST);
    Store(&g_block->seq, odd + 1);
}

LONG EngineShared::ParamsSerial() {
    return g_block ? Load(&g_block->seq) : 0;
}

void EngineShared::Snapshot(fx::FxParams* out) {
    if (!g_block) {
        fx::FxParams_Reset(out);
        return;
    }
    for (int tries = 0;; ++tries) {
        const LONG before = Load(&g_block->seq);
        if (!(before & 1)) {
            memcpy(out, &g_block->params, sizeof(*out));
            __atomic_thread_fence(__ATOMIC_ACQUIRE);
            if (Load(&g_block->seq) == before) return;
        }
        // The writer sits in the middle of a copy (or died there): give it a moment.
        if (tries > 1000) {
            memcpy(out, &g_block->params, sizeof(*out));
            return;
        }
        Sleep(0);
    }
}

void EngineShared::SetHook(DWORD ownerPid) {
    if (!g_block) return;
    Store(&g_block->ownerStart, StartOf(ownerPid));
    Store(&g_block->ownerPid, static_cast<LONG>(ownerPid));
    Store(&g_block->hooked, 1);
}

void EngineShared::ClearHook() {
    if (!g_block) return;
    Store(&g_block->hooked, 0);
    Store(&g_block->ownerPid, 0);
}

void EngineShared::SetHooks(Holder holder, HHOOK cbt, HHOOK getMessage) {
    if (!g_block) return;
    Store(&g_block->hooks[holder][kCbt], reinterpret_cast<LONG>(cbt));
    Store(&g_block->hooks[holder][kGetMessage], reinterpret_cast<LONG>(getMessage));
}

HHOOK EngineShared::HookOf(Holder holder, HookType type) {
    return g_block ? reinterpret_cast<HHOOK>(Load(&g_block->hooks[holder][type])) : nullptr;
}

void EngineShared::TakeHooks(Holder holder, HHOOK* cbt, HHOOK* getMessage) {
    *cbt = *getMessage = nullptr;
    if (!g_block) return;
    *cbt = reinterpret_cast<HHOOK>(__atomic_exchange_n(&g_block->hooks[holder][kCbt], 0, __ATOMIC_ACQ_REL));
    *getMessage =
        reinterpret_cast<HHOOK>(__atomic_exchange_n(&g_block->hooks[holder][kGetMessage], 0, __ATOMIC_ACQ_REL));
}

// One writer per holder (the thread that sets and removes its hooks); the
// hooked threads only take their own entry away.
bool EngineShared::AddThreadHook(Holder holder, DWORD tid, HHOOK hook) {
    if (!g_block) return false;
    for (ThreadHook& t : g_block->threadHooks[holder])
        if (!Load(&t.hook)) {
            Store(&t.tid, static_cast<LONG>(tid));
            Store(&t.hook, reinterpret_cast<LONG>(hook));
            return true;
        }
    return false;
}

HHOOK EngineShared::ThreadHookOf(Holder holder, DWORD tid) {
    if (!g_block) return nullptr;
    for (ThreadHook& t : g_block->threadHooks[holder])
        if (Load(&t.tid) == static_cast<LONG>(tid))
            if (const LONG hook = Load(&t.hook)) return reinterpret_cast<HHOOK>(hook);
    return nullptr;
}

bool EngineShared::TakeThreadHook(Holder holder, DWORD tid, HHOOK hook) {
    if (!g_block) return false;
    for (ThreadHook& t : g_block->threadHooks[holder])
        if (Load(&t.tid) == static_cast<LONG>(tid) && Cas(&t.hook, reinterpret_cast<LONG>(hook), 0)) return true;
    return false;
}

HHOOK EngineShared::TakeAnyThreadHook(Holder holder) {
    if (!g_block) return nullptr;
    for (ThreadHook& t : g_block->threadHooks[holder])
        if (const LONG hook = __atomic_exchange_n(&t.hook, 0, __ATOMIC_ACQ_REL)) return reinterpret_cast<HHOOK>(hook);
    return nullptr;
}

void EngineShared::SetHost(DWORD hostPid) {
    if (!g_block) return;
    Store(&g_block->hostStart, StartOf(hostPid));
    Store(&g_block->hostPid, static_cast<LONG>(hostPid));
}

bool EngineShared::ClearHost(DWORD hostPid) {
    return g_block && Cas(&g_block->hostPid, static_cast<LONG>(hostPid), 0);
}

bool EngineShared::HostAlive() {
    if (!g_block) return false;
    const LONG host = Load(&g_block->hostPid);
    if (!host) return false;
    if (ProcessAlive(static_cast<DWORD>(host), Load(&g_block->hostStart))) return true;
    // The host was ended from outside: the system took its hooks away.
    Cas(&g_block->hostPid, host, 0);
    return false;
}

bool EngineShared::IsHost(DWORD pid) {
    return g_block && pid && Load(&g_block->hostPid) == static_cast<LONG>(pid);
}

bool EngineShared::Present() {
    return HostAlive() || HookActive();
}

bool EngineShared::PresentFlag() {
    return g_block && (Load(&g_block->hostPid) != 0 || Load(&g_block->hooked) != 0);
}

bool EngineShared::HookedFlag() {
    return g_block && Load(&g_block->hooked) != 0;
}

bool EngineShared::HookActive() {
    if (!HookedFlag()) return false;
    const LONG owner = Load(&g_block->ownerPid);
    if (ProcessAlive(static_cast<DWORD>(owner), Load(&g_block->ownerStart))) return true;
    // The process that set the hook ended without taking it away: the system
    // removed its hook, so the engine stands down too.
    if (Cas(&g_block->ownerPid, owner, 0)) Store(&g_block->hooked, 0);
    return false;
}

void EngineShared::BufferEntered() {
    if (!g_block) return;
    const int slot = ClaimSlot();
    __atomic_add_fetch(slot >= 0 ? &g_block->processes[slot].busy : &g_block->unslottedBusy, 1, __ATOMIC_ACQ_REL);
}

void EngineShared::BufferLeft() {
    if (!g_block) return;
    __atomic_sub_fetch(g_slot >= 0 ? &g_block->processes[g_slot].busy : &g_block->unslottedBusy, 1, __ATOMIC_ACQ_REL);
}

void EngineShared::ReleaseProcess() {
    if (!g_block || g_slot < 0) return;
    ProcessSlot& s = g_block->processes[g_slot];
    Store(&s.busy, 0);
    Store(&s.pid, 0);
    g_slot = -1;
}

bool EngineShared::NoBufferInside() {
    if (!g_block) return true;
    if (Load(&g_block->unslottedBusy) > 0) return false;
    for (ProcessSlot& s : g_block->processes) {
        const LONG pid = Load(&s.pid);
        if (!pid || Load(&s.busy) <= 0) continue;
        if (ProcessAlive(static_cast<DWORD>(pid), Load(&s.start))) return false;
        // Ended with buffers inside: nothing of it is left to wait for.
        if (Cas(&s.pid, pid, 0)) Store(&s.busy, 0);
    }
    return true;
}

namespace {
LONG StartOfProcess(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;  // 95/98/ME keep none
    return static_cast<LONG>(created.dwLowDateTime | 1);  // never 0, which stands for "not known"
}
}  // namespace

LONG EngineShared::StartOf(DWORD pid) {
    if (pid == GetCurrentProcessId()) {
        static volatile LONG mine = 0;  // a plain word: no guarded static (95/98/ME)
        if (!Load(&mine)) Store(&mine, StartOfProcess(GetCurrentProcess()));
        return Load(&mine);
    }
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!h) return 0;
    const LONG start = StartOfProcess(h);
    CloseHandle(h);
    return start;
}

bool EngineShared::ProcessAlive(DWORD pid, LONG start) {
    if (!pid) return false;
    // Ids come round again (Wine's after a few hundred processes and
    // threads): a live process under a dead one's id is not that process.
    // Where a start cannot be read (another user's process), the id alone.
    if (pid == GetCurrentProcessId()) return !start || start == StartOf(pid);
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    const bool known = h != nullptr;
    if (!h) h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h) return false;
    bool alive = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    if (alive && known && start) {
        const LONG now = StartOfProcess(h);
        alive = !now || now == start;
    }
    CloseHandle(h);
    return alive;
}

}  // namespace fxengine
