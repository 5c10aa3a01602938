#include "EngineDevice.h"

#include <string.h>
#include <new>

#include "EngineShared.h"
#include "HookTrace.h"
#include "RealWaveOut.h"
#include "fault/FaultGuard.h"
#include "fxengine/hook/X87Precision.h"
#include "fxengine/stream/WaveFormat.h"

namespace fxengine {

namespace {

// The parameters a device plays with once the hook is gone: everything off,
// so the effects glide out and the sound becomes the program's own again.
// Made when the library loads: a function-local static would take the C++
// runtime's guard, whose semaphore is a failing wide call on 95/98/ME.
fx::FxParams MakeParamsOff() {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    return p;
}
const fx::FxParams g_paramsOff = MakeParamsOff();

class Lock {
public:
    explicit Lock(CRITICAL_SECTION* cs) : m_cs(cs) { EnterCriticalSection(m_cs); }
    ~Lock() { LeaveCriticalSection(m_cs); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION* m_cs;
};

}  // namespace

EngineDevice::EngineDevice(DWORD callbackType, DWORD_PTR callback, DWORD_PTR instance)
    : m_callbackType(callbackType), m_callback(callback), m_instance(instance) {
    InitializeCriticalSection(&m_lock);
}

EngineDevice::~EngineDevice() {
    FreePeriods();
    delete m_stream;
    delete m_lead;
    if (m_thread) CloseHandle(m_thread);
    if (m_wake) CloseHandle(m_wake);
    DeleteCriticalSection(&m_lock);
}

void EngineDevice::AddRef() {
    InterlockedIncrement(&m_refs);
}

void EngineDevice::Release() {
    if (InterlockedDecrement(&m_refs) == 0) delete this;
}

bool EngineDevice::Accepts(LPCWAVEFORMATEX format) {
    const size_t bytes = format->wFormatTag == kWaveFormatExtensible ? 18 + format->cbSize : 16;
    if (!WaveFormat_ToFx(format, bytes, &m_format) || m_format.blockAlign > HeaderStream::kMaxBlock) return false;
    return m_chain.Open(m_format);
}

MMRESULT EngineDevice::Open(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD flags) {
    const DWORD frames = PeriodFrames(m_format.sampleRate);
    m_stream = new (std::nothrow) HeaderStream(m_format.blockAlign);
    m_lead = new (std::nothrow) FeedLead(frames, m_format.sampleRate);
    m_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_periodBytes = frames * m_format.blockAlign;
    // A period may take up to half a period more, the end of a header.
    m_maxPeriodBytes = (frames + frames / 2) * m_format.blockAlign;
    m_scratch = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), 0, m_maxPeriodBytes));
    m_loopSource = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), 0, m_maxPeriodBytes));
    m_loopRendered = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), 0, m_maxPeriodBytes));
    if (!m_stream || !m_lead || !m_wake || !m_scratch || !m_loopSource || !m_loopRendered) return MMSYSERR_NOMEM;

    const DWORD ours = (flags & ~CALLBACK_TYPEMASK) | CALLBACK_EVENT;
    const MMRESULT r = g_real.open(handle, deviceId, format, reinterpret_cast<DWORD_PTR>(m_wake), 0, ours);
    if (r != MMSYSERR_NOERROR) return r;
    m_hWave = *handle;
    // The device's pace is measured against this clock (FeedLead).
    if (!QueryPerformanceFrequency(&m_clockHz) || !QueryPerformanceCounter(&m_clockStart)) m_clockHz.QuadPart = 0;
    // The start's lead, made and prepared now; more as the lead grows.
    for (int i = 0; i < 3; ++i) {
        Period* p = FreePeriod();
        if (!p) {
            CloseReal();
            return MMSYSERR_NOMEM;
        }
        m_free[m_freeCount++] = p;
    }
    return MMSYSERR_NOERROR;
}

EngineDevice::Period* EngineDevice::FreePeriod() {
    if (m_freeCount) return m_free[--m_freeCount];
    if (m_allCount == static_cast<int>(kMaxLead)) return nullptr;
    Period* p = static_cast<Period*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Period) + m_maxPeriodBytes));
    if (!p) return nullptr;
    p->header.lpData = reinterpret_cast<LPSTR>(p + 1);
    p->header.dwBufferLength = m_maxPeriodBytes;
    if (g_real.prepare(m_hWave, &p->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        HeapFree(GetProcessHeap(), 0, p);
        return nullptr;
    }
    m_all[m_allCount++] = p;
    return p;
}

