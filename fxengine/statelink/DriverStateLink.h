// The engine host's line to the effects driver on Windows 2000, XP and 2003:
// opens its read-only state device, waits for each change on a thread of its
// own and hands every new state to a callback as (code, payload) messages.
// Kept, the line is opened again when the driver comes back (started late,
// restarted after an update), at growing intervals while it is away.
#pragma once

#include "framework/KernelHandle.h"
#include "fxengine/statelink/DriverStateParams.h"

#include <windows.h>

#include <functional>

class DriverStateLink {
public:
    // Runs on the link's thread: first with the state as it is, then at each
    // change. `consoleOpen`: a program holds the console's device. A kept
    // line that ends is told with no messages and `consoleOpen` false.
    using Callback = std::function<void(const DriverMessage* messages, size_t count, bool consoleOpen)>;
    enum Mode { kOnce, kKeep };
    // The intervals of a kept line while the driver is away: doubled from
    // the first up to the last.
    static constexpr DWORD kFirstRetryMs = 500;
    static constexpr DWORD kLastRetryMs = 30000;

    DriverStateLink() = default;
    ~DriverStateLink() { Stop(); }
    DriverStateLink(const DriverStateLink&) = delete;
    DriverStateLink& operator=(const DriverStateLink&) = delete;

    // kOnce: false when the driver is absent or stopped (nothing started
    // then), and the thread ends with the line. kKeep: the thread runs until
    // Stop whatever the driver does; false only when it could not start.
    bool Start(Callback callback, Mode mode = kOnce);
    // Ends the wait and the thread and returns once it has ended: no callback
    // runs after it. Harmless when not started.
    void Stop();
    // False once the thread has ended, asked to or because the driver went.
    bool Running() const;

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    bool Open();
    // Follows the open line until it ends; false when asked to stop.
    // *heard: a state came through it.
    bool Follow(bool* heard);

    FileHandle m_device;
    ObjectHandle m_stop;
    ObjectHandle m_thread;
    Callback m_callback;
    Mode m_mode = kOnce;
};
