#include "SetupFixture.h"

#include "fxengine/host/HostNames.h"
#include "harness/KorvaneLauncher.h"
#include "harness/ProcessRunning.h"
#include "harness/RegKey.h"
#include "harness/ScopedHandle.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

#include "../driver/KernelService.h"
#include "tests/common/Spawn.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <vector>

const char* const SetupFixture::kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane";
const char* const SetupFixture::kUninstaller = "Deinstallieren.exe";
const char* const SetupFixture::kDriverService = "KorvaneFx";
const char* const SetupFixture::kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

namespace {

const char* const kSetupAppDefaults = "Software\\Wine\\AppDefaults\\KorvaneSetup.exe";

std::string SetupExe() {
    const char* path = std::getenv("KORVANE_SETUP");
    return path ? path : "";
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
    return path;
}

// A library still loaded in some process (Wine never frees a hook library
// in the processes its hooks reached) cannot be deleted, but can be moved out
// of the folder, as the restart that would delete it on Windows.
void MoveAside(const std::string& path) {
    char temp[MAX_PATH], name[MAX_PATH];
    if (GetTempPathA(MAX_PATH, temp) && GetTempFileNameA(temp, "kvh", 0, name))
        MoveFileExA(path.c_str(), name, MOVEFILE_REPLACE_EXISTING);
}

void DeleteTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileA(path.c_str())) MoveAside(path);
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

struct ChildProcess {
    ScopedHandle handle;
    DWORD pid;
};

// Processes whose parent is `pid` and that were made after `since`, opened
// to be waited for. Process ids come back into use: a process still running
// from an earlier owner of the same id names it as its parent too.
std::vector<ChildProcess> ChildrenOf(DWORD pid, const FILETIME& since) {
    std::vector<ChildProcess> children;
    ScopedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.Valid()) return children;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap.Get(), &pe); ok; ok = Process32Next(snap.Get(), &pe)) {
        if (pe.th32ParentProcessID != pid) continue;
        ScopedHandle h(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pe.th32ProcessID));
        FILETIME made{}, ended{}, kernel{}, user{};
        if (!h.Valid() || !GetProcessTimes(h.Get(), &made, &ended, &kernel, &user) ||
            CompareFileTime(&made, &since) < 0)
            continue;
        children.push_back({std::move(h), pe.th32ProcessID});
    }
    return children;
}

// How many processes run `exeName`; *pid gets one of them.
int ProcessCount(const char* exeName, DWORD* pid = nullptr) {
    ScopedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.Valid()) return 0;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    int n = 0;
    for (BOOL ok = Process32First(snap.Get(), &pe); ok; ok = Process32Next(snap.Get(), &pe))
        if (lstrcmpiA(pe.szExeFile, exeName) == 0) {
            if (pid) *pid = pe.th32ProcessID;
            ++n;
        }
    return n;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> files;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return files;
    do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return files;
}

