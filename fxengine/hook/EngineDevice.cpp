#include "EngineDevice.h"

#include <string.h>
#include <new>

#include "EngineShared.h"
#include "RealWaveOut.h"
#include "fault/FaultGuard.h"
#include "fxengine/hook/X87Precision.h"
#include "fxengine/stream/WaveFormat.h"

namespace fxengine {

namespace {

// The parameters a device plays with once the hook is gone: everything off,
// so the effects glide out and the sound becomes the program's own again.
const fx::FxParams& ParamsOff() {
    static const fx::FxParams off = [] {
        fx::FxParams p;
        fx::FxParams_Reset(&p);
        return p;
    }();
    return off;
}

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
    m_stream = new (std::nothrow) HeaderStream(m_format.blockAlign);
    m_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_periodBytes = PeriodFrames(m_format.sampleRate) * m_format.blockAlign;
    m_memory = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, m_periodBytes * (kPeriods + 1)));
    if (!m_stream || !m_wake || !m_memory) return MMSYSERR_NOMEM;
    m_scratch = m_memory + m_periodBytes * kPeriods;

    const DWORD ours = (flags & ~CALLBACK_TYPEMASK) | CALLBACK_EVENT;
    const MMRESULT r = g_real.open(handle, deviceId, format, reinterpret_cast<DWORD_PTR>(m_wake), 0, ours);
    if (r != MMSYSERR_NOERROR) return r;
    m_hWave = *handle;
    for (int i = 0; i < kPeriods; ++i) {
        WAVEHDR& h = m_periods[i].header;
        h.lpData = reinterpret_cast<LPSTR>(m_memory + m_periodBytes * i);
        h.dwBufferLength = m_periodBytes;
        if (g_real.prepare(m_hWave, &h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            CloseReal();
            return MMSYSERR_NOMEM;
        }
    }
    return MMSYSERR_NOERROR;
}

bool EngineDevice::Start() {
    AddRef();  // the thread's
    m_thread = CreateThread(nullptr, 0, &EngineDevice::Feed, this, 0, &m_threadId);
    // It keeps the device fed a few tens of milliseconds ahead: it must not wait behind the program's work.
    if (m_thread) SetThreadPriority(m_thread, THREAD_PRIORITY_TIME_CRITICAL);
    if (m_thread) return true;
    Release();
    return false;
}

void EngineDevice::Opened() {
    Notify(WOM_OPEN, 0);
}

void EngineDevice::Abandon() {
    {
        Lock lock(&m_lock);
        m_stop = m_closed = true;
    }
    if (m_thread) {
        SetEvent(m_wake);
        WaitForSingleObject(m_thread, INFINITE);
    }
    CloseReal();
}

void EngineDevice::FreePeriods() {
    if (m_memory) HeapFree(GetProcessHeap(), 0, m_memory);
    m_memory = nullptr;
}

void EngineDevice::CloseReal() {
    if (!m_hWave || m_realClosed) return;
    m_realClosed = true;
    g_real.reset(m_hWave);
    for (Period& p : m_periods)
        if (p.header.dwFlags & WHDR_PREPARED) g_real.unprepare(m_hWave, &p.header, sizeof(WAVEHDR));
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
    }
    SetEvent(m_wake);
    return MMSYSERR_NOERROR;
}

MMRESULT EngineDevice::Reset() {
    WAVEHDR* done[kBatch];
    int n;
    MMRESULT r;
    {
        Lock lock(&m_lock);
        if (m_closed) return MMSYSERR_INVALHANDLE;
        m_stream->Reset();
        r = g_real.reset(m_hWave);  // the periods come back
        for (Period& p : m_periods) p.queued = false;
        m_inFlight = 0;
        m_nextBack = m_nextFree;
        m_played = m_stream->Position();
        m_chain.Reset();  // the stream starts over: no tail of what was dropped
        n = TakeDone(false, done);
    }
    // Every header is done when the call returns, as the program expects.
    while (n > 0) {
        Tell(done, n);
        Lock lock(&m_lock);
        n = TakeDone(false, done);
    }
    return r;
}

