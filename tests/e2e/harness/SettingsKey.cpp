#include "SettingsKey.h"

const char* const SettingsKey::kPath = "SOFTWARE\\Velmora\\Korvane";

bool SettingsKey::Exists() {
    return RegKey::Exists(HKEY_LOCAL_MACHINE, kPath);
}

bool SettingsKey::Create() {
    return RegKey::Create(HKEY_LOCAL_MACHINE, kPath).Valid();
}

bool SettingsKey::CreateEmpty() {
    return Remove() && Create();
}

bool SettingsKey::Remove() {
    return RegKey::DeleteTree(HKEY_LOCAL_MACHINE, kPath);
}

bool SettingsKey::Set(const std::string& name, const RegValue& value) {
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kPath);
    return key.Valid() && key.Set(name, value);
}

std::optional<RegValue> SettingsKey::Get(const std::string& name) {
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kPath, KEY_READ);
    return key.Valid() ? key.Query(name) : std::nullopt;
}

std::optional<DWORD> SettingsKey::GetDword(const std::string& name) {
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kPath, KEY_READ);
    return key.Valid() ? key.QueryDword(name) : std::nullopt;
}
