// Only one copy runs: a second start raises the first copy's console and ends.
#include "KorvaneTest.h"

#include "harness/DecoyWindow.h"
#include "harness/Wait.h"

#include <cstring>

class SingleInstanceTest : public KorvaneTest {
protected:
    // The About window still open is closed by its OK.
    static void CloseAbout(HWND about) {
        EXPECT_TRUE(IsWindow(about)) << "the About window closed";
        PostMessageA(about, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, kUiMs));
    }

    // Starts a second copy and expects it to end on its own without ever
    // showing a window of its own.
    void ExpectSecondCopyEnds() {
        KorvaneProcess& second = Start("winxp");
        ASSERT_TRUE(second.Valid());
        WindowFinder finder(second.Pid());
        bool showedWindow = false;
        WaitUntil(
            [&] {
                showedWindow = showedWindow || !finder.Dialogs().empty();
                return !second.Running();
            },
            kStartMs);
        EXPECT_FALSE(second.Running()) << "the second copy did not end";
        EXPECT_FALSE(showedWindow) << "the second copy showed a window";
    }
};

TEST_F(SingleInstanceTest, SecondStartRaisesTheFirstAndEndsAndAStartAfterTheFirstClosedOpensNormally) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    DecoyWindow decoy;
    ASSERT_TRUE(decoy.TakeForeground()) << "cannot move the foreground away from the console";

    ExpectSecondCopyEnds();
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == m_console; }, kUiMs))
        << "the first copy's console was not raised";
    EXPECT_TRUE(m_korvane->Running());
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));

    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp")) << "a start after the first copy ended did not open the console";
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

TEST_F(SingleInstanceTest, SecondStartFindsTheConsoleWhileAboutIsOpen) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("win98"));
    HWND about = OpenAboutByCommand(*m_korvane, m_console);
    ASSERT_NE(about, nullptr) << "the About window did not open";
    DecoyWindow decoy;
    ASSERT_TRUE(decoy.TakeForeground());

    ExpectSecondCopyEnds();
    // The console is disabled behind its modal About window; raising it
    // brings the first copy to the front either way.
    EXPECT_TRUE(WaitUntil(
        [&] {
            HWND fg = GetForegroundWindow();
            return fg && WindowFinder::ProcessOf(fg) == m_korvane->Pid();
        },
        kUiMs))
        << "the first copy was not raised";
    CloseAbout(about);
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

// Six copies let go at the same moment: one of them wins the mutex and opens
// the console, the other five end without a window of their own.
class StartRaceTest : public SingleInstanceTest {
protected:
    // Visible consoles on the desktop, whichever process owns them.
    static BOOL CALLBACK AddConsole(HWND w, LPARAM out) {
        char title[32] = "";
        GetWindowTextA(w, title, sizeof title);
        if (IsWindowVisible(w) && strcmp(title, WindowFinder::kConsoleTitle) == 0)
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
        return TRUE;
    }
    static std::vector<HWND> Consoles() {
        std::vector<HWND> found;
        EnumWindows(AddConsole, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    // Waits until all but `survivors` of the copies have ended; returns the
    // ones still running.
    std::vector<KorvaneProcess*> Survivors(const std::vector<KorvaneProcess*>& copies, size_t survivors) {
        std::vector<KorvaneProcess*> running;
        WaitUntil(
            [&] {
                running.clear();
                for (KorvaneProcess* p : copies)
                    if (p->Running()) running.push_back(p);
                return running.size() <= survivors;
            },
            kStartMs);
        return running;
    }
};

TEST_F(StartRaceTest, SixCopiesAtOnceGiveOneConsole) {
    const std::vector<KorvaneProcess*> copies = StartTogether("winxp", 6);
    ASSERT_EQ(copies.size(), 6u);
    const std::vector<KorvaneProcess*> running = Survivors(copies, 1);
    ASSERT_EQ(running.size(), 1u) << "copies still running";
    HWND console = WindowFinder(running[0]->Pid()).WaitConsole(kStartMs);
    ASSERT_NE(console, nullptr) << "the copy that stayed shows no console";
    // The others have ended; the survivor has taken all its start's work.
    ASSERT_TRUE(CaughtUp(console));
    EXPECT_EQ(Consoles(), std::vector<HWND>{console});
    EXPECT_TRUE(CloseAndWait(*running[0], console));
}

TEST_F(StartRaceTest, SixCopiesAtOnceWhileAboutIsOpenAllEnd) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("win98"));
    HWND about = OpenAboutByCommand(*m_korvane, m_console);
    ASSERT_NE(about, nullptr) << "the About window did not open";

    const std::vector<KorvaneProcess*> copies = StartTogether("win98", 6);
    ASSERT_EQ(copies.size(), 6u);
    EXPECT_TRUE(Survivors(copies, 0).empty()) << "copies still running";
    EXPECT_EQ(Consoles(), std::vector<HWND>{m_console});
    EXPECT_TRUE(m_korvane->Running());
    CloseAbout(about);
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}