MMRESULT EngineDevice::BreakLoop() {
    Lock lock(&m_lock);
    if (m_closed) return MMSYSERR_INVALHANDLE;
    m_stream->BreakLoop();
    return MMSYSERR_NOERROR;
}

MMRESULT EngineDevice::Close() {
    {
        Lock lock(&m_lock);
        if (m_closed) return MMSYSERR_INVALHANDLE;
        if (m_stream->Queued()) return WAVERR_STILLPLAYING;
        m_closed = m_stop = true;
    }
    SetEvent(m_wake);
    // Closed from a notification, the thread is this one: it ends when the program returns to it.
    if (GetCurrentThreadId() != m_threadId) WaitForSingleObject(m_thread, INFINITE);
    CloseReal();
    Notify(WOM_CLOSE, 0);
    return MMSYSERR_NOERROR;
}

DWORD WINAPI EngineDevice::Feed(LPVOID self) {
    EngineDevice* device = static_cast<EngineDevice*>(self);
    device->Run();
    device->Release();
    return 0;
}

void EngineDevice::Run() {
    WAVEHDR* done[kBatch];
    for (;;) {
        WaitForSingleObject(m_wake, INFINITE);
        for (;;) {
            int n;
            {
                Lock lock(&m_lock);
                if (m_stop) return;
                n = Round(done);
            }
            if (!n) break;
            Tell(done, n);  // without the lock: the program may call back in
        }
    }
}

int EngineDevice::Round(WAVEHDR** done) {
    // The real device hands the periods back in the order they were written.
    while (m_inFlight > 0 && (m_periods[m_nextBack].header.dwFlags & WHDR_DONE)) {
        m_periods[m_nextBack].queued = false;
        m_played = m_periods[m_nextBack].end;
        m_nextBack = (m_nextBack + 1) % kPeriods;
        --m_inFlight;
    }
    while (m_inFlight < kPeriods && !m_stream->Empty()) {
        DWORD bytes = 0;
        auto read = [&] { bytes = m_stream->Read(m_scratch, m_periodBytes); };
        // The program's buffers are its own: one it freed while queued ends the effects, not the program.
        if (!fault::FaultGuard::Call(read)) {
            m_plain = true;
            m_stream->SkipPiece();
            continue;
        }
        if (!bytes) break;
        Period& p = m_periods[m_nextFree];
        Render(reinterpret_cast<unsigned char*>(p.header.lpData), bytes);
        p.header.dwBufferLength = bytes;
        p.header.dwFlags &= ~WHDR_DONE;
        p.end = m_stream->Position();
        if (g_real.write(m_hWave, &p.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            m_played = p.end;  // the device refused it: count it played, so no header waits for good
            continue;
        }
        p.queued = true;
        m_nextFree = (m_nextFree + 1) % kPeriods;
        ++m_inFlight;
    }
    return TakeDone(true, done);
}

void EngineDevice::Render(unsigned char* to, DWORD bytes) {
    if (!m_plain) {
        fx::FxParams params;
        const bool hooked = EngineShared::HookedFlag();
        if (hooked) EngineShared::Snapshot(&params);
        auto process = [&] {
            X87Precision precision;  // the same arithmetic whatever the program set
            m_chain.Process(hooked ? params : ParamsOff(), m_scratch, to, bytes);
        };
        // A fault in our own processing costs the effects of this device, never the program.
        if (fault::FaultGuard::Call(process)) return;
        m_plain = true;
    }
    memcpy(to, m_scratch, bytes);
}

int EngineDevice::TakeDone(bool played, WAVEHDR** done) {
    int n = 0;
    void* owner = nullptr;
    while (n < kBatch && (played ? m_stream->NextPlayed(m_played, &owner) : m_stream->NextReturned(&owner))) {
        WAVEHDR* h = static_cast<WAVEHDR*>(owner);
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        EngineShared::BufferLeft();
        done[n++] = h;
    }
    return n;
}

void EngineDevice::Tell(WAVEHDR** done, int count) {
    for (int i = 0; i < count; ++i) Notify(WOM_DONE, reinterpret_cast<DWORD_PTR>(done[i]));
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
