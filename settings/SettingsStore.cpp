#include "settings/SettingsStore.h"

bool CSettingsStore::Open() {
    return m_key.Open(HKEY_LOCAL_MACHINE, Settings::kKeyPath, KEY_ALL_ACCESS) == ERROR_SUCCESS;
}

uint32_t CSettingsStore::Read(const Settings::ValueSpec& spec) const {
    DWORD stored = 0;
    bool ok = m_key.QueryDword(spec.name, stored);
    return Settings::Accept(spec, ok, stored);
}

void CSettingsStore::Write(const Settings::ValueSpec& spec, uint32_t value) const {
    m_key.SetDword(spec.name, value);  // a failed write is not reported
}
