// The setup program and its uninstaller, run silently under Wine posing as
// Windows 98 and XP, and the installed Korvane started from where setup put it.
#include "KeySecurity.h"
#include "SetupFixture.h"

#include "../driver/KernelService.h"
#include "RigDriverAside.h"

#include "engine/ControlCodes.h"
#include "fxengine/driver/FxDriverState.h"
#include "fxengine/host/HostNames.h"
#include "harness/Journal.h"
#include "harness/RegKey.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"
#include "harness/WindowFinder.h"
#include "tests/common/CaptureFile.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

constexpr DWORD kStartMs = 45000;
constexpr DWORD kExitMs = 20000;
constexpr DWORD kExitRunning = 2;       // setup's and the uninstaller's answer while Korvane runs
constexpr DWORD kExitRestartFirst = 5;  // nothing changed: the driver's removal waits for a restart
constexpr DWORD kExitFailed = 8;        // a service call failed; what the run made is taken back

const char* const kMutex = "{D6B8A211-00B7-4fe9-877B-2AF6EC9F21E6}";

struct Default {
    const char* name;
    DWORD value;
};
const Default kDefaults[] = {{"3D Volume", 6},          {"Vibe volume", 6},  {"Soundfields volume", 0},
                             {"Headphones enabled", 0}, {"UI minimized", 0}, {"Master volume", 20}};

std::string Hex(DWORD code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

// The channel received `code` with payload 1 (the engine switched on).
bool SwitchedOn(const std::vector<JournalEntry>& entries, const std::string& chan, DWORD code) {
    for (const JournalEntry& e : Journal::Select(entries, chan, "IOCTL", Hex(code)))
        if (e.Payload() == 1u) return true;
    return false;
}

// On the NT family Korvane talks to the driver setup installed, which tells
// what it received through its state device rather than the rig's journal.
const char* const kInstalledDriver = "korvfx";

bool SwitchedOn(const FxDriverState& state, DWORD code) {
    for (const FxDriverEntry& e : state.entries)
        if (e.code == code && e.received && e.payload == 1u) return true;
    return false;
}

// The uninstaller's question: a message box with Yes and No.
HWND QuestionBox(DWORD pid) {
    return WindowFinder(pid).First([](HWND h) {
        return GetDlgItem(h, WindowFinder::kMessageBoxTextId) && GetDlgItem(h, IDYES) && GetDlgItem(h, IDNO);
    });
}

// The uninstaller's own window, with its Next/Uninstall/Close button (id 1).
HWND MainWindow(DWORD pid) {
    return WindowFinder(pid).First(
        [](HWND h) { return GetDlgItem(h, 1) && !GetDlgItem(h, IDNO) && IsWindowVisible(h); });
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// How many handles are open to `object`, in every process (the object's basic
// information: attributes, access, handles, pointers and ten reserved).
ULONG HandleCount(HANDLE object) {
    ULONG info[14] = {};
    using QueryFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    return query && query(object, 0, info, sizeof info, nullptr) == 0 ? info[2] : 0;
}

// A host still starting on a busy machine: its mutex at once, its quit event
// only after setup has asked once (cleared, as the host clears an ask nobody
// heard), then it ends when asked. Setup's ask opens the mutex for a moment:
// seen as a second handle to it, looked for without a pause. Exit code 0 when
// asked, 1 when nobody asked in time, 3 when no ask before the event was seen.
int LateHost() {
    HANDLE running = CreateMutexA(nullptr, TRUE, KORVHOST_MUTEX);
    if (!running || GetLastError() == ERROR_ALREADY_EXISTS) return 2;
    const DWORD start = GetTickCount();
    while (HandleCount(running) < 2)
        if (GetTickCount() - start > 120000) return 3;
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, KORVHOST_QUIT_EVENT);
    ResetEvent(quit);
    const bool asked = WaitForSingleObject(quit, 120000) == WAIT_OBJECT_0;
    ReleaseMutex(running);
    return asked ? 0 : 1;
}

// A registry link below the settings key, as any user may make one there,
// naming another key of the machine's.
class SettingsLink {
public:
    static constexpr const char* kTarget = "SOFTWARE\\KorvaneLinkTarget";
    SettingsLink() {
        RegKey target = RegKey::Create(HKEY_LOCAL_MACHINE, kTarget);
        m_ok = target.Valid() && target.SetDword("Precious", 7);
        HKEY settings = nullptr, link = nullptr;
        m_ok = m_ok && RegOpenKeyExA(HKEY_LOCAL_MACHINE, SettingsKey::kPath, 0, KEY_CREATE_SUB_KEY | KEY_CREATE_LINK,
                                     &settings) == ERROR_SUCCESS;
        m_ok = m_ok && RegCreateKeyExW(settings, L"Link", 0, nullptr, REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK,
                                       KEY_ALL_ACCESS, nullptr, &link, nullptr) == ERROR_SUCCESS;
        const wchar_t kPath[] = L"\\Registry\\Machine\\SOFTWARE\\KorvaneLinkTarget";
        m_ok = m_ok && RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(kPath),
                                      sizeof kPath - sizeof(wchar_t)) == ERROR_SUCCESS;
        if (link) RegCloseKey(link);
        if (settings) RegCloseKey(settings);
    }
    ~SettingsLink() {
        // The link itself, never what it names; then the target.
        HKEY link = nullptr;
        using DeleteKeyFn = LONG(WINAPI*)(HKEY);
        auto deleteKey = reinterpret_cast<DeleteKeyFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
        if (deleteKey && RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(SettingsKey::kPath) + "\\Link").c_str(),
                                       REG_OPTION_OPEN_LINK, DELETE, &link) == ERROR_SUCCESS) {
            deleteKey(link);
            RegCloseKey(link);
        }
        RegKey::DeleteTree(HKEY_LOCAL_MACHINE, kTarget);
    }
    bool Ok() const { return m_ok; }
    // What the link names, still whole.
    static bool TargetWhole() {
        RegKey target = RegKey::Open(HKEY_LOCAL_MACHINE, kTarget, KEY_READ);
        return target.Valid() && target.QueryDword("Precious") == 7u;
    }

