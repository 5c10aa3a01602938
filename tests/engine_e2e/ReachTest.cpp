// Which programs the engine reaches, posing as Windows 98: the test player
// (korvplay.exe) lives as a windowless program reading its queue, a program
// with a window, or a console program that never touches a queue, and posts
// itself nothing. Installed, the logon host (KorvHost.exe) holds the engine's
// hooks before anything plays; unpacked from the zip, Korvane's hook call
// brings the engine in. What reaches the sound card (the session's ALSA file
// device) is compared with the effects library's rendering of the signal for
// the state the journal says the hook received, chunk by chunk.
#include "EngineTest.h"

#include "engine/ControlCodes.h"
#include "fx/FxParams.h"
#include "fxengine/host/HostNames.h"
#include "fxengine/stream/Period.h"
#include "harness/Wait.h"
#include "tests/common/AudioMatch.h"
#include "tests/common/CaptureFile.h"
#include "tests/common/EngineRender.h"
#include "tests/common/TestSignal.h"

#include <cstdlib>

namespace {

constexpr DWORD kRate = 11025, kChannels = 2, kBits = 16, kFrames = 1024, kBuffers = 8;
constexpr DWORD kBlock = kChannels * kBits / 8;
// The last chunk is long enough for the effects to glide out once Korvane closed.
constexpr DWORD kLastBuffers = 24;
const char* const kSync = "KorvaneReachTest";
const char* const kHostExe = "C:\\korvane\\" KORVHOST_EXE;
// A chunk of kBuffers buffers lasts 0.74 s; the player has played it well
// within this (only pacing: the engine may process a buffer close to when
// the device needs it, so a knob must not change while one is queued).
constexpr DWORD kChunkPlayedMs = 2000;

fx::FxParams Off() {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    return p;
}

// The engine state after the hook's level messages among `entries`.
fx::FxParams StateFrom(const std::vector<JournalEntry>& entries) {
    fx::FxParams p = Off();
    for (const JournalEntry& e : entries) {
        if (e.chan != "HOOK" || e.kind != "IOCTL") continue;
        const auto code = e.Code();
        const auto payload = e.Payload();
        if (!code || !payload || *code == IOCTL_SET_STATUS) continue;
        const DWORD value = *payload;
        fx::FxParams_Apply(&p, *code, &value, 4);
    }
    return p;
}

class ReachTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        const char* capture = getenv("KORVANE_AUDIO_OUT");
        ASSERT_NE(capture, nullptr) << "no capture device: run under tools/run-tests.sh";
        m_capture = WindowsPath(capture);
        m_wrote = CreateEventA(nullptr, FALSE, FALSE, (std::string(kSync) + ".wrote").c_str());
        m_go = CreateEventA(nullptr, FALSE, FALSE, (std::string(kSync) + ".go").c_str());
    }
    void TearDown() override {
        if (m_player.hProcess) {
            if (WaitForSingleObject(m_player.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_player.hProcess, 99);
            CloseHandle(m_player.hProcess);
            CloseHandle(m_player.hThread);
        }
        EXPECT_TRUE(StopHost()) << "the host did not end when asked";
        CloseHandle(m_wrote);
        CloseHandle(m_go);
        EngineTest::TearDown();
    }

    // The logon arrangement: the host started as the Run key starts it,
    // posing as Windows 98; true once it holds the engine's hooks.
    bool StartHost() {
        SetVersion(KORVHOST_EXE);
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        char cmd[MAX_PATH];
        snprintf(cmd, sizeof cmd, "\"%s\"", kHostExe);
        if (!CreateProcessA(kHostExe, cmd, nullptr, nullptr, FALSE, 0, nullptr, "C:\\korvane", &si, &m_host))
            return false;
        return WaitUntil(
            [&] {
                for (const JournalEntry& e : Journal::Select(JournalSinceStart(), "HOOK", "CALL", "KorvHostHook"))
                    if (e.Result() == 1u) return true;
                return false;
            },
            kStartMs);
    }
    // As setup and the uninstaller do: the quit event, then the host ends.
    bool StopHost() {
        if (!m_host.hProcess) return true;
        HANDLE quit = OpenEventA(EVENT_MODIFY_STATE, FALSE, KORVHOST_QUIT_EVENT);
        if (quit) {
            SetEvent(quit);
            CloseHandle(quit);
        }
        const bool ended = WaitForSingleObject(m_host.hProcess, kExitMs) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(m_host.hProcess, 99);
        CloseHandle(m_host.hProcess);
        CloseHandle(m_host.hThread);
        m_host = {};
        return ended;
    }

    static void SetVersion(const std::string& exe) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\Wine\\AppDefaults\\" + exe).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
            RegCloseKey(key);
        }
    }

    // Plays `chunks` chunks (the last kLastBuffers long), living as `mode`
    // says; by default each chunk has played before the player says it wrote it.
    bool StartPlayer(const char* mode, DWORD chunks, const char* callback = "function",
                     const char* more = "drain=1") {
        const std::string exe = WindowsPath(KORVPLAY_EXE);
        SetVersion("korvplay.exe");
        char args[1024];
        snprintf(args, sizeof args,
                 "\"%s\" rate=%lu channels=%lu bits=%lu frames=%lu buffers=%lu chunks=%lu callback=%s sync=%s "
                 "last=%lu mode=%s %s",
                 exe.c_str(), kRate, kChannels, kBits, kFrames, kBuffers, chunks, callback, kSync, kLastBuffers, mode,
                 more);
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        DeleteFileA(m_capture.c_str());
        m_chunks = chunks;
        return CreateProcessA(exe.c_str(), args, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_player) != 0;
    }
    // The player wrote a chunk and has played it (false when it ended instead).
    bool ChunkPlayed() {
        const HANDLE either[] = {m_wrote, m_player.hProcess};
        if (WaitForMultipleObjects(2, either, FALSE, 60000) != WAIT_OBJECT_0) return false;
        Sleep(kChunkPlayedMs);
        return true;
    }
    void Go() { SetEvent(m_go); }

    HWND StartKorvane(KorvaneProcess** korvane) {
        HWND console = StartToConsole("win98", korvane);
        if (console && !WaitForJournal("HOOK", "IOCTL", "0x00220144", 15000)) return nullptr;
        return console;
    }

    // The player ended well, and what was heard is, chunk by chunk, the
    // engine's rendering of the signal with `states`.
    void ExpectHeard(const std::vector<fx::FxParams>& states) {
        ASSERT_EQ(states.size(), m_chunks);
        ASSERT_EQ(WaitForSingleObject(m_player.hProcess, 60000), WAIT_OBJECT_0);
        DWORD exitCode = 0;
        GetExitCodeProcess(m_player.hProcess, &exitCode);
        EXPECT_EQ(exitCode, 0u) << "korvplay exit code (see its source)";

        // Rendered as the engine works: each chunk has played before the
        // next is written, so the engine cuts its periods from the chunk's start.
        EngineRender render({1, kChannels, kRate, kBits, kBlock});
        const size_t periodBytes = fxengine::PeriodFrames(kRate) * kBlock;
        std::string buffer(kFrames * kBlock, '\0');
        m_input.clear();
        m_expected.clear();
        DWORD frame = 0;
        for (DWORD c = 0; c < m_chunks; ++c) {
            std::string chunk;
            for (DWORD b = 0; b < (c + 1 == m_chunks ? kLastBuffers : kBuffers); ++b, frame += kFrames) {
                testsignal::Fill(&buffer[0], kFrames * kBlock, frame, kRate, kChannels, kBits);
                chunk += buffer;
            }
            for (size_t at = 0; at < chunk.size(); at += periodBytes)
                render.Buffer(states[c], chunk.data() + at,
                              static_cast<uint32_t>(std::min(periodBytes, chunk.size() - at)), &m_expected);
            m_input += chunk;
        }
        const std::string captured = ReadAll(m_capture);
        const audiomatch::Result r =
            audiomatch::Match(captured.data(), captured.size(), m_expected.data(), m_expected.size(), kBlock, 0);
        EXPECT_TRUE(r.same) << "captured " << captured.size() << " bytes, expected " << m_expected.size() << "; "
                            << r.matchedFrames << " frames matched, difference at captured frame " << r.firstDifference
                            << (captured == m_input ? " (the player's own sound)" : "");
        // Silence where Wine's mixer ran late on a busy machine, even inside
        // a buffer, is left alone: every frame itself was found, in order.
    }
    // Chunk c of what should be heard is the player's own sound, bit for bit.
    bool ChunkIsOwn(DWORD c) const {
        const size_t bytes = kFrames * kBuffers * kBlock;
        return m_expected.compare(c * bytes, bytes, m_input, c * bytes, bytes) == 0;
    }
    // The stereo side (left minus right) of chunk c: what 3D widens.
    double SideEnergy(DWORD c) const {
        const size_t bytes = kFrames * kBuffers * kBlock;
        const auto* s = reinterpret_cast<const int16_t*>(m_expected.data() + c * bytes);
        double sum = 0;
        for (size_t i = 0; i + 1 < bytes / 2; i += 2) sum += double(s[i] - s[i + 1]) * double(s[i] - s[i + 1]);
        return sum;
    }

    std::string m_capture, m_input, m_expected;
    HANDLE m_wrote = nullptr, m_go = nullptr;
    PROCESS_INFORMATION m_player = {}, m_host = {};
    DWORD m_chunks = 0;
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
    ASSERT_TRUE(ChunkPlayed()) << "the player did not get through its first chunk";

    KorvaneProcess* korvane = nullptr;
    HWND console = StartKorvane(&korvane);
    ASSERT_NE(console, nullptr);
    const fx::FxParams set = StateFrom(JournalSinceStart());
    Go();
    ASSERT_TRUE(ChunkPlayed());

    ASSERT_TRUE(CloseAndWait(*korvane, console));
    ASSERT_TRUE(WaitForJournal("HOOK", "CALL", "QuorWav9xUnHook", 15000));
    Go();
    ExpectHeard({Off(), set, Off()});
    EXPECT_TRUE(ChunkIsOwn(0)) << "the engine changed the sound while no console ran";
    EXPECT_GT(SideEnergy(1), SideEnergy(0) * 1.2) << "3D at 6 did not widen";
    EXPECT_TRUE(m_expected.compare(m_expected.size() - kFrames * kBlock, kFrames * kBlock, m_input,
                                   m_input.size() - kFrames * kBlock, kFrames * kBlock) == 0)
        << "the effects did not end after Korvane closed";
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
        KorvaneProcess* korvane = nullptr;
        HWND console = StartKorvane(&korvane);
        ASSERT_NE(console, nullptr);
        const fx::FxParams set = StateFrom(JournalSinceStart());
        ASSERT_TRUE(StartPlayer("queue", 1, "thread", "tracks=2 drain=1"));
        ExpectHeard({set});
        EXPECT_FALSE(ChunkIsOwn(0)) << "levels 5 changed nothing";
        ASSERT_TRUE(CloseAndWait(*korvane, console));
        ASSERT_TRUE(StopHost());
        CloseHandle(m_player.hProcess);
        CloseHandle(m_player.hThread);
        m_player = {};
    }
}

