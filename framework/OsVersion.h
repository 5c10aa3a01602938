// The system's version as GetVersionExA reports it.
#pragma once

#include <windows.h>

inline OSVERSIONINFOA ReadOsVersion() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;  // 148
    GetVersionExA(&info);
    return info;
}

static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA layout");
