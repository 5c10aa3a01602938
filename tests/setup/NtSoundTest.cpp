// What programs sound like on Windows XP and 2000, from the setup program on:
// setup installs the effects driver, the engine and the logon host; a
// simulated logon starts what setup registered under the Run key; the
// installed Korvane talks only to \\.\Velmora1, and the host hands the
// driver's state to the engine in every program. The test player
// (korvplay.exe) is heard through the session's ALSA file device and
// compared with the effects library's rendering for the state the driver
// reports (\\.\KorvaneFxState), chunk by chunk.
#include "RigDriverAside.h"
#include "SetupFixture.h"

#include "fx/FxParams.h"
#include "fxengine/driver/FxDriverState.h"
#include "fxengine/hook/EngineShared.h"
#include "fxengine/host/HostNames.h"
#include "fxengine/statelink/DriverStateParams.h"
#include "harness/InProcessProbe.h"
#include "harness/InputDriver.h"
#include "harness/RegKey.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"
#include "harness/WindowFinder.h"
#include "sound/DsCapture.h"
#include "sound/TestPlayer.h"
#include "sound/WaveChunks.h"
#include "tests/common/EngineRender.h"
#include "tests/engine_e2e/player/DsSignal.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr DWORD kRate = 11025, kChannels = 2, kBits = 16, kBlock = 4;
// Without Soundfields the effects glide out within two buffers of a chunk.
const WaveLayout kLayout;
// kUiMs: a state change a busy machine beside two Wine sessions still makes in time.
constexpr DWORD kStartMs = 45000, kExitMs = 20000, kUiMs = 30000;
constexpr int k3DKnob = 1000;
// DirectSound streams at the mixer's own rate here, two laps of their ring:
// each wrap met (the Windows 98 tests go round three).
constexpr DWORD kDsRate = 48000, kDsMs = 2000;

fx::FxParams Off() {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    return p;
}

class NtSoundTest : public SetupFixture {
protected:
    void SetUp() override {
        SetupFixture::SetUp();
        ASSERT_FALSE(m_player.CapturePath().empty()) << "no capture device: run under tools/run-tests.sh";
        // The engine's shared state, as every program the engine joined reads it.
        ASSERT_TRUE(fxengine::EngineShared::Attach());
    }
    void TearDown() override {
        m_player.Forget();
        if (m_korvane.Valid() && m_korvane.Running()) m_korvane.Kill();
        for (const char* exe : {"korvplay.exe", KORVHOST_EXE})
            RegKey::DeleteTree(HKEY_CURRENT_USER, std::string("Software\\Wine\\AppDefaults\\") + exe);
        SetupFixture::TearDown();
        // Only once ours is stopped and removed can the rig's driver take the name again.
        m_aside.reset();
    }

    // Setup, then the service runs and the console's device opens.
    void Install(const std::string& version) {
        m_aside.emplace();
        ASSERT_TRUE(m_aside->Ok()) << "the rig's driver did not step aside";
        ASSERT_EQ(RunSetup(version), 0u);
        EXPECT_EQ(KernelService::State(kDriverService), static_cast<DWORD>(SERVICE_RUNNING));
        HANDLE console =
            CreateFileA("\\\\.\\Velmora1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(console, INVALID_HANDLE_VALUE) << "\\\\.\\Velmora1, error " << GetLastError();
        CloseHandle(console);
        // The close reaches the driver a moment later under Wine.
        ASSERT_TRUE(WaitUntil([] { return !DriverState().consoleOpen; }, kUiMs));
    }

    // A logon: setup's own host ends, and what the Run key names starts,
    // posing as `version`; true once its (hidden) window is there, which it
    // creates after it holds the hooks and follows the driver.
    bool Logon(const std::string& version) {
        if (!StopHost()) {
            ADD_FAILURE() << "setup's host did not end when asked";
            return false;
        }
        RegKey run = RegKey::Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_READ);
        const std::optional<RegValue> entry = run.Valid() ? run.Query("Korvane") : std::nullopt;
        if (!entry) return false;
        const std::string cmd = entry->bytes.c_str();  // up to its terminating zero
        EXPECT_TRUE(TestPlayer::PoseAs(KORVHOST_EXE, version));
        if (!Spawn(nullptr, cmd).Valid()) return false;
        const bool up = WaitUntil([] { return FindWindowA(KORVHOST_WINDOW_CLASS, nullptr) != nullptr; }, kStartMs);
        EXPECT_TRUE(up) << "no window of the host started from the Run key (" << cmd << ")";
        return up;
    }

    // The effect parameters that state makes (everything off without a console).
    static fx::FxParams ParamsNow() {
        const FxDriverState state = DriverState();
        fx::FxParams p = Off();
        if (!state.consoleOpen) return p;
        DriverMessage messages[FXDRV_CODE_COUNT];
        DriverState_Apply(&p, messages, DriverState_Messages(state, messages, FXDRV_CODE_COUNT));
        return p;
    }