bool EngineDevice::Start() {
    AddRef();  // the thread's
    // It keeps the device fed ahead: it must not wait behind the program's
    // work, from its first round on (it starts once it has its priority).
    m_thread = CreateThread(nullptr, 0, &EngineDevice::Feed, this, CREATE_SUSPENDED, &m_threadId);
    if (m_thread) {
        SetThreadPriority(m_thread, THREAD_PRIORITY_TIME_CRITICAL);
        ResumeThread(m_thread);
        return true;
    }
    Release();
    return false;
}

void EngineDevice::Opened() {
    {
        Lock lock(&m_lock);
        m_notifier = GetCurrentThreadId();
    }
    Notify(WOM_OPEN, 0);
    {
        Lock lock(&m_lock);
        m_notifier = 0;
    }
    Pump();  // what came due while the program heard of its device
}

void EngineDevice::Abandon() {
    {
        Lock lock(&m_lock);
        m_stop = m_closed = m_closeTold = true;
    }
    // The thread, if any, ends by itself: it never touches the device once stopped.
    if (m_thread) SetEvent(m_wake);
    CloseReal();
}

void EngineDevice::FreePeriods() {
    for (int i = 0; i < m_allCount; ++i) HeapFree(GetProcessHeap(), 0, m_all[i]);
    m_allCount = m_freeCount = m_flightCount = 0;
    unsigned char** buffers[] = {&m_scratch, &m_loopSource, &m_loopRendered};
    for (unsigned char** b : buffers) {
        if (*b) HeapFree(GetProcessHeap(), 0, *b);
        *b = nullptr;
    }
    m_loopPeriod = nullptr;
}

void EngineDevice::CloseReal() {
    if (!m_hWave || m_realClosed) return;
    m_realClosed = true;
    g_real.reset(m_hWave);
    for (int i = 0; i < m_allCount; ++i) g_real.unprepare(m_hWave, &m_all[i]->header, sizeof(WAVEHDR));
    g_real.close(m_hWave);
}

