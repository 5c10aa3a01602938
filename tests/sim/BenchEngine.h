// What the engine's benches share: this process's processor time, and the
// wave hook library brought in as a console's hook call brings it, with the
// levels set as the console sends them.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "engine/ControlCodes.h"
#include "tests/common/FloatBits.h"

namespace bench {

inline double ProcessSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

class HookLibrary {
public:
    using VoidFn = DWORD(WINAPI*)();
    using IoCtlFn = DWORD(WINAPI*)(DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD);

    // `unixPath`: the library's path on the Linux side; `who` names the bench in messages.
    HookLibrary(const char* unixPath, const char* who) {
        std::string path = std::string("Z:") + unixPath;
        for (char& c : path)
            if (c == '/') c = '\\';
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

    // Every effect on, each level at `level` (0 or 1, the knobs' 0 and 11), headphones off.
    void Levels(float level) const {
        Send(IOCTL_HEADPHONES_ENABLE, 0);
        Send(IOCTL_3D_ENABLE, 1);
        SendFloat(IOCTL_3D_LEVEL, level);
        SendFloat(IOCTL_3D_LEVEL_SCALED, level * 0.125f);
        for (DWORD code : {IOCTL_VIBE_LEVEL_2, IOCTL_VIBE_LEVEL_3, IOCTL_VIBE_LEVEL_1}) SendFloat(code, level);
        SendFloat(IOCTL_SOUNDFIELDS_LEVEL, level);
        Send(IOCTL_VIBE_ENABLE, 1);
        Send(IOCTL_SOUNDFIELDS_ENABLE, 1);
    }

    VoidFn set = nullptr, unset = nullptr;
    IoCtlFn ioctl = nullptr;

private:
    void Send(DWORD code, DWORD bits) const {
        DWORD returned = 0;
        ioctl(code, &bits, 4, nullptr, 0, &returned);
    }
    void SendFloat(DWORD code, float value) const { Send(code, Bits(value)); }
};

}  // namespace bench
