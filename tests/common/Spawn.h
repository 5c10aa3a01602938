// Starts a program as a plain process: no handles inherited, the thread's
// handle let go at once. The process's handle, not open when it did not start.
#pragma once

#include <windows.h>

#include <string>

#include "framework/KernelHandle.h"

// `exe` null: the command line's first word.
inline ObjectHandle Spawn(const char* exe, std::string commandLine, const char* dir = nullptr, DWORD* pid = nullptr) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi))
        return ObjectHandle();
    CloseHandle(pi.hThread);
    if (pid) *pid = pi.dwProcessId;
    return ObjectHandle(pi.hProcess);
}