private:
    bool m_ok = false;
};

}  // namespace

class SetupTest : public SetupFixture {
protected:
    void ExpectInstalled() {
        for (const char* file : {"Korvane.exe", "Liesmich.txt", "KorvHost.exe", kUninstaller})
            EXPECT_TRUE(FileExists(Installed(file))) << file;
        // The rig's engine stand-ins are never part of setup.
        for (const char* file : {"QuorInst.dll", "korvsim.sys", "korvmon.exe", "korvsim-ready.exe"})
            EXPECT_FALSE(FileExists(Installed(file))) << file;
        EXPECT_TRUE(FileExists(StartMenuFolder() + "\\Korvane.lnk"));
        EXPECT_TRUE(FileExists(DesktopShortcut()));

        RegKey entry = RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_READ);
        ASSERT_TRUE(entry.Valid()) << "no uninstall entry";
        auto text = [&](const char* name) {
            std::optional<RegValue> v = entry.Query(name);
            EXPECT_TRUE(v && v->type == REG_SZ) << name;
            return v ? std::string(v->bytes.c_str()) : std::string();
        };
        EXPECT_EQ(text("DisplayName"), "Korvane");
        const char* version = std::getenv("KORVANE_VERSION");
        EXPECT_EQ(text("DisplayVersion"), version ? version : "(KORVANE_VERSION not set)");
        EXPECT_EQ(text("Publisher"), "Velmora");
        EXPECT_EQ(text("DisplayIcon"), Installed("Korvane.exe") + ",0");
        EXPECT_EQ(text("InstallLocation"), InstallDir());
        const std::string uninstall = "\"" + Installed(kUninstaller) + "\"";
        EXPECT_EQ(text("UninstallString"), uninstall);
        EXPECT_EQ(text("QuietUninstallString"), uninstall + " /S");
        EXPECT_EQ(entry.QueryDword("NoModify"), 1u);
        EXPECT_EQ(entry.QueryDword("NoRepair"), 1u);
        std::optional<RegValue> size = entry.Query("EstimatedSize");
        ASSERT_TRUE(size && size->type == REG_DWORD);
        EXPECT_GT(*size->AsDword(), 0u);

