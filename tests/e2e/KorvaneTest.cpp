#include "KorvaneTest.h"

#include "harness/InProcessProbe.h"
#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

const char* const KorvaneTest::kSimKey = "Software\\KorvaneSim";

void KorvaneTest::SetUp() {
    ASSERT_NE(GetFileAttributesA(KorvaneLauncher::kExe), INVALID_FILE_ATTRIBUTES)
        << KorvaneLauncher::kExe << " is not deployed";
    // A copy left over from an earlier test would answer for this one.
    HWND stray = FindWindowA(nullptr, WindowFinder::kConsoleTitle);
    ASSERT_EQ(stray, nullptr) << "a console is already open before the test";
    m_settings = std::make_unique<RegSnapshot>(HKEY_LOCAL_MACHINE, SettingsKey::kPath);
    m_sim = std::make_unique<RegSnapshot>(HKEY_LOCAL_MACHINE, kSimKey);
    m_journalMark = m_launchMark = Journal::Mark();
}

void KorvaneTest::TearDown() {
    // Before the copies end: the state they left the input in.
    if (HasFailure()) std::cout << "input: " << InputDriver::DescribeState() << "\n";
    for (KorvaneProcess& p : m_processes) {
        if (p.Running()) ADD_FAILURE() << "pid " << p.Pid() << " still running at the end; killed";
        p.Kill();
    }
    m_processes.clear();
    KorvaneLauncher::ClearAppDefaults();
    for (const RegSnapshot* snapshot : {m_settings.get(), m_sim.get()}) EXPECT_TRUE(!snapshot || snapshot->Restore());
    if (HasFailure()) {
        // Without the status relay's lines, which come every 100 ms.
        std::vector<JournalEntry> lines;
        for (const JournalEntry& e : JournalSinceStart())
            if (e.a != "0x002200C4" && e.a != "0x002200C8") lines.push_back(e);
        if (lines.size() > 40) lines.erase(lines.begin(), lines.end() - 40);
        std::cout << "journal of this test (last lines):\n" << Journal::Format(lines);
    }
}

KorvaneProcess& KorvaneTest::Start(const KorvaneLauncher& launcher) {
    m_launchMark = Journal::Mark();
    std::string error;
    m_processes.push_back(launcher.Launch(&error));
    EXPECT_TRUE(m_processes.back().Valid()) << error;
    return m_processes.back();
}

KorvaneProcess& KorvaneTest::Start(const std::string& version) {
    return Start(KorvaneLauncher().Version(version));
}

std::vector<KorvaneProcess*> KorvaneTest::StartTogether(const std::string& version, int count) {
    std::vector<KorvaneProcess*> out;
    m_launchMark = Journal::Mark();
    EXPECT_TRUE(KorvaneLauncher().Version(version).Apply());
    std::string error;
    for (KorvaneProcess& p :
         KorvaneProcess::StartTogether(KorvaneLauncher::kExe, KorvaneLauncher::kDir, count, &error)) {
        m_processes.push_back(std::move(p));
        out.push_back(&m_processes.back());
    }
    EXPECT_EQ(static_cast<int>(out.size()), count) << error;
    return out;
}

HWND KorvaneTest::StartToConsole(const std::string& version, KorvaneProcess** process) {
    return StartToConsole(KorvaneLauncher().Version(version), process);
}

HWND KorvaneTest::StartToConsole(const KorvaneLauncher& launcher, KorvaneProcess** process) {
    KorvaneProcess& p = Start(launcher);
    if (process) *process = &p;
    HWND console = nullptr, box = nullptr;
    WaitForConsoleOrBox(p, &console, &box);
    EXPECT_EQ(box, nullptr) << "unexpected message box: " << WindowFinder::MessageBoxText(box);
    EXPECT_NE(console, nullptr) << "no console within " << kStartMs << " ms (" << launcher.GetVersion() << ")";
    if (console) {
        EXPECT_TRUE(WaitPlaced(console));
    }
    return console;
}

