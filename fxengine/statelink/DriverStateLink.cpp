#include "fxengine/statelink/DriverStateLink.h"

bool DriverStateLink::Start(Callback callback) {
    Stop();
    // Overlapped: a wait must be cancellable by this thread's CancelIo (the
    // only cancel 2000 and XP offer), and a handle opened for synchronous use
    // cannot even be closed while a request on it waits.
    m_device = FileHandle(CreateFileA(FXDRV_STATE_PATH, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!m_device.IsOpen()) return false;
    m_stop = ObjectHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!m_stop.IsOpen()) {
        m_device.Close();
        return false;
    }
    m_callback = std::move(callback);
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

DWORD WINAPI DriverStateLink::ThreadMain(void* self) {
    static_cast<DriverStateLink*>(self)->Run();
    return 0;
}

void DriverStateLink::Run() {
    ObjectHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!done.IsOpen()) return;
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
                return;
            }
            ok = GetOverlappedResult(m_device.Get(), &ov, &got, TRUE);
        }
        // Refused or cancelled (the driver stopped), or a driver of another
        // build: nothing more will come.
        if (!ok || got != sizeof state || !DriverState_IsOurs(state)) return;
        DriverMessage messages[FXDRV_CODE_COUNT];
        const size_t count = DriverState_Messages(state, messages, FXDRV_CODE_COUNT);
        known = state.serial;
        if (WaitForSingleObject(m_stop.Get(), 0) == WAIT_OBJECT_0) return;
        m_callback(messages, count, state.consoleOpen != 0);
    }
}
