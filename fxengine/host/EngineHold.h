// The host's hold on the engine: the wave hook library beside the host,
// loaded, with its system-wide hooks set by the host's entry, for as long as
// the object lives. Move-only; Detach() leaves library and hooks in place.
#pragma once

#include <windows.h>

#include "fx/FxParams.h"

class EngineHold {
public:
    EngineHold() = default;
    ~EngineHold();
    EngineHold(EngineHold&& other) noexcept;
    EngineHold& operator=(EngineHold&& other) noexcept;
    EngineHold(const EngineHold&) = delete;
    EngineHold& operator=(const EngineHold&) = delete;

    // Loads WavHok32.dll from the host's own folder and sets the hooks; an
    // empty hold when the library is not there (Windows 2000 and later need
    // none) or another host holds the hooks.
    static EngineHold Take();

    bool Held() const { return m_library != nullptr; }
    // Windows 2000 and later: the effects driver's state for every engine;
    // effectsOn while a console holds the driver's device.
    bool PublishDriverState(const fx::FxParams& params, bool effectsOn) const;
    HMODULE Detach();

private:
    using HostHookFn = DWORD(WINAPI*)(DWORD);
    using DriverStateFn = DWORD(WINAPI*)(const fx::FxParams*, DWORD);
    EngineHold(HMODULE library, HostHookFn hook, DriverStateFn driverState)
        : m_library(library), m_hook(hook), m_driverState(driverState) {}
    void Release();

    HMODULE m_library = nullptr;
    HostHookFn m_hook = nullptr;
    DriverStateFn m_driverState = nullptr;
};
