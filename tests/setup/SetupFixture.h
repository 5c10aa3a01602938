// Fixture of the setup tests: each test starts from a prefix in which Korvane
// was never installed (no program folder, shortcuts, uninstall entry or
// settings key) and runs the real setup program and uninstaller, posing as a
// chosen Windows version. The settings key the other tests may rely on is put
// back afterwards.
#pragma once

#include "RigDriverAside.h"
#include "fxengine/driver/FxDriverState.h"
#include "harness/KorvaneProcess.h"
#include "harness/RegSnapshot.h"
#include "harness/ScopedHandle.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class SetupFixture : public ::testing::Test {
protected:
    static constexpr DWORD kSetupMs = 120000;  // a silent run takes seconds; emulation is slow
    static const char* const kUninstallKey;
    static const char* const kUninstaller;

    void SetUp() override;
    void TearDown() override;

    // Runs the setup program, posing as `version`, and waits for it; the exit
    // code, or ~0u when it did not start or end in time.
    DWORD RunSetup(const std::string& version, const std::string& args = "/S");
    // Runs the installed uninstaller in place (it waits, its exit code
    // counts, and it keeps itself and its folder).
    DWORD RunUninstallerInPlace(const std::string& args);
    // Runs the installed uninstaller as a user does: it hands over to a copy
    // of itself and ends; this waits for that copy too. Its exit code.
    DWORD RunUninstaller(const std::string& args, const std::string& dir = InstallDir());
    // Starts the installed uninstaller as a user does and returns the copy
    // of itself that it hands over to (null handle when there is none).
    ScopedHandle StartUninstaller(const std::string& args, DWORD* copyPid, const std::string& dir = InstallDir());

    static const char* const kDriverService;  // the effects driver's kernel service (NT family)
    static std::string DriverFile();          // system32\drivers\korvfx.sys
    // The installed driver's state as the host reads it (all zero without the driver).
    static FxDriverState DriverState();

    static std::string InstallDir();  // Program Files\Velmora\Korvane
    static std::string Installed(const std::string& file) { return InstallDir() + "\\" + file; }
    static std::string StartMenuFolder();  // the all-users Programs\Korvane
    static std::string DesktopShortcut();  // the all-users desktop's Korvane.lnk
    static bool FileExists(const std::string& path);
    static void DeleteFolder(const std::string& dir);  // with everything in it
    // Files in `dir` that are not marked for deletion at the next restart
    // (a library still loaded where the engine's hooks reached goes then).
    static std::vector<std::string> FilesLeft(const std::string& dir);
    static bool AnyFileIn(const std::string& dir);
    // The files and folders the system removes at the next restart: pairs
    // of names (from, to), each ending in a zero; an empty "to" deletes.
    static std::string PendingAtRestart();

    // The rig's state without Korvane: what a test asserts against.
    static void RemoveInstallation();

    // The logon host: how many copies run, and asking one that is up to end,
    // once, as a logoff would (true when none is left).
    static int HostsRunning();
    static DWORD HostPid();  // of a running host; 0 when none runs
    static bool StopHost();
    static const char* const kRunKey;  // HKLM ...\CurrentVersion\Run

    // Starts a process (`exe` null: the command line's first word); no handle when it did not start.
    static ScopedHandle Spawn(const char* exe, std::string commandLine, DWORD* pid = nullptr);
    // Starts the installed Korvane posing as `version`.
    KorvaneProcess StartInstalled(const std::string& version);

    // The rig's driver steps aside until the installation is removed after
    // the test: the driver setup installs on the NT family serves its
    // device name, and setup says done only when that driver runs.
    bool PutRigDriverAside();

private:
    std::unique_ptr<RigDriverAside> m_rigAside;
    DWORD Run(const std::string& exe, const std::string& commandLine, DWORD* pid = nullptr);
    // Once the process has ended (ended the hard way after kSetupMs: a failure).
    static DWORD ExitCode(HANDLE process, const std::string& what);
    std::unique_ptr<RegSnapshot> m_settings;
};
