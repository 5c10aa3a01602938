#include "StreamWorker.h"

#include "BufferStream.h"

namespace fxengine {
namespace {

// A pass every few milliseconds: the mixer reads up to 30 ms at a time and
// the lead past the write cursor is 45 ms.
constexpr DWORD kPassMs = 5;
constexpr int kPerPass = 64;

volatile LONG g_ready = 0;  // 0 nothing, 1 being made, 2 ready
CRITICAL_SECTION g_lock;    // the list and the thread's state
HANDLE g_wake = nullptr;
BufferStream** g_streams = nullptr;
int g_count = 0, g_room = 0;
volatile LONG g_running = 0;

class Guard {
public:
    Guard() { EnterCriticalSection(&g_lock); }
    ~Guard() { LeaveCriticalSection(&g_lock); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
};

HMODULE ThisModule() {
    MEMORY_BASIC_INFORMATION info = {};
    VirtualQuery(reinterpret_cast<void*>(&ThisModule), &info, sizeof(info));
    return static_cast<HMODULE>(info.AllocationBase);
}

}  // namespace

// Made at the first DirectSound buffer, so a process that never uses one pays nothing.
bool StreamWorker::Ready() {
    if (__atomic_load_n(&g_ready, __ATOMIC_ACQUIRE) == 2) return true;
    if (InterlockedCompareExchange(&g_ready, 1, 0) == 0) {
        InitializeCriticalSection(&g_lock);
        g_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        __atomic_store_n(&g_ready, 2, __ATOMIC_RELEASE);
    }
    while (__atomic_load_n(&g_ready, __ATOMIC_ACQUIRE) != 2) Sleep(0);
    return g_wake != nullptr;
}

void StreamWorker::Add(BufferStream* stream) {
    if (!Ready()) return;
    Guard lock;
    if (g_count == g_room) {
        const int room = g_room ? g_room * 2 : 16;
        void* more = g_streams ? HeapReAlloc(GetProcessHeap(), 0, g_streams, room * sizeof(BufferStream*))
                               : HeapAlloc(GetProcessHeap(), 0, room * sizeof(BufferStream*));
        if (!more) return;  // not followed: it never streams, it is processed when unlocked
        g_streams = static_cast<BufferStream**>(more);
        g_room = room;
    }
    g_streams[g_count++] = stream;
}

void StreamWorker::Remove(BufferStream* stream) {
    if (!Ready()) return;
    Guard lock;
    for (int i = 0; i < g_count; ++i)
        if (g_streams[i] == stream) {
            g_streams[i] = g_streams[--g_count];
            break;
        }
    SetEvent(g_wake);  // perhaps the last one: the thread ends
}

void StreamWorker::DeviceGone(const void* owner) {
    if (!Ready()) return;
    Guard lock;
    // Waits for a pass over each of them that is under way.
    for (int i = 0; i < g_count; ++i)
        if (g_streams[i]->Owner() == owner) g_streams[i]->DeviceGone();
}

void StreamWorker::Wake() {
    if (!Ready()) return;
    {
        Guard lock;
        if (g_running) {
            SetEvent(g_wake);
            return;
        }
        g_running = 1;
    }
    if (!StartThread()) {
        Guard lock;
        g_running = 0;
    }
}

bool StreamWorker::StartThread() {
    // The thread holds the library for itself and lets go as it ends.
    char path[MAX_PATH];
    if (!GetModuleFileNameA(ThisModule(), path, sizeof(path))) return false;
    HMODULE reference = LoadLibraryA(path);
    if (!reference) return false;
    HANDLE thread = CreateThread(nullptr, 0, &Run, nullptr, 0, nullptr);
    if (!thread) {
        FreeLibrary(reference);
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool StreamWorker::Running() {
    return __atomic_load_n(&g_running, __ATOMIC_ACQUIRE) != 0;
}

DWORD WINAPI StreamWorker::Run(LPVOID) {
    // Above the program's own threads, so a busy game does not starve the
    // sound it feeds; below time-critical, so the worker never starves the
    // game (or the system's mixer) where the effects cost more than it has.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    // Sleep's own granularity is 10-15 ms unless the timer is asked for 1 ms
    // (winmm is loaded: the engine joins only processes that have it).
    typedef UINT(WINAPI * PeriodFn)(UINT);
    HMODULE winmm = GetModuleHandleA("winmm.dll");
    const PeriodFn begin =
        winmm ? reinterpret_cast<PeriodFn>(reinterpret_cast<void (*)()>(GetProcAddress(winmm, "timeBeginPeriod")))
              : nullptr;
    const PeriodFn end =
        winmm ? reinterpret_cast<PeriodFn>(reinterpret_cast<void (*)()>(GetProcAddress(winmm, "timeEndPeriod")))
              : nullptr;
    bool fine = false;
    for (;;) {
        BufferStream* streams[kPerPass];
        int n = 0;
        {
            Guard lock;
            for (int i = 0; i < g_count && n < kPerPass; ++i)
                if (g_streams[i]->Streaming()) {
                    g_streams[i]->AddRef();
                    streams[n++] = g_streams[i];
                }
            if (!n) {
                g_running = 0;
                break;
            }
        }
        bool playing = false;
        for (int i = 0; i < n; ++i) {
            playing = streams[i]->Pump() || playing;
            streams[i]->Release();
        }
        if (playing && !fine && begin && end) fine = begin(1) == 0;
        if (!playing && fine) {
            end(1);
            fine = false;
        }
        if (playing)
            WaitForSingleObject(g_wake, kPassMs);  // a Play comes at once
        else
            WaitForSingleObject(g_wake, INFINITE);  // woken by a Play or the last Remove
    }
    if (fine) end(1);
    FreeLibraryAndExitThread(ThisModule(), 0);
    return 0;
}

void StreamWorker::Shutdown() {
    if (__atomic_load_n(&g_ready, __ATOMIC_ACQUIRE) != 2) return;
    if (g_streams) HeapFree(GetProcessHeap(), 0, g_streams);
    g_streams = nullptr;
    g_count = g_room = 0;
    CloseHandle(g_wake);
    DeleteCriticalSection(&g_lock);
    g_ready = 0;
}

}  // namespace fxengine
