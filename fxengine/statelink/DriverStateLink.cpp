#include "fxengine/statelink/DriverStateLink.h"

bool DriverStateLink::Start(Callback callback, Mode mode) {
    Stop();
    if (!Open() && mode == kOnce) return false;
    m_stop = ObjectHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!m_stop.IsOpen()) {
        m_device.Close();
        return false;
    }
    m_callback = std::move(callback);
    m_mode = mode;
    DWORD id = 0;
    m_thread = ObjectHandle(CreateThread(nullptr, 0, ThreadMain, this, 0, &id));
    if (!m_thread.IsOpen()) {
        m_device.Close();
        m_stop.Close();
        return false;
    }
    return true;
}

void DriverStateLink::Stop() {
    if (m_thread.IsOpen()) {
        SetEvent(m_stop.Get());
        WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Close();
    }
    m_device.Close();
    m_stop.Close();
    m_callback = nullptr;
}

bool DriverStateLink::Running() const {
    return m_thread.IsOpen() && WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

bool DriverStateLink::Open() {
    // Overlapped: a wait must be cancellable by this thread's CancelIo (the
    // only cancel 2000 and XP offer), and a handle opened for synchronous use
    // cannot even be closed while a request on it waits.
    m_device = FileHandle(CreateFileA(FXDRV_STATE_PATH, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    return m_device.IsOpen();
}

DWORD WINAPI DriverStateLink::ThreadMain(void* self) {
    static_cast<DriverStateLink*>(self)->Run();
    return 0;
}

void DriverStateLink::Run() {
    DWORD retryMs = kFirstRetryMs;
    for (;;) {
        if (m_device.IsOpen()) {
            bool heard = false;
            if (!Follow(&heard)) return;
            m_device.Close();
            if (m_mode == kOnce) return;
            if (heard) {
                // The driver went: plain sound until it is back, soon looked for again.
                m_callback(nullptr, 0, false);
                retryMs = kFirstRetryMs;
            }
        }
        if (WaitForSingleObject(m_stop.Get(), retryMs) == WAIT_OBJECT_0) return;
        retryMs = retryMs < kLastRetryMs / 2 ? retryMs * 2 : kLastRetryMs;
        Open();
    }
}

bool DriverStateLink::Follow(bool* heard) {
    ObjectHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!done.IsOpen()) return true;
    uint32_t known = 0;  // the driver's serials start at 1: the first wait answers at once
    for (;;) {
        FxDriverState state{};
        OVERLAPPED ov{};
        ov.hEvent = done.Get();
        ResetEvent(done.Get());
        DWORD got = 0;
        BOOL ok = DeviceIoControl(m_device.Get(), FXDRV_IOCTL_WAIT_STATE, &known, sizeof known, &state, sizeof state,
                                  &got, &ov);
        if (!ok && GetLastError() == ERROR_IO_PENDING) {
            const HANDLE waits[2] = {m_stop.Get(), done.Get()};
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
                CancelIo(m_device.Get());
                GetOverlappedResult(m_device.Get(), &ov, &got, TRUE);  // the buffers are ours until it ends
                return false;
            }
            ok = GetOverlappedResult(m_device.Get(), &ov, &got, TRUE);
        }
        // Refused or cancelled (the driver stopped), or a driver of another
        // build: nothing more comes on this line.
        if (!ok || got != sizeof state || !DriverState_IsOurs(state)) return true;
        DriverMessage messages[FXDRV_CODE_COUNT];
        const size_t count = DriverState_Messages(state, messages, FXDRV_CODE_COUNT);
        known = state.serial;
        if (WaitForSingleObject(m_stop.Get(), 0) == WAIT_OBJECT_0) return false;
        m_callback(messages, count, state.consoleOpen != 0);
        *heard = true;
    }
}
