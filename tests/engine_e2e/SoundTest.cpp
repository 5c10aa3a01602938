// What a program sounds like with Korvane running, posing as Windows 98: the
// test player (korvplay.exe) plays the known signal through waveOut while the
// console's hook library is in its process; the session's ALSA file device
// (tools/audio-capture.sh) captures what reaches the sound card, and that
// must be the effects library's own rendering of the signal for the state
// the journal says the hook received.
#include "EngineTest.h"

#include "engine/ControlCodes.h"
#include "fx/FxParams.h"
#include "fxengine/stream/HeaderStream.h"
#include "fxengine/stream/Period.h"
#include "harness/InputDriver.h"
#include "harness/Wait.h"
#include "tests/common/AudioMatch.h"
#include "tests/common/CaptureFile.h"
#include "tests/common/EngineRender.h"
#include "tests/common/TestSignal.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

namespace {

constexpr DWORD kRate = 11025, kChannels = 2, kBits = 16, kFrames = 1024, kBuffers = 8, kChunks = 3;
// After Korvane closes, the effects glide out and the room of Soundfields
// rings out (about five seconds): the last chunk is long enough to hear the
// player's own sound again.
constexpr DWORD kLastBuffers = 64;
constexpr DWORD kBlock = kChannels * kBits / 8;
constexpr DWORD kChunkFrames = kFrames * kBuffers;
const char* const kSync = "KorvaneSoundTest";

// The engine state after the hook's messages among `entries`, from the reset state.
fx::FxParams StateFrom(const std::vector<JournalEntry>& entries) {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
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

class SoundTest : public EngineTest {
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
        CloseHandle(m_wrote);
        CloseHandle(m_go);
        EngineTest::TearDown();
    }
    // Starts the player posing as Windows 98 too.
    bool StartPlayer(const char* more = "") {
        const std::string exe = WindowsPath(KORVPLAY_EXE);
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\korvplay.exe", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
            RegCloseKey(key);
        }
        char args[1024];
        snprintf(args, sizeof args,
                 "\"%s\" rate=%lu channels=%lu bits=%lu frames=%lu buffers=%lu chunks=%lu callback=function "
                 "sync=%s last=%lu mode=window %s",
                 exe.c_str(), kRate, kChannels, kBits, kFrames, kBuffers, kChunks, kSync, kLastBuffers, more);
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        DeleteFileA(m_capture.c_str());
        return CreateProcessA(exe.c_str(), args, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_player) != 0;
    }
    // The player wrote a chunk (false when it ended instead, or took too long).
    bool ChunkWritten() {
        const HANDLE either[] = {m_wrote, m_player.hProcess};
        return WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
    }

    std::string m_capture;
    HANDLE m_wrote = nullptr, m_go = nullptr;
    PROCESS_INFORMATION m_player = {};
};

