#include "ScopedRegDefault.h"

#include <shlwapi.h>

ScopedRegDefault::ScopedRegDefault(HKEY root, const std::string& path, const std::string& value)
    : m_root(root), m_path(path) {
    HKEY key;
    for (size_t end = 0; end != std::string::npos && m_created.empty();) {
        end = path.find('\\', end + 1);
        if (RegOpenKeyExA(root, path.substr(0, end).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            m_created = path.substr(0, end);
        else
            RegCloseKey(key);
    }
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)) return;
    char old[1024];
    DWORD size = sizeof old - 1, type = 0;
    if (RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS) {
        old[size] = '\0';
        m_old = old;
        m_bHadValue = true;
    }
    m_bSet = !RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), value.size() + 1);
    RegCloseKey(key);
}

ScopedRegDefault::~ScopedRegDefault() {
    HKEY key;
    if (!m_created.empty()) {
        SHDeleteKeyA(m_root, m_created.c_str());
    } else if (!RegOpenKeyExA(m_root, m_path.c_str(), 0, KEY_SET_VALUE, &key)) {
        if (m_bHadValue)
            RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_old.c_str()), m_old.size() + 1);
        else
            RegDeleteValueA(key, "");
        RegCloseKey(key);
    }
}
