// Start-up under each Windows version: which platform branch runs, what the
// installer library is asked, which information boxes appear.
#include "KorvaneTest.h"

#include "harness/FileSwap.h"
#include "harness/InProcessProbe.h"
#include "harness/InputDriver.h"
#include "harness/Wait.h"

namespace {

const char kDirectXText[] =
    "DirectX konnte nicht gefunden werden!\nInstallieren Sie bitte DirectX und starten Sie neu."
    "\n\nKlicken Sie auf OK zur Best\xE4tigung.";
const char kRestartText[] =
    "Unterst\xFCtzung f\xFCr neues Ausgabeger\xE4t ist nun installiert.\nSie m\xFCssen Ihren Rechner "
    "neu starten, damit das neue Ausgabeger\xE4t arbeiten kann.\n\nKlicken Sie auf OK zur "
    "Best\xE4tigung.";
const char kInstallerPath[] = "C:\\korvane\\QuorInst.dll";

std::vector<std::string> InstallerCalls(const std::vector<JournalEntry>& journal) {
    std::vector<std::string> names;
    for (const JournalEntry& e : Journal::Select(journal, "INST", "CALL")) names.push_back(e.a);
    return names;
}

}  // namespace

class StartupTest : public KorvaneTest {
protected:
    // Without the journal, "no installer calls" would hold whatever ran.
    void SetUp() override {
        KorvaneTest::SetUp();
        ASSERT_TRUE(Journal::Exists()) << "the simulated engine's journal is missing";
    }

    // Expects an information box with the caption " Korvane " and this text,
    // no console before or after it, and the end of the process after OK.
    void ExpectBoxThenExit(KorvaneProcess& p, const std::string& text) {
        HWND console = nullptr, box = nullptr;
        WaitForConsoleOrBox(p, &console, &box);
        ASSERT_EQ(console, nullptr) << "the console opened";
        ASSERT_NE(box, nullptr) << "no message box";
        EXPECT_EQ(WindowFinder::Text(box), WindowFinder::kConsoleTitle);
        EXPECT_EQ(WindowFinder::MessageBoxText(box), text);
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr) << "the box has an owner";
        // An information box with the one button OK.
        std::string icon, error;
        EXPECT_TRUE(InProcessProbe::BoxIcon(box, &icon, &error)) << error;
        EXPECT_EQ(icon, "information");
        EXPECT_NE(GetDlgItem(box, IDOK), nullptr) << "no OK button";
        for (int other : {IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
            EXPECT_EQ(GetDlgItem(box, other), nullptr) << "a button with the id " << other;
        ASSERT_TRUE(InputDriver::ClickControl(box, IDOK));
        WindowFinder finder(p.Pid());
        bool consoleSeen = false;
        WaitUntil(
            [&] {
                consoleSeen = consoleSeen || finder.Console();
                return !p.Running();
            },
            kExitMs);
        EXPECT_FALSE(consoleSeen) << "a console opened after the box";
        EXPECT_FALSE(p.Running()) << "the process did not end after OK";
    }

    void ExpectConsoleWithoutInstallerCalls(const std::string& version) {
        ASSERT_NO_FATAL_FAILURE(StartConsole(version));
        EXPECT_TRUE(InstallerCalls(JournalSinceStart()).empty()) << Journal::Format(JournalSinceStart());
        EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
    }
};

TEST_F(StartupTest, Win95UsesDirectSoundAndNeverLoadsTheInstaller) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("win95"));
    bool installer = true, dsound = false;
    std::string error;
    ASSERT_TRUE(InProcessProbe::IsModuleLoaded(m_console, "QuorInst.dll", &installer, &error)) << error;
    ASSERT_TRUE(InProcessProbe::IsModuleLoaded(m_console, "DSound.dll", &dsound, &error)) << error;
    EXPECT_FALSE(installer) << "QuorInst.dll is loaded under win95";
    EXPECT_TRUE(dsound) << "DSound.dll was not probed (it stays loaded once probed)";
    EXPECT_TRUE(InstallerCalls(JournalSinceStart()).empty()) << Journal::Format(JournalSinceStart());
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

