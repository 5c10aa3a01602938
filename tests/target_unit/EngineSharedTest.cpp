// Which processes the shared engine state counts as alive: a process is its
// id and its start, since ids come round again (Wine hands them out anew
// after a few hundred processes and threads, and a console killed with the
// hooks set left its id behind: a later process under it kept the engine
// from setting hooks at all).
#include <windows.h>

#include <gtest/gtest.h>

#include "fxengine/hook/EngineShared.h"

namespace {

using fxengine::EngineShared;

TEST(EngineShared, AProcessIsAliveOnlyUnderTheStartItHadAndUntilItEnds) {
    // A second process: this program, held before its first instruction.
    char exe[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(nullptr, exe, sizeof(exe)));
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(exe, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi));
    const DWORD pids[] = {GetCurrentProcessId(), pi.dwProcessId};
    for (DWORD pid : pids) {
        const LONG start = EngineShared::StartOf(pid);
        EXPECT_NE(start, 0) << pid;
        EXPECT_TRUE(EngineShared::ProcessAlive(pid, start)) << pid;
        EXPECT_TRUE(EngineShared::ProcessAlive(pid, 0)) << pid << ": a start not known is any process";
        EXPECT_FALSE(EngineShared::ProcessAlive(pid, start ^ 2)) << pid << ": another process under the same id";
    }
    const LONG childStart = EngineShared::StartOf(pi.dwProcessId);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, INFINITE);
    EXPECT_FALSE(EngineShared::ProcessAlive(pi.dwProcessId, childStart));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace
