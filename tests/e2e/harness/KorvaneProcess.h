// One started copy of Korvane.exe. Owns its process handle, so a failing
// test can end exactly this child and nothing else.
#pragma once

#include "ScopedHandle.h"

#include <windows.h>

#include <string>
#include <vector>

class KorvaneProcess {
public:
    KorvaneProcess() = default;
    KorvaneProcess(HANDLE process, DWORD pid) : m_process(process), m_pid(pid) {}
    ~KorvaneProcess();  // kills the child if it still runs
    KorvaneProcess(KorvaneProcess&&) noexcept = default;
    KorvaneProcess& operator=(KorvaneProcess&& other) noexcept;
    KorvaneProcess(const KorvaneProcess&) = delete;
    KorvaneProcess& operator=(const KorvaneProcess&) = delete;

    static KorvaneProcess Start(const std::string& exe, const std::string& workDir, std::string* error = nullptr);
    // count copies, all created before any of them runs, then let go at once.
    static std::vector<KorvaneProcess> StartTogether(const std::string& exe, const std::string& workDir, int count,
                                                     std::string* error = nullptr);

    bool Valid() const { return m_process.Valid(); }
    DWORD Pid() const { return m_pid; }
    HANDLE Handle() const { return m_process.Get(); }
    bool Running() const;
    // True when the process ended within the time.
    bool WaitForExit(DWORD timeoutMs);
    // Exit code once ended; STILL_ACTIVE while running.
    DWORD ExitCode() const;
    // TerminateProcess on our own handle, then waits for the end (bounded).
    void Kill();

private:
    ScopedHandle m_process;
    DWORD m_pid = 0;
};