// The skin places the controls at the first paint; input aimed at one
// before then would land where it no longer is.
::testing::AssertionResult KorvaneTest::WaitPlaced(HWND console) {
    const bool placed = WaitUntil(
        [&] {
            RECT r;
            HWND animation = GetDlgItem(console, 1003);
            if (!animation || !GetWindowRect(animation, &r)) return false;
            POINT corner = {r.left, r.top};
            ScreenToClient(console, &corner);
            return corner.x == 47 && corner.y == 50;
        },
        kStartMs);
    if (!placed) return ::testing::AssertionFailure() << "the console's controls never came to their places";
    return ::testing::AssertionSuccess();
}

HWND KorvaneTest::OpenAboutByCommand(const KorvaneProcess& p, HWND console) {
    PostCommand(console, 0x0010);
    return WindowFinder(p.Pid()).WaitAbout(kUiMs);
}

void KorvaneTest::WaitForConsoleOrBox(const KorvaneProcess& p, HWND* console, HWND* box) {
    *console = *box = nullptr;
    if (!p.Valid()) return;
    WindowFinder finder(p.Pid());
    WaitUntil(
        [&] {
            *box = finder.MessageBox();
            *console = finder.Console();
            return *box || *console || !p.Running();
        },
        kStartMs);
}

::testing::AssertionResult KorvaneTest::EscapeAbout(HWND about) {
    if (!InputDriver::Activate(about) || !InputDriver::Key(VK_ESCAPE))
        return ::testing::AssertionFailure() << "Escape did not reach the About window";
    if (!WaitUntil([&] { return !IsWindow(about); }, kUiMs))
        return ::testing::AssertionFailure() << "Escape did not close the About window";
    return ::testing::AssertionSuccess();
}

bool KorvaneTest::SystemMenuShown() {
    HWND menu = FindWindowA("#32768", nullptr);
    return menu && IsWindowVisible(menu);
}

// The menu must be up before the keys that work it. Right after start-up on a
// fresh, emulated Wine the first Alt+Space is now and then lost; a user would
// press it again, so may we.
::testing::AssertionResult KorvaneTest::OpenSystemMenuByKeyboard(HWND console) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!InputDriver::Activate(console) || !InputDriver::Key(VK_SPACE, InputDriver::kAlt))
            return ::testing::AssertionFailure() << "Alt+Space did not reach the console";
        if (WaitUntil(SystemMenuShown, kUiMs / 2)) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "Alt+Space opened no system menu";
}

::testing::AssertionResult KorvaneTest::CloseAndWait(KorvaneProcess& p, HWND console) {
    PostMessageA(console, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!p.WaitForExit(kExitMs))
        return ::testing::AssertionFailure() << "still running " << kExitMs << " ms after SC_CLOSE";
    return ::testing::AssertionSuccess();
}

void KorvaneTest::PostCommand(HWND console, WPARAM command) {
    EXPECT_TRUE(CaughtUp(console));
    PostMessageA(console, WM_SYSCOMMAND, command, 0);
}

::testing::AssertionResult KorvaneTest::CaughtUp(HWND window) {
    std::string error;
    if (!InProcessProbe::WaitIdle(window, &error, kStartMs))
        return ::testing::AssertionFailure() << "the program did not get through its waiting input: " << error;
    PumpOwnMessages();  // what it told us meanwhile (window events) is read too
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult KorvaneTest::TimerTurned(HWND window, UINT_PTR id, int turns) {
    std::string error;
    if (!InProcessProbe::WaitTimerTurns(window, id, turns, &error, kStartMs))
        return ::testing::AssertionFailure() << "timer " << id << " did not turn " << turns << " times: " << error;
    return ::testing::AssertionSuccess();
}

bool KorvaneTest::SetInstallAnswer(DWORD answer) {
    RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, kSimKey);
    return key.Valid() && key.SetDword("InstallAnswer", answer);
}