// The system deletes `path` at the next restart, by the `list` of what it will rename then.
bool DeletedAtRestart(const std::string& list, const std::string& path) {
    std::vector<std::string> names;
    for (size_t at = 0; at < list.size();) {
        const size_t end = list.find('\0', at);
        names.push_back(list.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    for (size_t i = 0; i + 1 < names.size(); i += 2)
        if (names[i + 1].empty() && lstrcmpiA(names[i].c_str(), ("\\??\\" + path).c_str()) == 0) return true;
    return false;
}

}  // namespace

void SetupFixture::SetUp() {
    ASSERT_FALSE(SetupExe().empty()) << "KORVANE_SETUP (the setup program's Windows path) is not set";
    ASSERT_TRUE(FileExists(SetupExe())) << SetupExe() << " is not built";
    m_settings = std::make_unique<RegSnapshot>(HKEY_LOCAL_MACHINE, SettingsKey::kPath);
    RemoveInstallation();
    ASSERT_FALSE(FileExists(InstallDir())) << InstallDir() << " could not be removed";
    ASSERT_FALSE(SettingsKey::Exists());
    ASSERT_FALSE(RegKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

void SetupFixture::TearDown() {
    RemoveInstallation();
    m_rigAside.reset();
    RegKey::DeleteTree(HKEY_CURRENT_USER, kSetupAppDefaults);
    KorvaneLauncher::ClearAppDefaults();
    if (m_settings) {
        EXPECT_TRUE(m_settings->Restore());
    }
}

bool SetupFixture::PutRigDriverAside() {
    if (!m_rigAside) m_rigAside = std::make_unique<RigDriverAside>();
    return m_rigAside->Ok();
}

int SetupFixture::HostsRunning() {
    return ProcessCount(KORVHOST_EXE);
}

DWORD SetupFixture::HostPid() {
    DWORD pid = 0;
    ProcessCount(KORVHOST_EXE, &pid);
    return pid;
}

bool SetupFixture::StopHost() {
    // Asked once, as a logoff would end it, once it is up: its window is made
    // after its quit event. Setup itself must not need more than it does.
    WaitUntil([] { return HostsRunning() == 0 || FindWindowA(KORVHOST_WINDOW_CLASS, nullptr) != nullptr; }, 30000);
    if (HANDLE quit = OpenEventA(EVENT_MODIFY_STATE, FALSE, KORVHOST_QUIT_EVENT)) {
        SetEvent(quit);
        CloseHandle(quit);
    }
    return WaitUntil([] { return HostsRunning() == 0; }, 20000);
}

void SetupFixture::RemoveInstallation() {
    // The host setup started holds its files; one that would not end goes the hard way.
    if (!StopHost())
        for (DWORD pid; (pid = HostPid()) != 0;) {
            ScopedHandle host(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
            if (!host.Valid() || !TerminateProcess(host.Get(), 1)) break;
            WaitForSingleObject(host.Get(), 10000);
        }
    if (RegKey run = RegKey::Open(HKEY_LOCAL_MACHINE, kRunKey); run.Valid()) run.Delete("Korvane");
    // A process still in the folder (see RunSetup) keeps it a while longer.
    WaitUntil(
        [] {
            DeleteTree(InstallDir());
            return !FileExists(InstallDir());
        },
        30000, 250);
    RemoveDirectoryA((InstallDir() + "\\..").c_str());
    DeleteTree(StartMenuFolder());
    DeleteFileA(DesktopShortcut().c_str());
    RegKey::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    RegKey::DeleteTree(HKEY_LOCAL_MACHINE, SettingsKey::kPath);
    // A driver service left behind would start with every later session and
    // take the rig's device name.
    KernelService::Stop(kDriverService);
    KernelService::Remove(kDriverService);
    DeleteFileA(DriverFile().c_str());
}

FxDriverState SetupFixture::DriverState() {
    FxDriverState state = {};
    ScopedHandle h(CreateFileA(FXDRV_STATE_PATH, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    DWORD got = 0;
    if (h.Valid()) DeviceIoControl(h.Get(), FXDRV_IOCTL_GET_STATE, nullptr, 0, &state, sizeof state, &got, nullptr);
    return state;
}

std::string SetupFixture::DriverFile() {
    char dir[MAX_PATH] = "";
    GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\drivers\\korvfx.sys";
}

std::string SetupFixture::InstallDir() {
    return ShellFolder(CSIDL_PROGRAM_FILES) + "\\Velmora\\Korvane";
}

std::string SetupFixture::StartMenuFolder() {
    return ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Korvane";
}

std::string SetupFixture::DesktopShortcut() {
    return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Korvane.lnk";
}

void SetupFixture::DeleteFolder(const std::string& dir) {
    DeleteTree(dir);
}

bool SetupFixture::FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ScopedHandle SetupFixture::Spawn(const char* exe, std::string commandLine, DWORD* pid) {
    return ScopedHandle(::Spawn(exe, std::move(commandLine), nullptr, pid).Detach());
}

DWORD SetupFixture::Run(const std::string& exe, const std::string& commandLine, DWORD* pid) {
    ScopedHandle process = Spawn(exe.c_str(), commandLine, pid);
    if (!process.Valid()) {
        ADD_FAILURE() << "cannot start " << commandLine << ", error " << GetLastError();
        return ~0u;
    }
    return ExitCode(process.Get(), commandLine);
}

DWORD SetupFixture::ExitCode(HANDLE process, const std::string& what) {
    if (!WaitUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, kSetupMs, 100)) {
        ADD_FAILURE() << what << " still runs after " << kSetupMs << " ms; ended";
        TerminateProcess(process, 1);
        return ~0u;
    }
    DWORD code = ~0u;
    GetExitCodeProcess(process, &code);
    return code;
}

DWORD SetupFixture::RunSetup(const std::string& version, const std::string& args) {
    RegKey app = RegKey::Create(HKEY_CURRENT_USER, kSetupAppDefaults);
    EXPECT_TRUE(app.Valid() && app.SetString("Version", version));
    // Without Wine's menu builder, started for each shortcut saved: seconds Windows never spends,
    // holding setup's folder meanwhile. The shortcut files are written all the same.
    const DWORD had = GetEnvironmentVariableA("WINEDLLOVERRIDES", nullptr, 0);
    std::string old(had, '\0');
    if (had) old.resize(GetEnvironmentVariableA("WINEDLLOVERRIDES", &old[0], had));
    SetEnvironmentVariableA("WINEDLLOVERRIDES", (old.empty() ? "" : old + ";").append("winemenubuilder.exe=d").c_str());
    DWORD code = Run(SetupExe(), "\"" + SetupExe() + "\" " + args);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", had ? old.c_str() : nullptr);
    // One started all the same holds the folder until it ends.
    WaitUntil([] { return !ProcessRunning("winemenubuilder.exe"); }, 30000, 250);
    return code;
}

DWORD SetupFixture::RunUninstallerInPlace(const std::string& args) {
    // _?= must come last and unquoted.
    const std::string exe = Installed(kUninstaller);
    return Run(exe, "\"" + exe + "\" " + args + " _?=" + InstallDir());
}

ScopedHandle SetupFixture::StartUninstaller(const std::string& args, DWORD* copyPid, const std::string& dir) {
    const std::string exe = dir + "\\" + kUninstaller;
    DWORD pid = 0;
    FILETIME started{};
    GetSystemTimeAsFileTime(&started);
    if (Run(exe, "\"" + exe + "\" " + args, &pid) == ~0u) return ScopedHandle();
    std::vector<ChildProcess> copies = ChildrenOf(pid, started);
    if (copies.size() != 1) {
        ADD_FAILURE() << "the uninstaller started " << copies.size() << " copies of itself, not one";
        return ScopedHandle();
    }
    if (copyPid) *copyPid = copies.front().pid;
    return std::move(copies.front().handle);
}

DWORD SetupFixture::RunUninstaller(const std::string& args, const std::string& dir) {
    ScopedHandle copy = StartUninstaller(args, nullptr, dir);
    return copy.Valid() ? ExitCode(copy.Get(), "the uninstaller's copy") : ~0u;
}

KorvaneProcess SetupFixture::StartInstalled(const std::string& version) {
    std::string error;
    EXPECT_TRUE(KorvaneLauncher().Version(version).Apply());
    KorvaneProcess p = KorvaneProcess::Start(Installed("Korvane.exe"), InstallDir(), &error);
    EXPECT_TRUE(p.Valid()) << error;
    return p;
}

std::string SetupFixture::PendingAtRestart() {
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", KEY_READ);
    const std::optional<RegValue> pending = key.Valid() ? key.Query("PendingFileRenameOperations") : std::nullopt;
    return pending ? pending->bytes : std::string();
}

std::vector<std::string> SetupFixture::FilesLeft(const std::string& dir) {
    std::vector<std::string> left;
    const std::string pending = PendingAtRestart();
    for (const std::string& file : FilesIn(dir))
        if (!DeletedAtRestart(pending, dir + "\\" + file)) left.push_back(file);
    return left;
}

bool SetupFixture::AnyFileIn(const std::string& dir) {
    return !FilesIn(dir).empty();
}
