#include "EngineHold.h"

#include <string.h>

EngineHold::~EngineHold() {
    Release();
}

EngineHold::EngineHold(EngineHold&& other) noexcept
    : m_library(other.m_library), m_hook(other.m_hook), m_driverState(other.m_driverState) {
    other.m_library = nullptr;
    other.m_hook = nullptr;
    other.m_driverState = nullptr;
}

EngineHold& EngineHold::operator=(EngineHold&& other) noexcept {
    if (this != &other) {
        Release();
        m_library = other.m_library;
        m_hook = other.m_hook;
        m_driverState = other.m_driverState;
        other.m_library = nullptr;
        other.m_hook = nullptr;
        other.m_driverState = nullptr;
    }
    return *this;
}

EngineHold EngineHold::Take() {
    // Beside the host, never from the search path: the library that Korvane
    // in the same folder loads.
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (n == 0 || n >= sizeof(path)) return EngineHold();
    char* slash = strrchr(path, '\\');
    if (!slash || static_cast<size_t>(slash + 1 - path) + sizeof("WavHok32.dll") > sizeof(path)) return EngineHold();
    strcpy(slash + 1, "WavHok32.dll");
    HMODULE library = LoadLibraryA(path);
    if (!library) return EngineHold();
    auto hook = reinterpret_cast<HostHookFn>(reinterpret_cast<void*>(GetProcAddress(library, "KorvHostHook")));
    if (!hook || !hook(1)) {
        FreeLibrary(library);
        return EngineHold();
    }
    auto driverState =
        reinterpret_cast<DriverStateFn>(reinterpret_cast<void*>(GetProcAddress(library, "KorvHostDriverState")));
    return EngineHold(library, hook, driverState);
}

bool EngineHold::PublishDriverState(const fx::FxParams& params, bool effectsOn) const {
    return m_driverState && m_driverState(&params, effectsOn ? 1 : 0);
}

HMODULE EngineHold::Detach() {
    HMODULE library = m_library;
    m_library = nullptr;
    m_hook = nullptr;
    m_driverState = nullptr;
    return library;
}

void EngineHold::Release() {
    if (!m_library) return;
    // The hooks go first; processes the engine is in keep it while they play.
    m_hook(0);
    FreeLibrary(m_library);
    m_library = nullptr;
    m_hook = nullptr;
    m_driverState = nullptr;
}
