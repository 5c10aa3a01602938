#include "EngineDevice.h"

#include <string.h>

#include "EngineShared.h"
#include "RealWaveOut.h"
#include "fxengine/hook/X87Precision.h"

namespace fxengine {

namespace {

constexpr DWORD kLoopFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;

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
    FreeSlots();
    DeleteCriticalSection(&m_lock);
}

bool EngineDevice::Accepts(const WAVEFORMATEX& format) {
    m_format.formatTag = format.wFormatTag;
    m_format.channels = format.nChannels;
    m_format.sampleRate = format.nSamplesPerSec;
    m_format.bitsPerSample = format.wBitsPerSample;
    m_format.blockAlign = format.nBlockAlign;
    return m_format.blockAlign != 0 && m_chain.Open(m_format);
}

MMRESULT EngineDevice::Open(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD flags) {
    const DWORD ours = (flags & ~CALLBACK_TYPEMASK) | CALLBACK_FUNCTION;
    const MMRESULT r = g_real.open(handle, deviceId, format, reinterpret_cast<DWORD_PTR>(&EngineDevice::OnDevice),
                                   reinterpret_cast<DWORD_PTR>(this), ours);
    if (r == MMSYSERR_NOERROR) m_hWave = *handle;
    return r;
}

bool EngineDevice::Owns(const WAVEHDR* header) {
    Lock lock(&m_lock);
    return Find(header) != nullptr;
}

EngineDevice::Slot* EngineDevice::Find(const WAVEHDR* header) {
    for (Slot* s = m_slots; s; s = s->next)
        if (s->program == header) return s;
    return nullptr;
}

MMRESULT EngineDevice::Prepare(WAVEHDR* header, UINT size) {
    if (!header || size < sizeof(WAVEHDR) || !header->lpData) return MMSYSERR_INVALPARAM;
    Lock lock(&m_lock);
    if (Find(header)) return MMSYSERR_NOERROR;  // prepared already
    // The copy is made here, once per header, so writing never allocates.
    const DWORD capacity = header->dwBufferLength;
    BYTE* memory = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Slot) + capacity + 1));
    if (!memory) return MMSYSERR_NOMEM;
    Slot* slot = reinterpret_cast<Slot*>(memory);
    slot->program = header;
    slot->capacity = capacity;
    slot->engine.lpData = reinterpret_cast<LPSTR>(memory + sizeof(Slot));
    slot->engine.dwBufferLength = capacity;
    slot->engine.dwUser = reinterpret_cast<DWORD_PTR>(slot);
    const MMRESULT r = g_real.prepare(m_hWave, &slot->engine, sizeof(WAVEHDR));
    if (r != MMSYSERR_NOERROR) {
        HeapFree(GetProcessHeap(), 0, memory);
        return r;
    }
    slot->next = m_slots;
    m_slots = slot;
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT EngineDevice::Unprepare(WAVEHDR* header, UINT size) {
    if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    Lock lock(&m_lock);
    for (Slot** link = &m_slots; *link; link = &(*link)->next) {
        Slot* slot = *link;
        if (slot->program != header) continue;
        const MMRESULT r = g_real.unprepare(m_hWave, &slot->engine, sizeof(WAVEHDR));
        if (r != MMSYSERR_NOERROR) return r;
        *link = slot->next;
        HeapFree(GetProcessHeap(), 0, slot);
        break;
    }
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT EngineDevice::Write(WAVEHDR* header, UINT size) {
    if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    Lock lock(&m_lock);
    Slot* slot = Find(header);
    if (!slot) return WAVERR_UNPREPARED;
    // More than was prepared would not fit the copy; the device never plays more anyway.
    const DWORD bytes = header->dwBufferLength < slot->capacity ? header->dwBufferLength : slot->capacity;
    EngineShared::BufferEntered();  // until the device gives the copy back
    Render(*header, slot, bytes);
    slot->engine.dwBufferLength = bytes;
    slot->engine.dwFlags = (slot->engine.dwFlags & ~(kLoopFlags | WHDR_DONE)) | (header->dwFlags & kLoopFlags);
    slot->engine.dwLoops = header->dwLoops;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    const MMRESULT r = g_real.write(m_hWave, &slot->engine, sizeof(WAVEHDR));
    if (r != MMSYSERR_NOERROR) {
        header->dwFlags &= ~WHDR_INQUEUE;
        EngineShared::BufferLeft();
    }
    return r;
}

void EngineDevice::Render(const WAVEHDR& from, Slot* to, DWORD bytes) {
    const DWORD whole = bytes - bytes % m_format.blockAlign;
    fx::FxParams params;
    const bool hooked = EngineShared::HookedFlag();
    if (hooked) EngineShared::Snapshot(&params);
    {
        X87Precision precision;  // the same arithmetic whatever the program set
        m_chain.Process(hooked ? params : ParamsOff(), from.lpData, to->engine.lpData, whole);
    }
    if (whole < bytes) memcpy(to->engine.lpData + whole, from.lpData + whole, bytes - whole);
}

MMRESULT EngineDevice::Reset() {
    {
        Lock lock(&m_lock);
        m_chain.Reset();  // the stream starts over: no tail of what was dropped
    }
    return g_real.reset(m_hWave);
}

MMRESULT EngineDevice::Close() {
    return g_real.close(m_hWave);
}

void EngineDevice::FreeSlots() {
    while (m_slots) {
        Slot* next = m_slots->next;
        HeapFree(GetProcessHeap(), 0, m_slots);
        m_slots = next;
    }
}

void CALLBACK EngineDevice::OnDevice(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    EngineDevice* device = reinterpret_cast<EngineDevice*>(instance);
    // Read what is needed before the program hears of it: once its header is
    // done it may unprepare, close and so free this device.
    const DWORD type = device->m_callbackType;
    const DWORD_PTR target = device->m_callback, programInstance = device->m_instance;
    DWORD_PTR param = param1;
    if (msg == WOM_DONE) {
        WAVEHDR* engine = reinterpret_cast<WAVEHDR*>(param1);
        WAVEHDR* program = reinterpret_cast<Slot*>(engine->dwUser)->program;
        program->dwFlags = (program->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        param = reinterpret_cast<DWORD_PTR>(program);
        EngineShared::BufferLeft();
    }
    Notify(type, target, programInstance, hwo, msg, param);
}

void EngineDevice::Notify(DWORD type, DWORD_PTR target, DWORD_PTR instance, HWAVEOUT hwo, UINT msg, DWORD_PTR param) {
    // WOM_OPEN/CLOSE/DONE have the numbers of MM_WOM_OPEN/CLOSE/DONE.
    switch (type) {
        case CALLBACK_FUNCTION:
            if (target) reinterpret_cast<LPWAVECALLBACK>(target)(reinterpret_cast<HDRVR>(hwo), msg, instance, param, 0);
            break;
        case CALLBACK_WINDOW:
            PostMessageA(reinterpret_cast<HWND>(target), msg, reinterpret_cast<WPARAM>(hwo),
                         static_cast<LPARAM>(param));
            break;
        case CALLBACK_THREAD:
            PostThreadMessageA(static_cast<DWORD>(target), msg, reinterpret_cast<WPARAM>(hwo),
                               static_cast<LPARAM>(param));
            break;
        case CALLBACK_EVENT: SetEvent(reinterpret_cast<HANDLE>(target)); break;
        default: break;
    }
}

}  // namespace fxengine
