#include "KorvaneLauncher.h"

#include "RegKey.h"

const char* const KorvaneLauncher::kExe = "C:\\korvane\\Korvane.exe";
const char* const KorvaneLauncher::kDir = "C:\\korvane";
const char* const KorvaneLauncher::kAppDefaults = "Software\\Wine\\AppDefaults\\Korvane.exe";

KorvaneLauncher& KorvaneLauncher::Version(std::string version) {
    m_version = std::move(version);
    return *this;
}

KorvaneLauncher& KorvaneLauncher::DllOverride(const std::string& dll, const std::string& order) {
    m_overrides[dll] = order;
    return *this;
}

bool KorvaneLauncher::Apply() const {
    if (!ClearAppDefaults()) return false;
    RegKey app = RegKey::Create(HKEY_CURRENT_USER, kAppDefaults);
    if (!app.Valid() || !app.SetString("Version", m_version)) return false;
    if (m_overrides.empty()) return true;
    RegKey dlls = RegKey::Create(HKEY_CURRENT_USER, std::string(kAppDefaults) + "\\DllOverrides");
    if (!dlls.Valid()) return false;
    for (const auto& [dll, order] : m_overrides)
        if (!dlls.SetString(dll, order)) return false;
    return true;
}

KorvaneProcess KorvaneLauncher::Launch(std::string* error) const {
    if (!Apply()) {
        if (error) *error = "cannot write HKCU\\" + std::string(kAppDefaults);
        return KorvaneProcess();
    }
    return KorvaneProcess::Start(kExe, kDir, error);
}

bool KorvaneLauncher::ClearAppDefaults() {
    return RegKey::DeleteTree(HKEY_CURRENT_USER, kAppDefaults);
}