// With the host the engine stays in every program whatever the console
// does: closing Korvane need not wait for buffers still inside it.
TEST_F(ReachTest, WithTheHostKorvaneClosesWithoutWaitingForPlayingPrograms) {
    StoreSettings(5, 5, 0, 0, 0);
    ASSERT_TRUE(StartHost());
    KorvaneProcess* korvane = nullptr;
    HWND console = StartKorvane(&korvane);
    ASSERT_NE(console, nullptr);
    // Its device paused, the player's first chunk stays inside the engine.
    ASSERT_TRUE(StartPlayer("window", 2, "function", "paused=1"));
    const HANDLE either[] = {m_wrote, m_player.hProcess};
    ASSERT_EQ(WaitForMultipleObjects(2, either, FALSE, 60000), WAIT_OBJECT_0);
    const unsigned long long closing = Journal::Mark();
    ASSERT_TRUE(CloseAndWait(*korvane, console));
    ASSERT_TRUE(WaitForJournal("HOOK", "CALL", "QuorWav9xUnHook", 15000));
    const auto answers = Journal::Select(Journal::Read(closing), "HOOK", "CALL", "QuorWav9xCanUnloadNow");
    ASSERT_FALSE(answers.empty());
    EXPECT_EQ(answers.front().Result(), 1u) << Journal::Format(answers);
}

