// Players that use waveOut in ways the engine once got wrong, each run with
// the real Korvane.exe posing as Windows 98, heard through the session's
// ALSA file device: a player that writes from its WOM_OPEN notification,
// buffers that end inside a frame, a looped buffer rewritten while it plays,
// a device closed from a second thread while the first writes. Each must end
// well (korvplay checks its buffers, headers and notifications) and sound as
// set: the effects' rendering at the levels set, the player's own sound bit
// for bit with every level at 0.
#include "EngineTest.h"

#include "engine/ControlCodes.h"
#include "fx/FxParams.h"
#include "tests/common/AudioMatch.h"
#include "tests/common/CaptureFile.h"
#include "tests/common/EngineRender.h"
#include "tests/common/TestSignal.h"

#include <cstdlib>

namespace {

constexpr DWORD kRate = 11025, kChannels = 2, kBits = 16, kBlock = 4, kFrames = 1024, kBuffers = 8;

// The engine state after the hook's level messages among `entries`.
fx::FxParams HookState(const std::vector<JournalEntry>& entries) {
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

// The signal as korvplay cuts it: `count` buffers of `bytes` from one stream.
std::string Signal(DWORD firstFrame, DWORD bytes) {
    std::string s(bytes, '\0');
    testsignal::Fill(&s[0], bytes - bytes % kBlock, firstFrame, kRate, kChannels, kBits);
    return s;
}

class WaveSafetyTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        const char* capture = getenv("KORVANE_AUDIO_OUT");
        ASSERT_NE(capture, nullptr) << "no capture device: run under tools/run-tests.sh";
        m_capture = WindowsPath(capture);
    }
    // Korvane up with every knob at `level`, its hook's messages delivered.
    void StartKorvane(DWORD level) {
        StoreSettings(level, level, level, 0, 0);
        m_console = StartToConsole("win98", &m_korvane);
        ASSERT_NE(m_console, nullptr);
        ASSERT_TRUE(WaitForJournal("HOOK", "IOCTL", "0x00220144", 15000));
    }
    // Runs korvplay posing as Windows 98 to its end; its exit code (99: it hung).
    DWORD Play(const std::string& more) {
        const std::string exe = WindowsPath(KORVPLAY_EXE);
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\korvplay.exe", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
            RegCloseKey(key);
        }
        char args[1024];
        snprintf(args, sizeof args, "\"%s\" rate=%lu channels=%lu bits=%lu frames=%lu buffers=%lu mode=window %s",
                 exe.c_str(), kRate, kChannels, kBits, kFrames, kBuffers, more.c_str());
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        DeleteFileA(m_capture.c_str());
        if (!CreateProcessA(exe.c_str(), args, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 98;
        DWORD code = 99;
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        else
            TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        return code;
    }
    ::testing::AssertionResult Heard(const std::string& expected) {
        const std::string captured = ReadAll(m_capture);
        const audiomatch::Result r =
            audiomatch::Match(captured.data(), captured.size(), expected.data(), expected.size(), kBlock, 0);
        if (r.same) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "captured " << captured.size() << " bytes, expected " << expected.size() << "; " << r.matchedFrames
               << " frames matched, difference at captured frame " << r.firstDifference;
    }
    void TearDown() override {
        if (m_korvane) {
            EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
        }
        EngineTest::TearDown();
    }

    std::string m_capture;
    KorvaneProcess* m_korvane = nullptr;
    HWND m_console = nullptr;
};

TEST_F(WaveSafetyTest, AwkwardPlayersHearTheEffectsAsSetAndEndWell) {
    StartKorvane(5);
    const fx::FxParams state = HookState(JournalSinceStart());
    const std::string plain = Signal(0, kBuffers * kFrames * kBlock);
    EngineRender render({1, kChannels, kRate, kBits, kBlock});
    std::string expected;
    render.Buffer(state, plain.data(), static_cast<uint32_t>(plain.size()), &expected);
    ASSERT_NE(expected, plain) << "level 5 should change the sound";

    // The first buffer written from inside WOM_OPEN.
    EXPECT_EQ(Play("callback=function openwrite=1"), 0u) << "korvplay exit code (see its source)";
    EXPECT_TRUE(Heard(expected));
    // Closed from a second thread while the first writes: no crash, no hang.
    EXPECT_EQ(Play("callback=function closer=1"), 0u);
    EXPECT_EQ(Play("callback=window closer=1"), 0u);
}

TEST_F(WaveSafetyTest, AtLevelZeroAwkwardPlayersAreHeardBitForBit) {
    StartKorvane(0);
    // 1023-byte buffers: every later buffer begins inside a frame.
    EXPECT_EQ(Play("callback=event bytes=1023"), 0u);
    const std::string stream = Signal(0, kBuffers * 1023);
    EXPECT_TRUE(Heard(stream.substr(0, stream.size() - stream.size() % kBlock)));

    // A looped buffer rewritten three times as it plays, then broken out of.
    EXPECT_EQ(Play("callback=function loop=1"), 0u);
    const std::string captured = ReadAll(m_capture);
    const DWORD bytes = kFrames * kBlock;
    EXPECT_NE(captured.find(Signal(0, bytes)), std::string::npos);
    for (DWORD k = 0; k < 3; ++k)
        EXPECT_NE(captured.find(Signal((kBuffers + k) * kFrames, bytes)), std::string::npos)
            << "rewrite " << k << " never heard";
    EXPECT_NE(captured.find(Signal((kBuffers + 2) * kFrames, bytes) + Signal(kFrames, bytes)), std::string::npos)
        << "the break did not lead on to the next buffer";
}

}  // namespace