        // The logon host: started at every logon, and by setup at its end.
        RegKey run = RegKey::Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_READ);
        std::optional<RegValue> host = run.Valid() ? run.Query("Korvane") : std::nullopt;
        ASSERT_TRUE(host && host->type == REG_SZ) << "no Run entry for the host";
        EXPECT_EQ(std::string(host->bytes.c_str()), "\"" + Installed("KorvHost.exe") + "\"");
        EXPECT_TRUE(WaitUntil([] { return HostsRunning() == 1; }, kStartMs)) << HostsRunning() << " hosts run";
    }

    // The uninstaller ended the host and took its Run entry.
    void ExpectNoHost() {
        EXPECT_EQ(HostsRunning(), 0) << "the host still runs";
        RegKey run = RegKey::Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_READ);
        EXPECT_FALSE(run.Valid() && run.Query("Korvane")) << "the Run entry is left";
    }

    void ExpectDefaults() {
        for (const Default& d : kDefaults) {
            std::optional<RegValue> v = SettingsKey::Get(d.name);
            ASSERT_TRUE(v) << d.name << " missing";
            EXPECT_EQ(v->type, static_cast<DWORD>(REG_DWORD)) << d.name;
            EXPECT_EQ(v->AsDword(), d.value) << d.name;
        }
    }

    void ExpectNothingLeft() {
        for (const std::string& file : FilesLeft(InstallDir())) ADD_FAILURE() << file << " is left";
        if (!AnyFileIn(InstallDir())) {
            EXPECT_FALSE(FileExists(InstallDir())) << "the program folder is left";
            EXPECT_FALSE(FileExists(InstallDir() + "\\..")) << "the maker's folder is left";
        }
        ExpectNoShortcutsOrEntry();
    }
    void ExpectNoShortcutsOrEntry() {
        EXPECT_FALSE(FileExists(StartMenuFolder())) << "the Start menu folder is left";
        EXPECT_FALSE(FileExists(DesktopShortcut())) << "the desktop shortcut is left";
        EXPECT_FALSE(RegKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "the uninstall entry is left";
    }

    // A hook library still loaded by another program cannot be deleted: the
    // uninstaller leaves it, alone in its folder, to the next restart.
    void ExpectNothingLeftButAHookInUse() {
        if (FileExists(InstallDir())) {
            EXPECT_FALSE(FileExists(Installed("Korvane.exe")));
            EXPECT_FALSE(FileExists(Installed(kUninstaller)));
            const std::string pending = PendingAtRestart();
            EXPECT_TRUE(Contains(pending, Installed("WavHok32.dll"))) << "not removed at restart: the hook library";
            const std::string end(1, '\0');
            EXPECT_TRUE(Contains(pending, InstallDir() + end) || Contains(pending, InstallDir() + "\\" + end))
                << "not removed at restart: the folder";
        } else {
            EXPECT_FALSE(FileExists(InstallDir() + "\\..")) << "the maker's folder is left";
        }
        ExpectNoShortcutsOrEntry();
    }

    static bool Contains(const std::string& haystack, const std::string& needle) {
        auto lower = [](std::string t) {
            for (char& c : t) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            return t;
        };
        return lower(haystack).find(lower(needle)) != std::string::npos;
    }

    // The driver's kernel service starts with the system and runs, from the
    // file of this build, and its devices open as the console and the engine
    // host open them.
    void ExpectDriverRunning() {
        DWORD type = 0, start = 0;
        std::string image;
        ASSERT_TRUE(KernelService::Config(kDriverService, &type, &start, &image)) << "no driver service";
        EXPECT_EQ(type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
        EXPECT_EQ(start, static_cast<DWORD>(SERVICE_SYSTEM_START));
        EXPECT_TRUE(Contains(image, "\\drivers\\korvfx.sys")) << image;
        EXPECT_EQ(KernelService::State(kDriverService), static_cast<DWORD>(SERVICE_RUNNING));
        const char* built = std::getenv("KORVANE_DRIVER_SYS");
        ASSERT_NE(built, nullptr) << "KORVANE_DRIVER_SYS is not set";
        EXPECT_TRUE(ReadAll(DriverFile()) == ReadAll(built)) << "not this build's driver: " << DriverFile();
        ScopedHandle console(
            CreateFileA("\\\\.\\Velmora1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(console.Valid()) << "\\\\.\\Velmora1, error " << GetLastError();
        ScopedHandle state(CreateFileA("\\\\.\\KorvaneFxState", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(state.Valid()) << "the state device, error " << GetLastError();
    }

    void ExpectNoDriver() {
        EXPECT_EQ(KernelService::State(kDriverService), 0u) << "the driver service is there";
        EXPECT_FALSE(FileExists(DriverFile())) << DriverFile();
    }

    // Starts the installed Korvane, checks that its console opens without a
    // box and that the engine was switched on over `chan`, changes a setting
    // behind its back and closes it: closing must write its own value back.
    void RunInstalledKorvane(const std::string& version, const std::string& chan) {
        const unsigned long long mark = Journal::Mark();
        KorvaneProcess p = StartInstalled(version);
        ASSERT_TRUE(p.Valid());
        WindowFinder finder(p.Pid());
        HWND console = nullptr, box = nullptr;
        WaitUntil(
            [&] {
                box = finder.MessageBox();
                console = finder.Console();
                return box || console || !p.Running();
            },
            kStartMs);
        ASSERT_EQ(box, nullptr) << "message box: " << WindowFinder::MessageBoxText(box);
        ASSERT_NE(console, nullptr) << "no console from the installed Korvane";
        EXPECT_TRUE(WaitUntil(
            [&] {
                const FxDriverState state = DriverState();
                if (chan == kInstalledDriver)
                    return SwitchedOn(state, IOCTL_VIBE_ENABLE) && SwitchedOn(state, IOCTL_SOUNDFIELDS_ENABLE);
                std::vector<JournalEntry> since = Journal::Read(mark);
                return SwitchedOn(since, chan, IOCTL_VIBE_ENABLE) && SwitchedOn(since, chan, IOCTL_SOUNDFIELDS_ENABLE);
            },
            kStartMs))
            << "the effects were not switched on over " << chan << ":\n"
            << Journal::Format(Journal::Read(mark));
        // The installed wave hook journals nothing (only the rig's does); no
        // box above means Korvane found it with its five entries.

        ASSERT_TRUE(SettingsKey::SetDword("3D Volume", 11));
        PostMessageA(console, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(p.WaitForExit(kExitMs)) << "Korvane did not close";
        EXPECT_EQ(SettingsKey::GetDword("3D Volume"), 6u) << "closing did not save the knob's position";
    }
};

// Two shards take every other test (korvane_test_parts), in this order: the
// longest first, the shards about even.

// One installation, updated twice (each update a run of setup the others
// need not repeat): a host still starting when setup first asks, the driver,
// and the user's settings kept by an update.
TEST_F(SetupTest, WindowsXpEndsALateHostInstallsTheDriverAndEachUpdateKeepsTheSettingsAndTheDriver) {
    RigDriverAside aside;
    ASSERT_TRUE(aside.Ok()) << "the rig's driver did not step aside";
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    ScopedHandle host = Spawn(exe, std::string("\"") + exe + "\" --late-host");
    ASSERT_TRUE(host.Valid());
    // At once: setup's first ask comes while the stand-in is still starting.
    EXPECT_EQ(RunSetup("winxp"), 0u);
    // Asked, it lets go of its mutex a moment before its process is gone.
    EXPECT_EQ(WaitForSingleObject(host.Get(), kExitMs), WAIT_OBJECT_0) << "setup left the host it asked too early";
    DWORD code = ~0u;
    GetExitCodeProcess(host.Get(), &code);
    EXPECT_EQ(code, 0u) << "the stand-in host was not asked after it made its event";
    if (WaitForSingleObject(host.Get(), 0) != WAIT_OBJECT_0) TerminateProcess(host.Get(), 1);
    ExpectInstalled();
    ExpectDriverRunning();

    bool ok = false;
    const size_t usersEntries = KeySecurity::UsersEntries(HKEY_LOCAL_MACHINE, SettingsKey::kPath, &ok).size();
    ASSERT_TRUE(ok);
    const Default kept[] = {{"3D Volume", 9}, {"UI minimized", 1}, {"Master volume", 55}};
    for (const Default& d : kept) ASSERT_TRUE(SettingsKey::SetDword(d.name, d.value));
    // Any type counts as present: the program does not look at it.
    ASSERT_TRUE(SettingsKey::Set("Headphones enabled", RegValue::String("x")));
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, SettingsKey::kPath);
    ASSERT_TRUE(key.Valid() && key.Delete("Vibe volume"));

    // Again while the driver runs, posing as Windows 2000 (the other NT-family
    // system): the driver stopped, replaced and started, the settings kept.
    ASSERT_EQ(RunSetup("win2k"), 0u);
    ExpectDriverRunning();
    for (const Default& d : kept) EXPECT_EQ(SettingsKey::GetDword(d.name), d.value) << d.name;
    std::optional<RegValue> headphones = SettingsKey::Get("Headphones enabled");
    ASSERT_TRUE(headphones);
    EXPECT_EQ(headphones->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(SettingsKey::GetDword("Vibe volume"), 6u) << "a missing value gets its default";
    EXPECT_EQ(SettingsKey::GetDword("Soundfields volume"), 0u);
    EXPECT_EQ(KeySecurity::UsersEntries(HKEY_LOCAL_MACHINE, SettingsKey::kPath, &ok).size(), usersEntries)
        << "the grant is made once, however often setup runs:\n"
        << KeySecurity::Describe(HKEY_LOCAL_MACHINE, SettingsKey::kPath);
    ExpectInstalled();

    // A stopped service with a damaged file: the file is put right, the driver runs.
    ASSERT_TRUE(KernelService::Stop(kDriverService));
    {
        std::ofstream spoil(DriverFile(), std::ios::binary | std::ios::trunc);
        spoil << "not a driver";
    }
    ASSERT_EQ(RunSetup("winxp"), 0u);
    ExpectDriverRunning();

    ASSERT_EQ(RunUninstaller("/S"), 0u);
    ExpectNoDriver();
    EXPECT_TRUE(KernelService::WaitDeviceNames("Velmora1\0KorvaneFxState\0", false, 10000))
        << "the driver's devices are still there";
    ExpectNothingLeft();
}

TEST_F(SetupTest, WindowsXpInstallLetsUsersOpenTheKeyRefusesUninstallWhileRunningAndUninstallAsksAboutTheSettings) {
    ASSERT_TRUE(PutRigDriverAside()) << "the rig's driver did not step aside";
    ASSERT_EQ(RunSetup("winxp"), 0u);
    ExpectInstalled();
    ExpectDefaults();
    EXPECT_TRUE(FileExists(Installed("WavHok32.dll"))) << "the engine the host holds there too";

    // Korvane opens the key with KEY_ALL_ACCESS: Users need all of it, on
    // this key alone.
    bool ok = false;
    std::vector<AllowEntry> users = KeySecurity::UsersEntries(HKEY_LOCAL_MACHINE, SettingsKey::kPath, &ok);
    ASSERT_TRUE(ok) << "cannot read the key's access list";
    const AllowEntry* granted = nullptr;
    for (const AllowEntry& e : users)
        if ((e.mask & KEY_ALL_ACCESS) == KEY_ALL_ACCESS) granted = &e;
    ASSERT_NE(granted, nullptr) << KeySecurity::Describe(HKEY_LOCAL_MACHINE, SettingsKey::kPath);
    EXPECT_EQ(granted->flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE), 0)
        << "the grant must not be inherited";

    // While it runs, the uninstaller changes nothing.
    KorvaneProcess running = StartInstalled("winxp");
    ASSERT_NE(WindowFinder(running.Pid()).WaitConsole(kStartMs), nullptr);
    EXPECT_EQ(RunUninstallerInPlace("/S"), kExitRunning);
    ExpectInstalled();
    ExpectDefaults();
    PostMessageA(WindowFinder(running.Pid()).Console(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(running.WaitForExit(kExitMs));

    RunInstalledKorvane("winxp", kInstalledDriver);

    // The uninstaller as a user runs it: it asks about the settings.
    DWORD pid = 0;
    ScopedHandle copy = StartUninstaller("", &pid);
    ASSERT_TRUE(copy.Valid());
    auto ended = [&] { return WaitForSingleObject(copy.Get(), 0) == WAIT_OBJECT_0; };
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = MainWindow(pid)) != nullptr; }, kStartMs)) << "no uninstaller window";
    Press(main, 1);  // the confirmation page's Uninstall
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = QuestionBox(pid)) != nullptr || ended(); }, kStartMs));
    ASSERT_NE(box, nullptr) << "the uninstaller did not ask about the settings";
    EXPECT_TRUE(SettingsKey::Exists()) << "the settings went before the answer";
    Press(box, IDNO);

    // The work is done when the Close button can be pressed.
    EXPECT_TRUE(WaitUntil(
        [&] {
            HWND w = MainWindow(pid);
            if (w && IsWindowEnabled(GetDlgItem(w, 1)) && !RegKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey))
                Press(w, 1);
            return ended();
        },
        kSetupMs, 500))
        << "the uninstaller did not finish";
    if (!ended()) TerminateProcess(copy.Get(), 1);
    ExpectNothingLeft();
    ExpectNoHost();
    EXPECT_FALSE(SettingsKey::Exists()) << "the user chose not to keep the settings";
}

