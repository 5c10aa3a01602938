// The program's settings key, HKLM\SOFTWARE\Velmora\Korvane, as tests see it.
#pragma once

#include "RegKey.h"

#include <optional>
#include <string>

class SettingsKey {
public:
    static const char* const kPath;

    static bool Exists();
    static bool Create();       // empty key if it was absent; values kept otherwise
    static bool CreateEmpty();  // the key with no values (first run after install)
    static bool Remove();

    static bool Set(const std::string& name, const RegValue& value);
    static bool SetDword(const std::string& name, DWORD v) { return Set(name, RegValue::Dword(v)); }
    static std::optional<RegValue> Get(const std::string& name);
    static std::optional<DWORD> GetDword(const std::string& name);
};