MMRESULT EngineDevice::Prepare(WAVEHDR* header, UINT size) {
    if (!header || size < sizeof(WAVEHDR) || !header->lpData) return MMSYSERR_INVALPARAM;
    Lock lock(&m_lock);
    if (m_closed) return MMSYSERR_INVALHANDLE;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    // Nothing is kept per header: one prepared again, zeroed in between or
    // grown, is simply prepared.
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT EngineDevice::Unprepare(WAVEHDR* header, UINT size) {
    if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    Lock lock(&m_lock);
    if (m_closed) return MMSYSERR_INVALHANDLE;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT EngineDevice::Write(WAVEHDR* header, UINT size) {
    if (!header || size < sizeof(WAVEHDR) || (!header->lpData && header->dwBufferLength)) return MMSYSERR_INVALPARAM;
    bool wake;
    {
        Lock lock(&m_lock);
        if (m_closed) return MMSYSERR_INVALHANDLE;
        if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
        if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
        HeaderStream::Piece piece;
        piece.data = reinterpret_cast<const unsigned char*>(header->lpData);
        piece.bytes = header->dwBufferLength;
        piece.flags = (header->dwFlags & WHDR_BEGINLOOP ? HeaderStream::kBeginLoop : 0) |
                      (header->dwFlags & WHDR_ENDLOOP ? HeaderStream::kEndLoop : 0);
        piece.loops = header->dwLoops;
        piece.owner = header;
        if (!m_stream->Push(piece)) return MMSYSERR_NOMEM;
        header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        EngineShared::BufferEntered();  // until it is done
        // A device holding its lead wakes the thread itself when a period has
        // played: a program writing a burst is not interrupted at each write.
        wake = m_written - m_played < m_lead->Target() * m_format.blockAlign;
    }
    if (wake) SetEvent(m_wake);
    return MMSYSERR_NOERROR;
}

MMRESULT EngineDevice::Reset() {
    MMRESULT r;
    {
        Lock lock(&m_lock);
        if (m_closed) return MMSYSERR_INVALHANDLE;
        m_stream->Reset();
        r = g_real.reset(m_hWave);  // the periods come back
        // A reset device plays again at the next write (Wine's does): no pace across it.
        m_paused = false;
        m_pauseSeen = true;
        m_lead->Hold(false);
        while (m_flightCount) {
            m_free[m_freeCount++] = m_inFlight[m_flightHead];
            m_flightHead = (m_flightHead + 1) % kMaxLead;
            --m_flightCount;
        }
        m_loopPeriod = nullptr;
        m_played = m_written = m_stream->Position();
        m_chain.Reset();  // the stream starts over: no tail of what was dropped
        // Every header is done when the call returns, as the program expects;
        // it hears so in write order, from here or from the thread telling
        // it something now (never two threads at once).
        MarkReturned();
    }
    Pump();
    SetEvent(m_wake);
    return r;
}

MMRESULT EngineDevice::BreakLoop() {
    Lock lock(&m_lock);
    if (m_closed) return MMSYSERR_INVALHANDLE;
    m_stream->BreakLoop();
    // A short loop is looped by the device itself (HeaderStream::ReadPeriod).
    if (!m_realClosed) g_real.breakLoop(m_hWave);
    return MMSYSERR_NOERROR;
}

MMRESULT EngineDevice::Pause(bool paused) {
    {
        Lock lock(&m_lock);
        if (m_closed) return MMSYSERR_INVALHANDLE;
        const MMRESULT r = paused ? g_real.pause(m_hWave) : g_real.restart(m_hWave);
        if (r != MMSYSERR_NOERROR) return r;
        m_paused = paused;
        m_pauseSeen = true;
        m_lead->Hold(paused);
    }
    if (!paused) SetEvent(m_wake);  // the lead it may take now
    return MMSYSERR_NOERROR;
}

bool EngineDevice::Closed() {
    Lock lock(&m_lock);
    return m_closed;
}

MMRESULT EngineDevice::BeginClose() {
    Lock lock(&m_lock);
    if (m_closed) return MMSYSERR_INVALHANDLE;
    if (m_stream->Queued() > m_marked) return WAVERR_STILLPLAYING;
    m_closed = m_stop = m_closePending = true;
    return MMSYSERR_NOERROR;
}

void EngineDevice::FinishClose() {
    // No wait for the thread: it may be inside the program's callback, waiting
    // for a lock this caller holds, or this may be DllMain. Once stopped it
    // never touches the device again, so the device closes now; WOM_CLOSE
    // comes after every WOM_DONE, from here or from the thread.
    CloseReal();
    Pump();
    SetEvent(m_wake);
}

DWORD WINAPI EngineDevice::Feed(LPVOID self) {
    EngineDevice* device = static_cast<EngineDevice*>(self);
    device->Run();
    device->Release();
    return 0;
}

void EngineDevice::Run() {
    DWORD wait = INFINITE;
    for (;;) {
        WaitForSingleObject(m_wake, wait);
        {
            Lock lock(&m_lock);
            if (!m_stop) Round();
            // No period comes back while the device loops a pass: the thread
            // looks each period, so a knob turn is heard within about 50 ms,
            // and the time between looks stays the feed's own lateness (the
            // lead grows on it), not the length of the loop.
            wait = LoopsOnDevice() && !m_stop ? kPeriodMs : INFINITE;
        }
        Pump();  // without the lock: the program may call back in
        Lock lock(&m_lock);
        if (m_stop && m_closeTold) return;
    }
}

void EngineDevice::Round() {
    // The real device hands the periods back in the order they were written.
    // A pause since the last look shows no pace.
    const bool fed = m_flightCount > 0 && !m_pauseSeen;
    m_pauseSeen = m_paused;
    const unsigned long long before = m_played;
    while (m_flightCount && (m_inFlight[m_flightHead]->header.dwFlags & WHDR_DONE)) {
        Period* p = m_inFlight[m_flightHead];
        m_flightHead = (m_flightHead + 1) % kMaxLead;
        --m_flightCount;
        if (p->end > m_played) m_played = p->end;
        if (p == m_loopPeriod) m_loopPeriod = nullptr;
        m_free[m_freeCount++] = p;
    }
    RefreshLoop();
    const DWORD block = m_format.blockAlign;
    m_lead->Observe((m_written - m_played) / block, m_stream->Ahead() / block, (m_played - before) / block, fed,
                    ClockSinceLastLook());
    // Inside a loop too long for the device to loop it, the lead holds a pass.
    m_lead->Loop(m_stream->LoopPass() / block);
    bool handed = false;
    while (m_lead->Wants((m_written - m_played) / block, m_stream->Ahead() / block, m_stream->LoopPass() / block)) {
        Period* p = FreePeriod();
        if (!p) break;
        DWORD bytes = 0;
        uint32_t loops = 0;
        auto read = [&] { bytes = m_stream->ReadPeriod(m_scratch, m_periodBytes, m_maxPeriodBytes, &loops); };
        // The program's buffers are its own: one it freed while queued ends the effects, not the program.
        if (!fault::FaultGuard::Call(read)) {
            m_free[m_freeCount++] = p;
            m_plain = true;
            m_stream->SkipPiece();
            continue;
        }
        if (!bytes) {
            m_free[m_freeCount++] = p;
            break;
        }
        // A pass the device loops itself is rendered as the effects hold it
        // once they have run through a period of passes, so that it joins
        // itself without a seam.
        if (loops)
            RenderLoop(reinterpret_cast<unsigned char*>(p->header.lpData), bytes);
        else
            Render(reinterpret_cast<unsigned char*>(p->header.lpData), bytes);
        p->header.dwBufferLength = bytes;
        p->header.dwFlags &= ~(WHDR_DONE | WHDR_BEGINLOOP | WHDR_ENDLOOP);
        if (loops) p->header.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
        p->header.dwLoops = loops;
        p->end = m_written = m_stream->Position();
        if (g_real.write(m_hWave, &p->header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            // The device refused it: count it played, so no header waits for good.
            m_free[m_freeCount++] = p;
            if (!m_flightCount) m_played = m_written;
            continue;
        }
        m_inFlight[(m_flightHead + m_flightCount) % kMaxLead] = p;
        ++m_flightCount;
        handed = true;
        if (loops && !m_loopState.Empty()) m_loopPeriod = p;
    }
    if (handed) HookTrace_Fed();
    // Nothing on the device: what was read is played (a device that refused).
    if (!m_flightCount) m_played = m_written;
}

bool EngineDevice::LoopsOnDevice() const {
    if (m_loopPeriod) return true;
    for (int i = 0; i < m_flightCount; ++i)
        if (m_inFlight[(m_flightHead + i) % kMaxLead]->header.dwFlags & WHDR_BEGINLOOP) return true;
    return false;
}

unsigned long long EngineDevice::ClockSinceLastLook() {
    // Counted from the device's start in frames of the clock, so that no
    // rounding is lost between looks.
    LARGE_INTEGER now;
    if (!m_clockHz.QuadPart || !QueryPerformanceCounter(&now)) return 0;
    const unsigned long long frames = static_cast<unsigned long long>(now.QuadPart - m_clockStart.QuadPart) *
                                      m_format.sampleRate / m_clockHz.QuadPart;
    const unsigned long long elapsed = frames - m_clockFrames;
    m_clockFrames = frames;
    return elapsed;
}

void EngineDevice::Render(unsigned char* to, DWORD bytes) {
    if (!m_plain) {
        fx::FxParams params;
        const bool hooked = EngineShared::HookedFlag();
        if (hooked) EngineShared::Snapshot(&params);
        auto process = [&] {
            X87Precision precision;  // the same arithmetic whatever the program set
            m_chain.Process(hooked ? params : g_paramsOff, m_scratch, to, bytes);
        };
        // A fault in our own processing costs the effects of this device, never the program.
        if (fault::FaultGuard::Call(process)) return;
        m_plain = true;
    }
    memcpy(to, m_scratch, bytes);
}

void EngineDevice::RenderLoop(unsigned char* to, DWORD bytes) {
    // The state before the pass is kept: a rendering again starts from there
    // (none kept, memory short: the pass is not rendered again).
    if (m_plain || !m_loopState.Save(m_chain)) m_loopState.Clear();
    memcpy(m_loopSource, m_scratch, bytes);
    m_loopBytes = bytes;
    m_loopSerial = EngineShared::ParamsSerial();
    m_loopHooked = EngineShared::HookedFlag();
    // Rendered as the effects hold it once they have run through a period
    // of passes, so that it joins itself without a seam.
    const DWORD renders = m_periodBytes / bytes + 1;
    for (DWORD i = 0; i < renders; ++i) Render(to, bytes);
}

void EngineDevice::RefreshLoop() {
    if (!m_loopPeriod || m_plain) return;
    DWORD bytes = 0;
    auto reread = [&] { bytes = m_stream->RereadLoop(m_scratch, m_maxPeriodBytes); };
    if (!fault::FaultGuard::Call(reread) || bytes != m_loopBytes) return;
    const bool turned = EngineShared::ParamsSerial() != m_loopSerial || EngineShared::HookedFlag() != m_loopHooked;
    if (!turned && memcmp(m_scratch, m_loopSource, bytes) == 0) return;
    // From the state before the pass, then back to where the periods after
    // it (already on the device) left the effects.
    if (!m_afterState.Save(m_chain)) return;
    m_loopState.Load(&m_chain);
    RenderLoop(m_loopRendered, bytes);
    m_afterState.Load(&m_chain);
    // The device takes the new pass from where it is in the old one.
    memcpy(m_loopPeriod->header.lpData, m_loopRendered, bytes);
}

void EngineDevice::MarkReturned() {
    for (size_t i = m_marked; i < m_stream->ReturnedCount(); ++i) {
        WAVEHDR* h = static_cast<WAVEHDR*>(m_stream->ReturnedAt(i));
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        EngineShared::BufferLeft();
    }
    m_marked = m_stream->ReturnedCount();
}

bool EngineDevice::TakeNotice(UINT* msg, WAVEHDR** header) {
    if (m_closeTold) return false;
    void* owner = nullptr;
    if (m_marked) {
        m_stream->NextReturned(&owner);
        --m_marked;
    } else if (m_stream->NextPlayed(m_played, &owner)) {
        // Marked done only now, just before the program hears of it.
        WAVEHDR* h = static_cast<WAVEHDR*>(owner);
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        EngineShared::BufferLeft();
    } else if (m_closePending) {
        m_closeTold = true;
        *msg = WOM_CLOSE;
        *header = nullptr;
        return true;
    } else {
        return false;
    }
    *msg = WOM_DONE;
    *header = static_cast<WAVEHDR*>(owner);
    return true;
}

void EngineDevice::Pump() {
    for (;;) {
        UINT msg;
        WAVEHDR* header;
        {
            Lock lock(&m_lock);
            // Another thread is telling the program something: it tells this too.
            if (m_notifier || !TakeNotice(&msg, &header)) return;
            m_notifier = GetCurrentThreadId();
        }
        Notify(msg, reinterpret_cast<DWORD_PTR>(header));
        Lock lock(&m_lock);
        m_notifier = 0;
    }
}

void EngineDevice::Notify(UINT msg, DWORD_PTR param) {
    // WOM_OPEN/CLOSE/DONE have the numbers of MM_WOM_OPEN/CLOSE/DONE.
    HWAVEOUT hwo = m_hWave;
    switch (m_callbackType) {
        case CALLBACK_FUNCTION:
            if (m_callback)
                reinterpret_cast<LPWAVECALLBACK>(m_callback)(reinterpret_cast<HDRVR>(hwo), msg, m_instance, param, 0);
            break;
        case CALLBACK_WINDOW:
            PostMessageA(reinterpret_cast<HWND>(m_callback), msg, reinterpret_cast<WPARAM>(hwo),
                         static_cast<LPARAM>(param));
            break;
        case CALLBACK_THREAD:
            PostThreadMessageA(static_cast<DWORD>(m_callback), msg, reinterpret_cast<WPARAM>(hwo),
                               static_cast<LPARAM>(param));
            break;
        case CALLBACK_EVENT: SetEvent(reinterpret_cast<HANDLE>(m_callback)); break;
        default: break;
    }
}

}  // namespace fxengine