TEST_F(SetupTest, AFolderChosenWithDIsWhereTheUpdateGoesAndThePurgeNeverFollowsALinkBelowTheKey) {
    ASSERT_TRUE(PutRigDriverAside()) << "the rig's driver did not step aside";
    const std::string dir = "C:\\Korvane Test Folder";
    DeleteFolder(dir);
    ASSERT_EQ(RunSetup("winxp", "/S /D=" + dir), 0u);  // /D= comes last, unquoted
    EXPECT_TRUE(FileExists(dir + "\\Korvane.exe"));
    EXPECT_FALSE(FileExists(InstallDir()));
    ASSERT_TRUE(DeleteFileA((dir + "\\Liesmich.txt").c_str()));

    ASSERT_EQ(RunSetup("winxp"), 0u);
    EXPECT_TRUE(FileExists(dir + "\\Liesmich.txt")) << "the update did not go to the chosen folder";
    EXPECT_FALSE(FileExists(InstallDir()));

    // Purged, with a registry link below the settings key.
    SettingsLink link;
    ASSERT_TRUE(link.Ok()) << "no registry link could be made";
    ASSERT_TRUE(SettingsLink::TargetWhole()) << "the link does not lead to its target";
    EXPECT_EQ(RunUninstaller("/S /PURGE", dir), 0u);
    for (const std::string& file : FilesLeft(dir)) ADD_FAILURE() << file << " is left";
    if (!AnyFileIn(dir)) {
        EXPECT_FALSE(FileExists(dir));
    }
    DeleteFolder(dir);  // what a failed run left
    EXPECT_TRUE(SettingsLink::TargetWhole()) << "the purge deleted what a link below the settings named";
    for (const Default& d : kDefaults) EXPECT_FALSE(SettingsKey::Get(d.name)) << d.name << " is left";
}

