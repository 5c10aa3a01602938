// The settings key: opened with full access, never created by the console.
#pragma once

#include "framework/RegKey.h"
#include "settings/SettingsRules.h"

class CSettingsStore {
public:
    // False when the key cannot be opened with full access.
    bool Open();
    // The validated value, or its default.
    uint32_t Read(const Settings::ValueSpec& spec) const;
    void Write(const Settings::ValueSpec& spec, uint32_t value) const;

private:
    RegKey m_key;
};
