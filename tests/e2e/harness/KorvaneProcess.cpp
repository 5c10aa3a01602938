#include "KorvaneProcess.h"

#include <vector>

namespace {

HANDLE ChildJob() {
    // Lives as long as the test process; closing it (at exit, however the
    // process ends) kills every child in it.
    static HANDLE job = [] {
        HANDLE h = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (h) SetInformationJobObject(h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return h;
    }();
    return job;
}

}  // namespace

KorvaneProcess::~KorvaneProcess() {
    Kill();
}

KorvaneProcess& KorvaneProcess::operator=(KorvaneProcess&& other) noexcept {
    if (this != &other) {
        Kill();
        m_pid = other.m_pid;
        m_process = std::move(other.m_process);
    }
    return *this;
}

// If the test program itself is killed (CTest's timeout), the job ends the
// copies it started, so they cannot disturb the next test.
KorvaneProcess KorvaneProcess::Start(const std::string& exe, const std::string& workDir, std::string* error) {
    std::vector<KorvaneProcess> one = StartTogether(exe, workDir, 1, error);
    return one.empty() ? KorvaneProcess() : std::move(one.front());
}

std::vector<KorvaneProcess> KorvaneProcess::StartTogether(const std::string& exe, const std::string& workDir, int count,
                                                          std::string* error) {
    std::vector<KorvaneProcess> started;
    std::vector<HANDLE> threads;
    for (int i = 0; i < count; ++i) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string cmd = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                            workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
            if (error) *error = "CreateProcess " + exe + " failed, error " + std::to_string(GetLastError());
            break;
        }
        AssignProcessToJobObject(ChildJob(), pi.hProcess);
        started.emplace_back(pi.hProcess, pi.dwProcessId);
        threads.push_back(pi.hThread);
    }
    for (HANDLE t : threads) ResumeThread(t);
    for (HANDLE t : threads) CloseHandle(t);
    return started;
}

bool KorvaneProcess::Running() const {
    return Valid() && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

bool KorvaneProcess::WaitForExit(DWORD timeoutMs) {
    if (!Valid()) return true;
    const DWORD start = GetTickCount();
    // Wait in short slices and pump our own queue in between, in case the
    // child sends to a window of ours on its way out.
    for (;;) {
        if (WaitForSingleObject(m_process.Get(), 50) == WAIT_OBJECT_0) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

DWORD KorvaneProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (Valid()) GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

void KorvaneProcess::Kill() {
    if (!Running()) return;
    TerminateProcess(m_process.Get(), 0xDEAD);
    WaitForSingleObject(m_process.Get(), 10000);
}
