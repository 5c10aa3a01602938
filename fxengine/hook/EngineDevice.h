// One output device a program opened while the engine was there. The program
// keeps its own headers and buffers, which are never written: a thread of the
// device's own reads the queued buffers as one stream a lead ahead of the
// real device (FeedLead), runs the effects into the engine's own buffers and
// plays those; each program header is reported done, the way the program
// asked, once its audio has played. The program is told things by one thread
// at a time (whichever holds the notifier's role), in write order, WOM_CLOSE
// last. Nothing waits for the thread. Reference counted: the table of open
// devices holds one reference, each call inside it and the thread one.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include "fx/ChainState.h"
#include "fx/FxChain.h"
#include "fx/FxFormat.h"
#include "fxengine/stream/FeedLead.h"
#include "fxengine/stream/HeaderStream.h"
#include "fxengine/stream/Period.h"

namespace fxengine {

class EngineDevice {
public:
    EngineDevice(DWORD callbackType, DWORD_PTR callback, DWORD_PTR instance);
    EngineDevice(const EngineDevice&) = delete;
    EngineDevice& operator=(const EngineDevice&) = delete;

    void AddRef();
    void Release();  // the last one deletes

    // The effects take this format (false: leave the device alone).
    bool Accepts(LPCWAVEFORMATEX format);
    // Opens the real device, notifying the engine's thread instead of the
    // program, with the engine's buffers prepared on it.
    MMRESULT Open(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD flags);
    // Starts the thread; false when it could not (then Abandon the device).
    bool Start();
    // Tells the program its device is open (once the device is in the engine's table).
    void Opened();
    // Closes the real device of one that never reached the program.
    void Abandon();

    HWAVEOUT Handle() const { return m_hWave; }
    // Closed by the program (its handle may be the system's again).
    bool Closed();

    MMRESULT Prepare(WAVEHDR* header, UINT size);
    MMRESULT Unprepare(WAVEHDR* header, UINT size);
    MMRESULT Write(WAVEHDR* header, UINT size);
    MMRESULT Reset();
    MMRESULT BreakLoop();
    // waveOutPause (true) and waveOutRestart (false), passed on: a paused
    // device plays nothing, so the feed neither measures its pace nor hands
    // it the long lead of a device whose pace is not yet known.
    MMRESULT Pause(bool paused);
    // Takes the device from the program (fails while headers are queued);
    // then FinishClose closes the real device and tells the program.
    MMRESULT BeginClose();
    void FinishClose();

private:
    struct Period {
        WAVEHDR header;
        unsigned long long end;  // stream position after it
    };

    ~EngineDevice();
    static DWORD WINAPI Feed(LPVOID self);
    void Run();
    // Under the lock: takes back the periods the device has played and keeps
    // the lead on it.
    void Round();
    Period* FreePeriod();
    void Render(unsigned char* to, DWORD bytes);
    // Under the lock: a period the device loops itself is on it.
    bool LoopsOnDevice() const;
    // Frames of the clock (at the device's rate) since the last call.
    unsigned long long ClockSinceLastLook();
    // Renders a pass the device loops itself as the effects hold it after a
    // period of passes, from the state before it.
    void RenderLoop(unsigned char* to, DWORD bytes);
    // Under the lock: while the device loops a pass, a knob turn or a rewrite
    // of the looped buffers renders it again, in place.
    void RefreshLoop();
    // Under the lock: marks every header handed back done (a reset).
    void MarkReturned();
    // Under the lock: the next thing to tell the program, if any.
    bool TakeNotice(UINT* msg, WAVEHDR** header);
    // Tells the program all there is to tell unless another thread is at it
    // (which then tells it too).
    void Pump();
    void FreePeriods();
    void CloseReal();
    // Tells the program as it asked: function, window, thread or event.
    void Notify(UINT msg, DWORD_PTR param);

    volatile LONG m_refs = 1;
    CRITICAL_SECTION m_lock;
    HWAVEOUT m_hWave = nullptr;
    const DWORD m_callbackType;
    const DWORD_PTR m_callback;
    const DWORD_PTR m_instance;
    fx::FxFormat m_format = {};
    fx::FxChain m_chain;
    HeaderStream* m_stream = nullptr;
    FeedLead* m_lead = nullptr;
    HANDLE m_wake = nullptr;  // the real device's event, and the program's calls
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
    DWORD m_notifier = 0;  // the thread telling the program something
    bool m_stop = false, m_closed = false, m_realClosed = false;
    bool m_closePending = false, m_closeTold = false;
    bool m_plain = false;                        // our processing faulted once: pass the sound through
    bool m_paused = false, m_pauseSeen = false;  // paused by the program; since the last look
    Period* m_all[kMaxLead] = {};                // every period made, prepared on the device
    Period* m_free[kMaxLead] = {};               // those not on the device
    Period* m_inFlight[kMaxLead] = {};           // those on it, oldest first
    int m_allCount = 0, m_freeCount = 0, m_flightHead = 0, m_flightCount = 0;
    size_t m_marked = 0;  // headers handed back by a reset, marked done, not yet told
    DWORD m_periodBytes = 0, m_maxPeriodBytes = 0;
    unsigned char* m_scratch = nullptr;
    unsigned long long m_played = 0, m_written = 0;
    LARGE_INTEGER m_clockHz = {}, m_clockStart = {};
    unsigned long long m_clockFrames = 0;
    // The pass the device loops itself, while it does: its source as last
    // rendered, the parameters then, and the effects' state before it.
    Period* m_loopPeriod = nullptr;
    unsigned char* m_loopSource = nullptr;
    unsigned char* m_loopRendered = nullptr;
    DWORD m_loopBytes = 0;
    LONG m_loopSerial = 0;
    bool m_loopHooked = false;
    fx::ChainState m_loopState, m_afterState;
};

}  // namespace fxengine
