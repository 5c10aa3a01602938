// Which programs the engine reaches, posing as Windows 98: the test player
// (korvplay.exe) lives as a windowless program reading its queue, a program
// with a window, or a console program that never touches a queue, and posts
// itself nothing. Installed, the logon host (KorvHost.exe) holds the engine's
// hooks before anything plays; unpacked from the zip, Korvane's hook call
// brings the engine in. What reaches the sound card (the session's ALSA file
// device) is compared with the effects library's rendering of the signal for
// the state the journal says the hook received, chunk by chunk.

#include "fxengine/host/HostNames.h"
#include "harness/Wait.h"
#include "sound/PlayerTest.h"
#include "sound/WaveChunks.h"
#include "tests/common/Spawn.h"

namespace {

const char* const kHostExe = "C:\\korvane\\" KORVHOST_EXE;

// The effects here (no Soundfields) glide out within two buffers once
// Korvane closed: the last chunk's last buffer is the player's own again.
const WaveLayout kLayout;

class ReachTest : public PlayerTest {
protected:
    ReachTest() : PlayerTest("KorvaneReachTest") {}
    void TearDown() override {
        m_player.Forget();
        EXPECT_TRUE(StopHost()) << "the host did not end when asked";
        PlayerTest::TearDown();
    }

    // The logon arrangement: the host started as the Run key starts it,
    // posing as Windows 98; true once it holds the engine's hooks and has
    // made its (hidden) window, which comes after them.
    bool StartHost() {
        TestPlayer::PoseAs(KORVHOST_EXE, "win98");
        const unsigned long long mark = Journal::Mark();
        m_host = SpawnHost();
        if (!m_host.IsOpen()) return false;
        return WaitUntil(
            [&] {
                for (const JournalEntry& e : Journal::Select(Journal::Read(mark), "HOOK", "CALL", "KorvHostHook"))
                    if (e.Result() == 1u) return FindWindowA(KORVHOST_WINDOW_CLASS, nullptr) != nullptr;
                return false;
            },
            kStartMs);
    }
    // As setup and the uninstaller do: the quit event, then the host ends.
    bool StopHost() {
        if (!m_host.IsOpen()) return true;
        HANDLE quit = OpenEventA(EVENT_MODIFY_STATE, FALSE, KORVHOST_QUIT_EVENT);
        if (quit) {
            SetEvent(quit);
            CloseHandle(quit);
        }
        const bool ended = WaitForSingleObject(m_host.Get(), kExitMs) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(m_host.Get(), 99);
        m_host.Close();
        return ended;
    }
    static ObjectHandle SpawnHost() { return Spawn(kHostExe, std::string("\"") + kHostExe + "\"", "C:\\korvane"); }