TEST_F(StartupTest, Win95WithoutDirectSoundShowsTheDirectXBoxOnly) {
    ExpectBoxThenExit(Start(KorvaneLauncher().Version("win95").DllOverride("dsound", "")), kDirectXText);
    EXPECT_TRUE(InstallerCalls(JournalSinceStart()).empty());
}

// Newer systems, including 98 and ME, run the installer and never look for
// DirectSound: with DSound.dll unavailable they still open the console.
class NewerSystemStartupTest : public StartupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(NewerSystemStartupTest, CallsBothInstallerExportsInOrderAndOpensTheConsole) {
    ASSERT_TRUE(SetInstallAnswer(0));
    m_console = StartToConsole(KorvaneLauncher().Version(GetParam()).DllOverride("dsound", ""), &m_korvane);
    ASSERT_NE(m_console, nullptr);
    const std::vector<JournalEntry> journal = JournalSinceStart();
    EXPECT_EQ(InstallerCalls(journal),
              (std::vector<std::string>{"InstallDriverRegEntries", "InstallFilterOverSoundDrivers"}))
        << Journal::Format(journal);
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

INSTANTIATE_TEST_SUITE_P(Versions, NewerSystemStartupTest,
                         ::testing::Values("win98", "winme", "win2k", "winxp", "win2003"));

class InstallAnswerOneTest : public StartupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(InstallAnswerOneTest, ShowsTheRestartBoxAndNoConsole) {
    ASSERT_TRUE(SetInstallAnswer(1));
    ExpectBoxThenExit(Start(GetParam()), kRestartText);
    EXPECT_EQ(InstallerCalls(JournalSinceStart()).size(), 2u) << Journal::Format(JournalSinceStart());
}

INSTANTIATE_TEST_SUITE_P(Versions, InstallAnswerOneTest, ::testing::Values("winme", "winxp"));

class InstallAnswerOtherTest : public StartupTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(InstallAnswerOtherTest, OpensTheConsoleSilently) {
    ASSERT_TRUE(SetInstallAnswer(GetParam()));
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    const std::vector<JournalEntry> calls =
        Journal::Select(JournalSinceStart(), "INST", "CALL", "InstallFilterOverSoundDrivers");
    ASSERT_EQ(calls.size(), 1u) << Journal::Format(JournalSinceStart());
    EXPECT_EQ(calls[0].Result(), std::optional<DWORD>(GetParam())) << calls[0].raw;
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

INSTANTIATE_TEST_SUITE_P(Answers, InstallAnswerOtherTest, ::testing::Values(0u, 2u));

TEST_F(StartupTest, MissingInstallerIsIgnored) {
    ASSERT_TRUE(SetInstallAnswer(1));  // would show the restart box if it were called
    FileSwap installer(kInstallerPath);
    ASSERT_TRUE(installer.Remove());
    ExpectConsoleWithoutInstallerCalls("winxp");
    EXPECT_TRUE(installer.Restore());
}

class MissingExportTest : public StartupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingExportTest, InstallerWithoutTheExportIsIgnored) {
    const std::string variant = std::string("C:\\korvane-sim\\variants\\QuorInst-no") + GetParam() + ".dll";
    ASSERT_NE(GetFileAttributesA(variant.c_str()), INVALID_FILE_ATTRIBUTES) << variant << " is missing";
    ASSERT_TRUE(SetInstallAnswer(1));
    FileSwap installer(kInstallerPath);
    ASSERT_TRUE(installer.ReplaceWith(variant));
    ExpectConsoleWithoutInstallerCalls("win98");
    EXPECT_TRUE(installer.Restore());
}

INSTANTIATE_TEST_SUITE_P(Exports, MissingExportTest,
                         ::testing::Values("InstallDriverRegEntries", "InstallFilterOverSoundDrivers"));