TEST_F(SoundTest, KnobsChangeWhatIsHeardAndClosingLeavesThePlayerAlone) {
    StoreSettings(0, 0, 0, 0, 0);
    KorvaneProcess* korvane = nullptr;
    HWND console = StartToConsole("win98", &korvane);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(WaitForJournal("HOOK", "IOCTL", "0x00220144", 15000));

    // Chunk 1: every knob at 0.
    ASSERT_TRUE(StartPlayer("drain=1"));
    ASSERT_TRUE(ChunkWritten()) << "the player did not get through its first chunk";
    const unsigned long long turned = Journal::Mark();
    const std::vector<JournalEntry> before = JournalSinceStart();

    // Chunk 2: each knob one step up, by the mouse wheel, once chunk 1 has
    // played (the engine renders late: a turn while it plays is heard at once).
    ASSERT_TRUE(WheelOn(console, 1000, WHEEL_DELTA));
    ASSERT_TRUE(WheelOn(console, 1001, WHEEL_DELTA));
    ASSERT_TRUE(WheelOn(console, 1002, WHEEL_DELTA));
    const auto hookLevels = [&] {
        size_t n = 0;
        for (const Delivered& d : Levels(Journal::Read(turned))) n += d.chan == "HOOK";
        return n;
    };
    ASSERT_TRUE(WaitUntil([&] { return hookLevels() >= 6; }, kUiMs)) << hookLevels();
    const std::vector<JournalEntry> turnedUp = JournalSinceStart();
    SetEvent(m_go);
    ASSERT_TRUE(ChunkWritten());

    // Chunk 3: Korvane closed, the hook gone.
    ASSERT_TRUE(CloseAndWait(*korvane, console));
    ASSERT_TRUE(WaitForJournal("HOOK", "CALL", "QuorWav9xUnHook", 15000));
    SetEvent(m_go);

    // The player checks that its buffers and headers came back as it gave
    // them, and that it heard of each header once, through its own callback.
    ASSERT_EQ(WaitForSingleObject(m_player.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(m_player.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u) << "korvplay exit code (see its source)";

    // What should have been heard, period by period as the engine works.
    const fx::FxParams states[kChunks] = {StateFrom(before), StateFrom(turnedUp), [] {
                                              fx::FxParams off;
                                              fx::FxParams_Reset(&off);
                                              return off;
                                          }()};
    EngineRender render({1, kChannels, kRate, kBits, kBlock});
    const size_t periodBytes = fxengine::PeriodFrames(kRate) * kBlock;
    std::string input, expected;
    std::string buffer(kFrames * kBlock, '\0');
    std::set<size_t> periodStarts;  // frames where one of the engine's periods begins
    for (DWORD c = 0; c < kChunks; ++c) {
        std::string chunk;
        for (DWORD b = 0; b < (c + 1 == kChunks ? kLastBuffers : kBuffers); ++b) {
            testsignal::Fill(&buffer[0], kFrames * kBlock, (c * kBuffers + b) * kFrames, kRate, kChannels, kBits);
            chunk += buffer;
        }
        // Cut as the engine's stream cuts it: periods end with each buffer.
        fxengine::HeaderStream cut(kBlock);
        for (size_t at = 0; at < chunk.size(); at += kFrames * kBlock)
            cut.Push({reinterpret_cast<const unsigned char*>(chunk.data() + at), kFrames * kBlock, 0, 0, nullptr});
        std::string period(periodBytes * 2, '\0');
        for (uint32_t n;
             (n = cut.ReadPeriod(reinterpret_cast<unsigned char*>(&period[0]), static_cast<uint32_t>(periodBytes),
                                 static_cast<uint32_t>(periodBytes + periodBytes / 2))) > 0;) {
            periodStarts.insert(expected.size() / kBlock);
            render.Buffer(states[c], period.data(), n, &expected);
        }
        input += chunk;
    }
    const size_t chunkBytes = kChunkFrames * kBlock;
    // With every knob at 0 the sound is the program's own, bit for bit; one
    // step up changes it; once the hook is gone the effects glide out and the
    // sound is the program's own again.
    // (Compared as flags: the buffers themselves are too long to print.)
    EXPECT_TRUE(expected.compare(0, chunkBytes, input, 0, chunkBytes) == 0) << "knobs at 0 changed the sound";
    EXPECT_FALSE(expected.compare(chunkBytes, chunkBytes, input, chunkBytes, chunkBytes) == 0)
        << "one step up changed nothing";
    const size_t lastBuffer = kFrames * kBlock;
    EXPECT_TRUE(
        expected.compare(expected.size() - lastBuffer, lastBuffer, input, input.size() - lastBuffer, lastBuffer) == 0)
        << "the effects did not end after the hook";

    const std::string captured = ReadAll(m_capture);
    const audiomatch::Result r =
        audiomatch::Match(captured.data(), captured.size(), expected.data(), expected.size(), kBlock, 0);
    EXPECT_TRUE(r.same) << "captured " << captured.size() << " bytes, expected " << expected.size() << "; "
                        << r.matchedFrames << " frames matched, difference at captured frame " << r.firstDifference;
    // Silence only where the device ran out of sound: before the first
    // chunk, between chunks while the player waited, or (this Wine's mixer,
    // see fxengine/README.md) between two of the engine's periods; never
    // inside one.
    for (const audiomatch::Gap& g : r.gaps)
        EXPECT_TRUE(periodStarts.count(g.beforeFrame))
            << g.frames << " frames of silence before frame " << g.beforeFrame;
}

TEST_F(SoundTest, APlayerEndedWhilePlayingLeavesNothingBehind) {
    StoreSettings(5, 5, 5, 0, 0);
    KorvaneProcess* korvane = nullptr;
    HWND console = StartToConsole("win98", &korvane);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(WaitForJournal("HOOK", "IOCTL", "0x00220144", 15000));
    // Its device paused, the player's first chunk stays inside the engine
    // until the player is ended from outside.
    ASSERT_TRUE(StartPlayer("paused=1"));
    ASSERT_TRUE(ChunkWritten());
    ASSERT_TRUE(TerminateProcess(m_player.hProcess, 7));
    ASSERT_EQ(WaitForSingleObject(m_player.hProcess, 10000), WAIT_OBJECT_0);

    // The console's unload question is answered yes at once: nothing of the
    // ended player is waited for.
    const unsigned long long closing = Journal::Mark();
    ASSERT_TRUE(CloseAndWait(*korvane, console));
    ASSERT_TRUE(WaitForJournal("HOOK", "CALL", "QuorWav9xUnHook", 15000));
    const auto answers = Journal::Select(Journal::Read(closing), "HOOK", "CALL", "QuorWav9xCanUnloadNow");
    ASSERT_FALSE(answers.empty());
    EXPECT_EQ(answers.front().Result(), 1u) << Journal::Format(answers);
}

}  // namespace