    // Plays `chunks` chunks, living as `mode` says; by default each chunk
    // has played before the player says it wrote it.
    bool StartPlayer(const char* mode, DWORD chunks, const char* callback = "function", const char* more = "drain=1") {
        return m_player.Start("win98", kLayout.Words(chunks) + " callback=" + callback + " mode=" + mode + " " + more);
    }
    // Silence where Wine's mixer ran late on a busy machine, even inside a
    // buffer, is left alone: every frame itself must be found, in order.
    WaveChunks ExpectHeard(const std::vector<fx::FxParams>& states) {
        return ExpectPlayedAndHeard(m_player, kLayout, states);
    }
    ObjectHandle m_host;
};

// Installed: music plays, then the user opens Korvane to shape it. The
// player started after the host (so at its first window) and before
// Korvane: its device is the engine's from the start, untouched while no
// console runs, shaped by the knobs once Korvane is there, and its own
// sound again once Korvane closed.
TEST_F(ReachTest, AWindowPlayerStartedBeforeKorvaneIsShapedOnceKorvaneStarts) {
    StoreSettings(6, 6, 0, 0, 0);
    ASSERT_TRUE(StartHost()) << "the host did not set its hooks";
    ASSERT_TRUE(StartPlayer("window", 3));
    ASSERT_TRUE(m_player.Wrote()) << "the player did not get through its first chunk";

    ASSERT_NO_FATAL_FAILURE(StartEngine());
    const fx::FxParams set = HookState(Journal::Read(LaunchMark()));
    m_player.Go();
    ASSERT_TRUE(m_player.Wrote());

    ASSERT_TRUE(CloseToUnhook(*m_korvane, m_console));
    m_player.Go();
    const WaveChunks heard = ExpectHeard({Off(), set, Off()});
    EXPECT_TRUE(heard.ChunkIsOwn(0)) << "the engine changed the sound while no console ran";
    EXPECT_GT(heard.SideEnergy(1), heard.SideEnergy(0) * 1.2) << "3D at 6 did not widen";
    EXPECT_TRUE(heard.EndsOwn()) << "the effects did not end after Korvane closed";
}

// A windowless program that reads its queue, started after Korvane, in the
// installed layout and unpacked from the zip alike. It opens its first
// device before it has read a message, so nothing could enter it yet: that
// track plays untouched (the README names the gap). The device's own
// notification is its first message, which brings the engine in: the next
// track, on a newly opened device, is shaped as the knobs say. (The capture
// holds the last device's sound.)
TEST_F(ReachTest, AWindowlessPlayerStartedAfterKorvaneIsShapedFromItsFirstMessageOn) {
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "installed (host running)" : "zip (no host)");
        StoreSettings(5, 5, 0, 0, 0);
        if (installed) {
            ASSERT_TRUE(StartHost()) << "the host did not set its hooks";
        }
        ASSERT_NO_FATAL_FAILURE(StartEngine());
        const fx::FxParams set = HookState(Journal::Read(LaunchMark()));
        ASSERT_TRUE(StartPlayer("queue", 1, "thread", "tracks=2 drain=1"));
        EXPECT_FALSE(ExpectHeard({set}).ChunkIsOwn(0)) << "levels 5 changed nothing";
        ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
        ASSERT_TRUE(StopHost());
        m_player.Forget();
    }
}

// With the host the engine stays in every program whatever the console
// does: closing Korvane need not wait for buffers still inside it.
TEST_F(ReachTest, WithTheHostKorvaneClosesWithoutWaitingForPlayingPrograms) {
    StoreSettings(5, 5, 0, 0, 0);
    ASSERT_TRUE(StartHost());
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    // Its device paused, the player's first chunk stays inside the engine.
    ASSERT_TRUE(StartPlayer("window", 2, "function", "paused=1"));
    ASSERT_TRUE(m_player.Wrote());
    ExpectUnloadAnsweredAtOnce(*m_korvane, m_console);
}

// One host per session; it ends at logoff as when asked, taking its hooks.
TEST_F(ReachTest, TheHostIsSingleAndEndsAtTheEndOfTheSession) {
    ASSERT_TRUE(StartHost());
    const auto hostCalls = [&] { return Journal::Select(JournalSinceStart(), "HOOK", "CALL", "KorvHostHook").size(); };
    const ObjectHandle second = SpawnHost();
    ASSERT_TRUE(second.IsOpen());
    EXPECT_EQ(WaitForSingleObject(second.Get(), kExitMs), WAIT_OBJECT_0) << "a second host stays";
    EXPECT_EQ(hostCalls(), 1u) << "the second host touched the hooks";

    // What the system sends each top-level window when the user logs off.
    HWND window = FindWindowA(KORVHOST_WINDOW_CLASS, nullptr);
    ASSERT_NE(window, nullptr) << "the host has no window to hear of the end of the session";
    EXPECT_FALSE(IsWindowVisible(window)) << "the host shows a window";
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_EQ(WaitForSingleObject(m_host.Get(), kExitMs), WAIT_OBJECT_0) << "the host stays after logoff";
    EXPECT_EQ(hostCalls(), 2u) << "the host did not take its hooks away";
}

// A console program never touches a message queue, so no hook enters it and
// the system offers no other way in (see the README): it plays its own
// sound, bit for bit, whatever the knobs say, and comes to no harm.
TEST_F(ReachTest, AConsolePlayerIsLeftAsItIs) {
    StoreSettings(8, 8, 0, 0, 0);
    ASSERT_TRUE(StartHost());
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    ASSERT_TRUE(StartPlayer("console", 2, "event"));
    ASSERT_TRUE(m_player.Wrote());
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    m_player.Go();
    ExpectHeard({Off(), Off()});
}

}  // namespace
