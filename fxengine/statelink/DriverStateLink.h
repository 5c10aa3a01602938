// The engine host's line to the effects driver on Windows 2000, XP and 2003:
// opens its read-only state device, waits for each change on a thread of its
// own and hands every new state to a callback as (code, payload) messages.
#pragma once

#include "framework/KernelHandle.h"
#include "fxengine/statelink/DriverStateParams.h"

#include <windows.h>

#include <functional>

class DriverStateLink {
public:
    // Runs on the link's thread: first with the state as it is, then at each
    // change. `consoleOpen`: a program holds the console's device.
    using Callback = std::function<void(const DriverMessage* messages, size_t count, bool consoleOpen)>;

    DriverStateLink() = default;
    ~DriverStateLink() { Stop(); }
    DriverStateLink(const DriverStateLink&) = delete;
    DriverStateLink& operator=(const DriverStateLink&) = delete;

    // False when the driver is absent or stopped (nothing started then).
    bool Start(Callback callback);
    // Ends the wait and the thread and returns once it has ended: no callback
    // runs after it. Harmless when not started.
    void Stop();
    // False once the thread has ended, asked to or because the driver went.
    bool Running() const;

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    FileHandle m_device;
    ObjectHandle m_stop;
    ObjectHandle m_thread;
    Callback m_callback;
};