TEST_F(SetupTest, AReinstallWhileTheDriverServiceIsMarkedForDeletionChangesNothingAndSaysSo) {
    RigDriverAside aside;
    ASSERT_TRUE(aside.Ok()) << "the rig's driver did not step aside";
    ASSERT_EQ(RunSetup("winxp"), 0u);
    // A handle still open keeps the deleted service until it closes (or the system restarts).
    SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE held = scm ? OpenServiceA(scm, kDriverService, SERVICE_QUERY_STATUS) : nullptr;
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(RunUninstaller("/S"), 0u);

    EXPECT_EQ(RunSetup("winxp"), kExitRestartFirst) << "the service cannot be made again before a restart";
    EXPECT_FALSE(FileExists(Installed("Korvane.exe"))) << "setup went on regardless";
    EXPECT_FALSE(FileExists(DriverFile())) << "setup went on regardless";
    CloseServiceHandle(held);
    CloseServiceHandle(scm);
}

TEST_F(SetupTest, SetupRefusesWhileKorvaneRunsAndChangesNothing) {
    // The program's mutex is what tells that it runs.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kMutex);
    ASSERT_NE(mutex, nullptr);
    DWORD code = RunSetup("win95");
    CloseHandle(mutex);
    EXPECT_EQ(code, kExitRunning);
    EXPECT_FALSE(FileExists(InstallDir()));
    EXPECT_FALSE(SettingsKey::Exists());
    ExpectNoShortcutsOrEntry();
}