    // The installed Korvane with these stored levels; true once its console
    // holds the driver's device.
    bool StartKorvane(const std::string& version, DWORD d3, DWORD vibe, DWORD master) {
        if (!SettingsKey::SetDword("3D Volume", d3) || !SettingsKey::SetDword("Vibe volume", vibe) ||
            !SettingsKey::SetDword("Soundfields volume", 0) || !SettingsKey::SetDword("Master volume", master))
            return false;
        m_korvane = StartInstalled(version);
        WindowFinder finder(m_korvane.Pid());
        m_console = nullptr;
        WaitUntil([&] { return (m_console = finder.Console()) != nullptr || !m_korvane.Running(); }, kStartMs);
        if (!m_console || !WaitUntil([] { return DriverState().consoleOpen != 0; }, kUiMs)) return false;
        return Settled();
    }
    // The console has taken all its input (it sends to the driver from its
    // own thread, so every message is there), and the host has handed the
    // driver's state to the engine every program reads.
    bool Settled() const {
        std::string error;
        if (!InProcessProbe::WaitIdle(m_console, &error, kStartMs)) {
            ADD_FAILURE() << "the console did not get through its input: " << error;
            return false;
        }
        return EngineFollows();
    }
    static bool EngineFollows() {
        const bool follows = WaitUntil(
            [] {
                const bool open = DriverState().consoleOpen != 0;
                fx::FxParams engine;
                fxengine::EngineShared::Snapshot(&engine);
                const fx::FxParams driver = ParamsNow();
                return fxengine::EngineShared::HookedFlag() == open &&
                       (!open || memcmp(&engine, &driver, sizeof engine) == 0);
            },
            kUiMs);
        EXPECT_TRUE(follows) << "the engine never took the driver's state";
        return follows;
    }
    // Turns the 3D knob by `steps` with the wheel; the state the engine then has.
    fx::FxParams Turn3D(int steps) {
        const DWORD serial = DriverState().serial;
        EXPECT_TRUE(InputDriver::Activate(m_console) &&
                    InputDriver::Wheel(InputDriver::CentreOf(GetDlgItem(m_console, k3DKnob)), steps * WHEEL_DELTA));
        EXPECT_TRUE(WaitUntil([&] { return DriverState().serial != serial; }, kUiMs))
            << "the turn never reached the driver";
        EXPECT_TRUE(Settled());
        return ParamsNow();
    }
    bool CloseKorvane() {
        PostMessageA(m_console, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (!m_korvane.WaitForExit(kExitMs) || !WaitUntil([] { return !DriverState().consoleOpen; }, kUiMs))
            return false;
        return EngineFollows();
    }

    // Plays `chunks` chunks, each played before the player says it wrote it.
    bool StartPlayer(const std::string& version, const char* mode, DWORD chunks, const char* more = "") {
        return m_player.Start(version, kLayout.Words(chunks) + " callback=function mode=" + mode + " drain=1 " + more);
    }
    WaveChunks ExpectHeard(const std::vector<fx::FxParams>& states) {
        return ExpectPlayedAndHeard(m_player, kLayout, states);
    }

    TestPlayer m_player{"KorvaneNtSoundTest"};
    KorvaneProcess m_korvane;
    HWND m_console = nullptr;
    std::optional<RigDriverAside> m_aside;
};

// One second of a pure tone through the engine's effects with `params`:
// what the Vibe knob does at a frequency the player's signal lacks.
std::vector<int16_t> RenderTone(const fx::FxParams& params, double hz) {
    std::vector<int16_t> s(kRate * 2);
    for (DWORD i = 0; i < kRate; ++i)
        s[2 * i] = s[2 * i + 1] = int16_t(8000 * std::sin(6.283185307179586 * hz * i / kRate));
    std::string out;
    EngineRender({1, kChannels, kRate, kBits, kBlock}).Buffer(params, s.data(), kRate * kBlock, &out);
    memcpy(s.data(), out.data(), out.size());
    return s;
}

TEST_F(NtSoundTest, WindowsXpAnd2000FromSetupToTheSoundOfEveryPlayerAndBackOut) {
    ASSERT_NO_FATAL_FAILURE(Install("winxp"));
    ASSERT_TRUE(Logon("winxp")) << "the host registered under the Run key did not come up";

    // A window player started before Korvane: chunk 0 with no Korvane,
    // chunk 1 with every level at 0, chunk 2 at 3D 6 and Vibe 6,
    // chunk 3 after one turn of the 3D knob, chunk 4 after Korvane closed.
    ASSERT_TRUE(StartPlayer("winxp", "window", 5));
    ASSERT_TRUE(m_player.Wrote()) << "the player did not get through its first chunk";
    ASSERT_TRUE(StartKorvane("winxp", 0, 0, 20));
    const fx::FxParams zero = ParamsNow();
    m_player.Go();
    ASSERT_TRUE(m_player.Wrote());
    ASSERT_TRUE(CloseKorvane());
    ASSERT_TRUE(StartKorvane("winxp", 6, 6, 10));
    const fx::FxParams set = ParamsNow();
    m_player.Go();
    ASSERT_TRUE(m_player.Wrote());
    const fx::FxParams turned = Turn3D(1);
    EXPECT_GT(turned.level3D, set.level3D);
    m_player.Go();
    ASSERT_TRUE(m_player.Wrote());
    ASSERT_TRUE(CloseKorvane());
    m_player.Go();
    const WaveChunks heard = ExpectHeard({Off(), zero, set, turned, Off()});
    EXPECT_TRUE(heard.ChunkIsOwn(0)) << "the engine changed the sound while no console ran";
    EXPECT_TRUE(heard.ChunkIsOwn(1)) << "levels at 0 changed the sound";
    EXPECT_GT(heard.SideEnergy(2), heard.SideEnergy(0) * 1.2) << "3D at 6 did not widen";
    EXPECT_GT(heard.SideEnergy(3), heard.SideEnergy(2)) << "a turn of the 3D knob did not widen further";
    EXPECT_TRUE(heard.EndsOwn()) << "the effects did not end after Korvane closed";
    // What the Vibe level heard does to 60 Hz.
    fx::FxParams vibeOnly = Off();
    vibeOnly.enableVibe = set.enableVibe;
    for (int i = 0; i < 3; ++i) vibeOnly.vibe[i] = set.vibe[i];
    // (The energy 1.4 times.)
    EXPECT_GT(dscapture::Level(RenderTone(vibeOnly, 60), kRate, 60, kRate),
              dscapture::Level(RenderTone(Off(), 60), kRate, 60, kRate) * std::sqrt(1.4))
        << "Vibe at 6 did not lift 60 Hz";
    m_player.Forget();

    // DirectSound at every level 0: a stream and a sound effect played at
    // once are the program's own, bit for bit; an effect loaded then and
    // played (through a duplicate) after a turn of the 3D knob to 11 is the
    // effects' rendering for the turned knob.
    ASSERT_TRUE(StartKorvane("winxp", 0, 0, 20));
    const std::string ds = "api=ds rate=" + std::to_string(kDsRate) + " ms=";
    const DWORD dsFrames = kDsRate / 1000 * kDsMs;
    std::vector<int16_t> own(dsFrames * 2);
    dssignal::Fill(own.data(), dsFrames, 0, dsFrames, kDsRate, 2);
    ASSERT_TRUE(m_player.Start("winxp", ds + std::to_string(kDsMs) + " mode=stream ring=1000 feed=pieces"));
    const DWORD streamExit = m_player.Finish();
    EXPECT_TRUE(streamExit == 0 || streamExit == 25) << "korvplay exit code " << streamExit;
    EXPECT_EQ(dscapture::NotOfTheSignal(dscapture::Decode(m_player.Heard()), own), dscapture::kSame)
        << "levels at 0 changed the stream";
    const DWORD effectFrames = kDsRate, effectFramesHeard = effectFrames - kDsRate / 10;
    const std::vector<int16_t> effect = dscapture::PlayerSignal(kDsRate, effectFrames);
    // Once the effect's player ended well: the first frame heard otherwise than `expected`, or kSame.
    const auto effectHeard = [&](const std::vector<int16_t>& expected) {
        EXPECT_EQ(m_player.Finish(), 0u) << "korvplay exit code (see player/Player.h)";
        return dscapture::FirstDifference(dscapture::Decode(m_player.Heard()), expected);
    };
    ASSERT_TRUE(m_player.Start("winxp", ds + "1000 mode=static"));
    EXPECT_EQ(effectHeard(effect), dscapture::kSame) << "levels at 0 changed the effect";
    ASSERT_TRUE(m_player.Start("winxp", ds + "1000 mode=static dup=1 wait=1"));
    ASSERT_TRUE(m_player.Wrote()) << "the effect was not loaded";
    const fx::FxParams later = Turn3D(11);
    const std::vector<int16_t> widened = dscapture::PlayerSignal(kDsRate, effectFrames, &later);
    EXPECT_GT(dscapture::Side(widened, effectFramesHeard), 1.2 * dscapture::Side(effect, effectFramesHeard));
    m_player.Go();
    EXPECT_EQ(effectHeard(widened), dscapture::kSame) << "not heard as the knob said when it was played";

    // With 3D at 11, a windowless player started after Korvane: its first
    // device opens before anything could enter it (the README names that
    // gap); the next one is shaped.
    ASSERT_TRUE(StartPlayer("winxp", "queue", 1, "tracks=2"));
    EXPECT_FALSE(ExpectHeard({later}).ChunkIsOwn(0)) << "3D at 11 changed nothing for a windowless player";
    // A window program's short sounds (the player's quarter second), heard as the effects render them.
    const WaveLayout sound = WaveLayout::Whole(2756);
    const WaveChunks rendered(sound, {later});
    ASSERT_FALSE(rendered.ChunkIsOwn(0));
    ExpectSoundsInTurn(m_player, "winxp",
                       {{"file", &rendered}, {"snd", &rendered}, {"resource", &rendered}, {"wide", &rendered}});
    // A loop replaced by a sound without SND_NOSTOP, one with it refused
    // meanwhile (the player checks the answers): the replacement plays once,
    // whole, as the effects render it, and nothing after it.
    ASSERT_TRUE(m_player.Start("winxp", "api=playsound kind=loop replace=1"));
    ASSERT_TRUE(m_player.Wrote()) << "the loop did not start";
    m_player.Go();
    EXPECT_EQ(m_player.Finish(60000), 0u) << "korvplay exit code (see player/Player.h)";
    EXPECT_TRUE(EndsWithWhole(m_player.Heard(), rendered.Expected(), sound.Block()));
    // A window program's DirectSound streams: fed in pieces at its own
    // offsets (its object from DirectSoundCreate), and following the write
    // cursor (from CoCreateInstance, through the 8 interfaces): wider than
    // the program's own.
    for (const char* words : {"feed=pieces create=ds", "feed=fromwrite create=com8"}) {
        SCOPED_TRACE(words);
        ASSERT_TRUE(m_player.Start("winxp", ds + std::to_string(kDsMs) + " mode=stream ring=1000 " + words));
        const DWORD exit = m_player.Finish();
        EXPECT_TRUE(exit == 0 || exit == 25) << "korvplay exit code " << exit << " (see player/Player.h)";
        const std::vector<int16_t> stream = dscapture::Sounding(dscapture::Decode(m_player.Heard()));
        ASSERT_GT(stream.size() / 2, dsFrames * 9 / 10) << "too little was heard";
        EXPECT_GT(dscapture::Side(stream, dsFrames * 9 / 10),
                  1.2 * later.masterGain * later.masterGain * dscapture::Side(own, dsFrames * 9 / 10))
            << "not wider than the program's own";
    }
    // An effect loaded now and played after Korvane closed: its own sound again.
    ASSERT_TRUE(m_player.Start("winxp", ds + "1000 mode=static wait=1"));
    ASSERT_TRUE(m_player.Wrote()) << "the effect was not loaded";
    ASSERT_TRUE(CloseKorvane());
    m_player.Go();
    EXPECT_EQ(effectHeard(effect), dscapture::kSame) << "the effect kept the effects after Korvane closed";
    m_player.Forget();

    // At the next logon posing as Windows 2000, the host follows the driver there too.
    ASSERT_TRUE(Logon("win2k"));
    ASSERT_TRUE(StartPlayer("win2k", "window", 3));
    ASSERT_TRUE(m_player.Wrote());
    ASSERT_TRUE(StartKorvane("win2k", 6, 6, 20));
    const fx::FxParams on2000 = ParamsNow();
    m_player.Go();
    ASSERT_TRUE(m_player.Wrote());
    ASSERT_TRUE(CloseKorvane());
    m_player.Go();
    const WaveChunks heard2000 = ExpectHeard({Off(), on2000, Off()});
    EXPECT_TRUE(heard2000.ChunkIsOwn(0)) << "2000: the engine changed the sound while no console ran";
    EXPECT_GT(heard2000.SideEnergy(1), heard2000.SideEnergy(0) * 1.2) << "2000: 3D at 6 did not widen";
    EXPECT_TRUE(heard2000.EndsOwn()) << "2000: the effects did not end after Korvane closed";
    m_player.Forget();

    // The uninstaller takes it all away.
    ASSERT_EQ(RunUninstaller("/S"), 0u);
    EXPECT_EQ(KernelService::State(kDriverService), 0u) << "the driver service is still there";
    EXPECT_FALSE(FileExists(DriverFile())) << DriverFile();
    RegKey run = RegKey::Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_READ);
    EXPECT_FALSE(run.Valid() && run.Query("Korvane")) << "the Run entry is still there";
    EXPECT_EQ(HostsRunning(), 0);
    // What a program still has loaded (the engine, in every process the
    // hooks reached) goes at the next restart; nothing else is left.
    for (const std::string& file : FilesLeft(InstallDir())) ADD_FAILURE() << file << " is left behind";
}

}  // namespace
