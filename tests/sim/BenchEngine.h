// What the engine's benches share: processor time, a child process's output,
// and the wave hook library brought in as a console's hook call brings it,
// with the levels set as the console sends them.
#pragma once

#include <windows.h>

#include <stdio.h>

#include <functional>
#include <string>

#include "engine/ControlCodes.h"
#include "tests/common/CaptureFile.h"
#include "tests/common/FloatBits.h"

namespace bench {

inline double CpuSeconds(const FILETIME& kernel, const FILETIME& user) {
    const auto ticks = [](const FILETIME& f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

inline double ProcessSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return CpuSeconds(kernel, user);
}

inline double ThreadSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    return CpuSeconds(kernel, user);
}

// The console's messages with every effect on, each level at `level` (0 to
// 1: the knobs' 0 to 11), headphones off; `send(code, bits)` takes each.
template <class Send>
void SendLevels(Send send, float level) {
    send(IOCTL_HEADPHONES_ENABLE, 0);
    send(IOCTL_3D_ENABLE, 1);
    send(IOCTL_3D_LEVEL, Bits(level));
    send(IOCTL_3D_LEVEL_SCALED, Bits(level * 0.125f));
    for (DWORD code : {IOCTL_VIBE_LEVEL_2, IOCTL_VIBE_LEVEL_3, IOCTL_VIBE_LEVEL_1}) send(code, Bits(level));
    send(IOCTL_SOUNDFIELDS_LEVEL, Bits(level));
    send(IOCTL_VIBE_ENABLE, 1);
    send(IOCTL_SOUNDFIELDS_ENABLE, 1);
}

// Runs `command` with its output on a pipe until it ends (ten minutes at
// most): what it wrote, or false when it did not start or failed. `ready`,
// when given, runs at the child's first line and then the child reads "go"
// on its input.
inline bool ChildOutput(std::string command, std::string* out, const std::function<void()>& ready = nullptr) {
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr, goRead = nullptr, goWrite = nullptr;
    if (!CreatePipe(&read, &write, &sa, 0)) return false;
    if (!CreatePipe(&goRead, &goWrite, &sa, 0)) {
        CloseHandle(read);
        CloseHandle(write);
        return false;
    }
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(goWrite, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = goRead;
    si.hStdOutput = write;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    const bool started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write);
    CloseHandle(goRead);
    char buffer[64];
    DWORD n = 0;
    bool told = !ready;
    while (started && ReadFile(read, buffer, sizeof(buffer), &n, nullptr) && n) {
        out->append(buffer, n);
        const size_t line = out->find('\n');  // in text mode with a CR
        if (!told && line != std::string::npos) {
            out->erase(0, line + 1);
            ready();
            DWORD written = 0;
            WriteFile(goWrite, "go\n", 3, &written, nullptr);
            told = true;
        }
    }
    CloseHandle(goWrite);
    CloseHandle(read);
    if (!started) return false;
    DWORD code = 1;
    if (WaitForSingleObject(pi.hProcess, 600000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return told && code == 0;
}

class HookLibrary {
public:
    using VoidFn = DWORD(WINAPI*)();
    using IoCtlFn = DWORD(WINAPI*)(DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD);

    // `unixPath`: the library's path on the Linux side; `who` names the bench in messages.
    HookLibrary(const char* unixPath, const char* who) {
        const std::string path = WindowsPath(unixPath);
        HMODULE hook = LoadLibraryA(path.c_str());
        // Through a plain function pointer: FARPROC is no type of theirs.
        const auto entry = [hook](const char* name) {
            return reinterpret_cast<void (*)()>(GetProcAddress(hook, name));
        };
        if (hook) {
            set = reinterpret_cast<VoidFn>(entry("QuorWav9xHook"));
            unset = reinterpret_cast<VoidFn>(entry("QuorWav9xUnHook"));
            ioctl = reinterpret_cast<IoCtlFn>(entry("QuorWav9xIoCtl"));
        }
        if (!Ready()) fprintf(stderr, "%s: no wave hook library at %s\n", who, path.c_str());
    }
    bool Ready() const { return set && unset && ioctl; }

    void Levels(float level) const {
        SendLevels(
            [this](DWORD code, DWORD bits) {
                DWORD returned = 0;
                ioctl(code, &bits, 4, nullptr, 0, &returned);
            },
            level);
    }

    VoidFn set = nullptr, unset = nullptr;
    IoCtlFn ioctl = nullptr;
};

}  // namespace bench