// Last of its shard: the hook library Korvane set stays loaded in the
// desktop's process (Wine never frees a hook library), so its folder stays
// until the next restart.
TEST_F(SetupTest, Windows98InstallRunsAndUninstallLeavesOnlyTheSettings) {
    ASSERT_EQ(RunSetup("win98"), 0u);
    ExpectInstalled();
    ExpectDefaults();
    // Korvane loads the wave hook beside it on Windows 9x.
    EXPECT_TRUE(FileExists(Installed("WavHok32.dll")));
    ExpectNoDriver();
    bool ok = false;
    std::vector<AllowEntry> users = KeySecurity::UsersEntries(HKEY_LOCAL_MACHINE, SettingsKey::kPath, &ok);
    for (const AllowEntry& e : users)
        EXPECT_NE(e.mask & KEY_SET_VALUE, static_cast<DWORD>(KEY_SET_VALUE))
            << "Windows 9x has no key permissions to set";

    RunInstalledKorvane("win98", "VXD");

    // An update while the host runs: the running host ends, its file is
    // replaced in place and the new one runs, once.
    const DWORD hostBefore = HostPid();
    ASSERT_NE(hostBefore, 0u);
    ASSERT_TRUE(std::ofstream(Installed("Liesmich.txt"), std::ios::binary) << "old");
    ASSERT_EQ(RunSetup("win98"), 0u);
    ExpectInstalled();
    EXPECT_NE(HostPid(), hostBefore) << "the host of before still runs";
    EXPECT_NE(ReadAll(Installed("Liesmich.txt")), "old") << "the update did not replace the files";

    ASSERT_EQ(RunUninstaller("/S"), 0u);
    ExpectNothingLeftButAHookInUse();
    ExpectNoHost();
    EXPECT_FALSE(FileExists(Installed("KorvHost.exe"))) << "the ended host's file is left";
    EXPECT_TRUE(SettingsKey::Exists()) << "a silent uninstall keeps the settings";
    EXPECT_EQ(SettingsKey::GetDword("Master volume"), 20u);
}

TEST_F(SetupTest, ADriverThatCannotStartEndsSetupWithNothingLeft) {
    // The rig's driver keeps the device name, so the installed one cannot start.
    ASSERT_TRUE(KernelService::WaitDeviceNames("Velmora1\0", true)) << "the rig's driver does not run";
    EXPECT_EQ(RunSetup("winxp"), kExitFailed) << "setup said done with its driver not running";
    ExpectNoDriver();
    EXPECT_FALSE(FileExists(Installed("Korvane.exe"))) << "the program was installed regardless";
}

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--late-host") return LateHost();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
