// The host's hold on the engine: the wave hook library beside the host,
// loaded, with its system-wide hooks set by the host's entry, for as long as
// the object lives. Move-only; Detach() leaves library and hooks in place.
#pragma once

#include <windows.h>

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
    HMODULE Detach();

private:
    using HostHookFn = DWORD(WINAPI*)(DWORD);
    EngineHold(HMODULE library, HostHookFn hook) : m_library(library), m_hook(hook) {}
    void Release();

    HMODULE m_library = nullptr;
    HostHookFn m_hook = nullptr;
};
