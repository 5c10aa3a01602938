// Base fixture of the end-to-end tests: every test starts from the same
// shared state (registry, Wine's per-program settings, journal position) and
// puts it back afterwards; copies of the program it started are ended.
#pragma once

#include "harness/Journal.h"
#include "harness/KorvaneLauncher.h"
#include "harness/KorvaneProcess.h"
#include "harness/RegSnapshot.h"
#include "harness/WindowFinder.h"

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <string>

class KorvaneTest : public ::testing::Test {
protected:
    // Under emulation a start takes seconds; these are generous on purpose.
    // Every wait ends on its state, so they cost nothing when all is well;
    // kUiMs is long enough for a machine busy beside two Wine sessions
    // (10 s was seen to run out there for a wheel turn and a form change).
    static constexpr DWORD kStartMs = 45000;
    static constexpr DWORD kExitMs = 20000;
    static constexpr DWORD kUiMs = 30000;

    static const char* const kSimKey;  // HKLM\Software\KorvaneSim

    void SetUp() override;
    void TearDown() override;

    // Starts a copy; the fixture keeps it and ends it after the test.
    KorvaneProcess& Start(const KorvaneLauncher& launcher);
    KorvaneProcess& Start(const std::string& version);
    // Starts count copies at the same moment; the fixture keeps them.
    std::vector<KorvaneProcess*> StartTogether(const std::string& version, int count);
    // Starts a copy and waits for its console; fails the test otherwise.
    HWND StartToConsole(const std::string& version, KorvaneProcess** process = nullptr);
    HWND StartToConsole(const KorvaneLauncher& launcher, KorvaneProcess** process = nullptr);
    // The same into m_korvane and m_console; under ASSERT_NO_FATAL_FAILURE,
    // as it fails the test without a console.
    void StartConsole(const std::string& version) {
        m_console = StartToConsole(version, &m_korvane);
        ASSERT_NE(m_console, nullptr);
    }

    // Waits until the process shows a console or a message box, whichever
    // comes first; the other stays null.
    void WaitForConsoleOrBox(const KorvaneProcess& p, HWND* console, HWND* box);
    // Opens the About window by the system menu's command; null when none
    // appears in time.
    HWND OpenAboutByCommand(const KorvaneProcess& p, HWND console);
    // Closes the About window by Escape, as a user would.
    static ::testing::AssertionResult EscapeAbout(HWND about);
    // Opens the console's system menu by Alt+Space; see SystemMenuShown.
    static ::testing::AssertionResult OpenSystemMenuByKeyboard(HWND console);
    // The menu's own window (class #32768) is up.
    static bool SystemMenuShown();
    // Ends the program by the system menu's Close, as a user would.
    ::testing::AssertionResult CloseAndWait(KorvaneProcess& p, HWND console);

    // Until the window's thread has taken every input and message waiting
    // for it when called: what the program does with input sent before is
    // then done (and on screen, as paints come before the barrier).
    static ::testing::AssertionResult CaughtUp(HWND window);
    // A system menu command, as a user's choice comes: after the input sent
    // before it. (A posted message is read before waiting input: F10's
    // release, read after the command had opened the About window, put that
    // window into menu mode, where Tab and Escape went to the menu.)
    static void PostCommand(HWND console, WPARAM command);
    // Until the window's thread has taken the timer's message `turns` times
    // from now: what the timer does has then had its chance.
    static ::testing::AssertionResult TimerTurned(HWND window, UINT_PTR id, int turns);
    // Until the console has placed its controls (its first paint).
    static ::testing::AssertionResult WaitPlaced(HWND console);

    std::vector<JournalEntry> JournalSinceStart() const { return Journal::Read(m_journalMark); }
    // The journal's size when the latest copy was started.
    unsigned long long LaunchMark() const { return m_launchMark; }
    static bool SetInstallAnswer(DWORD answer);

    KorvaneProcess* m_korvane = nullptr;
    HWND m_console = nullptr;

private:
    std::list<KorvaneProcess> m_processes;
    std::unique_ptr<RegSnapshot> m_settings, m_sim;
    unsigned long long m_journalMark = 0, m_launchMark = 0;
};