// One host per session; it ends at logoff as when asked, taking its hooks.
TEST_F(ReachTest, TheHostIsSingleAndEndsAtTheEndOfTheSession) {
    ASSERT_TRUE(StartHost());
    const auto hostCalls = [&] { return Journal::Select(JournalSinceStart(), "HOOK", "CALL", "KorvHostHook").size(); };
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION second = {};
    char cmd[MAX_PATH];
    snprintf(cmd, sizeof cmd, "\"%s\"", kHostExe);
    ASSERT_TRUE(CreateProcessA(kHostExe, cmd, nullptr, nullptr, FALSE, 0, nullptr, "C:\\korvane", &si, &second));
    EXPECT_EQ(WaitForSingleObject(second.hProcess, kExitMs), WAIT_OBJECT_0) << "a second host stays";
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    EXPECT_EQ(hostCalls(), 1u) << "the second host touched the hooks";

    // What the system sends each top-level window when the user logs off.
    HWND window = FindWindowA(KORVHOST_WINDOW_CLASS, nullptr);
    ASSERT_NE(window, nullptr) << "the host has no window to hear of the end of the session";
    EXPECT_FALSE(IsWindowVisible(window)) << "the host shows a window";
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_EQ(WaitForSingleObject(m_host.hProcess, kExitMs), WAIT_OBJECT_0) << "the host stays after logoff";
    EXPECT_EQ(hostCalls(), 2u) << "the host did not take its hooks away";
}

// A console program never touches a message queue, so no hook enters it and
// the system offers no other way in (see the README): it plays its own
// sound, bit for bit, whatever the knobs say, and comes to no harm.
TEST_F(ReachTest, AConsolePlayerIsLeftAsItIs) {
    StoreSettings(8, 8, 0, 0, 0);
    ASSERT_TRUE(StartHost());
    KorvaneProcess* korvane = nullptr;
    HWND console = StartKorvane(&korvane);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(StartPlayer("console", 2, "event"));
    ASSERT_TRUE(ChunkPlayed());
    ASSERT_TRUE(CloseAndWait(*korvane, console));
    Go();
    ExpectHeard({Off(), Off()});
}

}  // namespace
