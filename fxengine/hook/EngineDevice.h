// One output device a program opened while the engine was there. The program
// keeps its own headers and buffers; the device plays the engine's copies,
// and each copy coming back done is reported as the program's header, the
// way the program asked to be told.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include "fx/FxChain.h"
#include "fx/FxFormat.h"

namespace fxengine {

class EngineDevice {
public:
    EngineDevice(DWORD callbackType, DWORD_PTR callback, DWORD_PTR instance);
    ~EngineDevice();
    EngineDevice(const EngineDevice&) = delete;
    EngineDevice& operator=(const EngineDevice&) = delete;

    // The effects take this format (false: leave the device alone).
    bool Accepts(const WAVEFORMATEX& format);
    // Opens the real device with the engine's notification in place of the program's.
    MMRESULT Open(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD flags);

    HWAVEOUT Handle() const { return m_hWave; }
    // Headers of the program that are prepared here.
    bool Owns(const WAVEHDR* header);

    MMRESULT Prepare(WAVEHDR* header, UINT size);
    MMRESULT Unprepare(WAVEHDR* header, UINT size);
    MMRESULT Write(WAVEHDR* header, UINT size);
    MMRESULT Reset();
    MMRESULT Close();

private:
    // The engine's header and buffer for one header of the program.
    struct Slot {
        Slot* next;
        WAVEHDR* program;
        WAVEHDR engine;
        DWORD capacity;
    };

    static void CALLBACK OnDevice(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);
    // Tells the program as it asked: function, window, thread or event.
    static void Notify(DWORD type, DWORD_PTR target, DWORD_PTR instance, HWAVEOUT hwo, UINT msg, DWORD_PTR param);
    Slot* Find(const WAVEHDR* header);
    void Render(const WAVEHDR& from, Slot* to, DWORD bytes);
    void FreeSlots();

    CRITICAL_SECTION m_lock;
    HWAVEOUT m_hWave = nullptr;
    DWORD m_callbackType;
    DWORD_PTR m_callback;
    DWORD_PTR m_instance;
    fx::FxFormat m_format = {};
    fx::FxChain m_chain;
    Slot* m_slots = nullptr;
};

}  // namespace fxengine
