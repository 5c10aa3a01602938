#include "framework/RegKey.h"

LONG RegKey::Open(HKEY root, const char* subKey, REGSAM access) {
    Close();
    HKEY h = nullptr;
    LONG rc = RegOpenKeyExA(root, subKey, 0, access, &h);
    if (rc == ERROR_SUCCESS) m_hkey = h;
    return rc;
}

LONG RegKey::Create(HKEY root, const char* subKey, REGSAM access) {
    Close();
    HKEY h = nullptr;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &h, &disposition);
    if (rc == ERROR_SUCCESS) m_hkey = h;
    return rc;
}

bool RegKey::QueryDword(const char* name, DWORD& value) const {
    if (!m_hkey) return false;
    // A value of another length is refused rather than half read: a shorter
    // one would leave bytes of the buffer undefined.
    BYTE buffer[4] = {0, 0, 0, 0};
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(m_hkey, name, nullptr, nullptr, buffer, &size) != ERROR_SUCCESS) return false;
    if (size != sizeof buffer) return false;
    value = DWORD(buffer[0]) | DWORD(buffer[1]) << 8 | DWORD(buffer[2]) << 16 | DWORD(buffer[3]) << 24;
    return true;
}

LONG RegKey::SetDword(const char* name, DWORD value) const {
    if (!m_hkey) return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_hkey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void RegKey::Close() {
    if (m_hkey) RegCloseKey(m_hkey);
    m_hkey = nullptr;
}
