#include "sim/win/SimRegKey.h"

namespace sim {

SimRegKey& SimRegKey::operator=(SimRegKey&& other) noexcept {
    if (this != &other) {
        Close();
        m_hKey = other.Detach();
    }
    return *this;
}

SimRegKey SimRegKey::OpenSettings() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return SimRegKey();
    return SimRegKey(key);
}

HKEY SimRegKey::Detach() {
    HKEY key = m_hKey;
    m_hKey = nullptr;
    return key;
}

void SimRegKey::Close() {
    if (m_hKey) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}

DWORD SimRegKey::ReadDword(const char* name, DWORD fallback) const {
    if (!m_hKey) return fallback;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return fallback;
    return value;
}

}  // namespace sim
