// Starts Korvane.exe from C:\korvane posing as one Windows version. Wine
// reads the version and the per-program DLL overrides from
// HKCU\Software\Wine\AppDefaults\Korvane.exe when the process starts, so
// they are written before every start.
#pragma once

#include "KorvaneProcess.h"

#include <map>
#include <string>

class KorvaneLauncher {
public:
    static const char* const kExe;          // C:\korvane\Korvane.exe
    static const char* const kDir;          // C:\korvane
    static const char* const kAppDefaults;  // HKCU key of the program's Wine settings

    // win95, win98, winme, win2k, winxp, win2003.
    KorvaneLauncher& Version(std::string version);
    const std::string& GetVersion() const { return m_version; }
    // Wine load order for one DLL, e.g. ("dsound", "") makes it unavailable.
    KorvaneLauncher& DllOverride(const std::string& dll, const std::string& order);

    // Writes the program's Wine settings (replacing earlier ones) and starts it.
    KorvaneProcess Launch(std::string* error = nullptr) const;
    bool Apply() const;

    // Removes every per-program Wine setting written by a launcher.
    static bool ClearAppDefaults();

private:
    std::string m_version = "winxp";
    std::map<std::string, std::string> m_overrides;
};
