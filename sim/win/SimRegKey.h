// Owning registry key handle; move-only. Reads the simulation's test settings
// under HKLM\Software\KorvaneSim.
#pragma once

#include <windows.h>

namespace sim {

class SimRegKey {
public:
    static constexpr const char* kSettingsPath = "Software\\KorvaneSim";

    SimRegKey() = default;
    explicit SimRegKey(HKEY key) : m_hKey(key) {}
    ~SimRegKey() { Close(); }
    SimRegKey(SimRegKey&& other) noexcept : m_hKey(other.Detach()) {}
    SimRegKey& operator=(SimRegKey&& other) noexcept;
    SimRegKey(const SimRegKey&) = delete;
    SimRegKey& operator=(const SimRegKey&) = delete;

    // Opens HKLM\Software\KorvaneSim for reading; invalid when it is missing.
    static SimRegKey OpenSettings();

    bool IsValid() const { return m_hKey != nullptr; }
    HKEY Get() const { return m_hKey; }
    HKEY Detach();
    void Close();

    // The DWORD value `name`, or `fallback` when it is absent or not a DWORD.
    DWORD ReadDword(const char* name, DWORD fallback) const;

private:
    HKEY m_hKey = nullptr;
};

}  // namespace sim
