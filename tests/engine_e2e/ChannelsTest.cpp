// Which channels each system uses, the wave hook's report when it is missing
// or incomplete, a console with no channel at all, and a hook that faults,
// or raises a software exception nothing inside it catches, in its control
// entry while the console sends the Soundfields level: that send ends there,
// the console goes on, and every other message still reaches every channel.
#include "EngineTest.h"

#include "harness/FileSwap.h"
#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

#include "tests/driver/KernelService.h"

namespace {

const char kHookBoxText[] =
    "St\xF6rung beim Laden von WavHok32.dll.\n\nDie Verarbeitung des Ausgabeger\xE4ts kann "
    "m\xF6glicherweise nicht richtig arbeiten.";

class ChannelsTest : public EngineTest {
protected:
    // Starts (posing as Windows 98 through the hook box, when `box`),
    // expects the start messages on the given channels alone, closes.
    void StartAndCheck(const std::string& version, const std::vector<std::string>& channels, bool box = false) {
        SCOPED_TRACE(version);
        StoreSettings(2, 9, 4, 0, 0);
        unsigned long long mark = Journal::Mark();
        if (box) {
            ASSERT_NO_FATAL_FAILURE(StartThroughHookBox());
        } else {
            ASSERT_NO_FATAL_FAILURE(StartConsole(version));
        }
        ASSERT_TRUE(WaitForJournal(mark, channels.back(), "IOCTL", "0x00220144", kStartMs));
        ASSERT_TRUE(CaughtUp(m_console));
        std::vector<JournalEntry> entries = Journal::Read(mark);
        const std::vector<Delivered> expected = Expected(channels).Start(2, 9, 4, false).Get();
        EXPECT_TRUE(SameMessages(Levels(entries), expected));
        for (const char* chan : {"VXD", "WDM", "HOOK"})
            if (std::find(channels.begin(), channels.end(), chan) == channels.end()) {
                EXPECT_TRUE(Journal::Select(entries, chan).empty()) << chan << " must not be used";
            }
        // The status is relayed to the hook alone, never to the driver.
        EXPECT_TRUE(Journal::Select(entries, "WDM", "IOCTL", "0x002200C8").empty());
        ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    }

    // Starts posing as Windows 98 and expects the hook box; confirms it, and
    // the console comes (m_korvane, m_console). Under ASSERT_NO_FATAL_FAILURE.
    void StartThroughHookBox() {
        m_korvane = &Start("win98");
        WindowFinder finder(m_korvane->Pid());
        HWND box = finder.WaitMessageBox(kStartMs);
        // The box comes while the console is still being set up: not shown yet.
        HWND hidden = finder.Console();
        EXPECT_FALSE(hidden && IsWindowVisible(hidden)) << "the console showed before the hook box";
        ASSERT_NE(box, nullptr) << "no hook box";
        EXPECT_EQ(WindowFinder::Text(box), " Korvane ");
        EXPECT_EQ(WindowFinder::MessageBoxText(box), kHookBoxText);
        EXPECT_TRUE(InputDriver::Activate(box));
        EXPECT_TRUE(InputDriver::Key(VK_RETURN));
        m_console = finder.WaitConsole(kStartMs);
        ASSERT_NE(m_console, nullptr);
        // Input for its controls must wait for them to be where they show.
        EXPECT_TRUE(WaitPlaced(m_console));
    }

    // Stops or starts the simulated engine's kernel service; its device
    // names come and go with the driver.
    static bool SetEngineRunning(bool run) {
        if (!run) return KernelService::Stop("KorvaneSim");
        return KernelService::Start("KorvaneSim") && KernelService::WaitDeviceNames("Velmora1\0", true, kUiMs);
    }
};

TEST_F(ChannelsTest, Windows9xUsesAllThreeChannels) {
    StartAndCheck("win95", kAll);
    StartAndCheck("winme", kAll);
}

TEST_F(ChannelsTest, NtSystemsUseTheWdmDeviceAloneAndNeverShowTheHookBox) {
    // The hook's absence would show the box on 9x; here it must not matter.
    FileSwap hook(kHookPath);
    ASSERT_TRUE(hook.Remove());
    for (const char* version : {"win2k", "winxp", "win2003"}) StartAndCheck(version, kWdmOnly);
}

TEST_F(ChannelsTest, MissingHookIsReportedAndTheDevicesStillServe) {
    FileSwap hook(kHookPath);
    ASSERT_TRUE(hook.Remove());
    StartAndCheck("win98", {"VXD", "WDM"}, true);
}

TEST_F(ChannelsTest, EachMissingExportIsReportedAndTheOthersAreUsed) {
    const char* const exports[] = {"QuorWav9xHook", "QuorWav9xUnHook", "QuorWav9xIoCtl", "QuorWav9xPrepareForUnloading",
                                   "QuorWav9xCanUnloadNow"};
    // The console without QuorWav9xUnHook leaves its system-wide hooks set,
    // and Wine (unlike Windows) keeps a dead thread's hooks: every later
    // process of the session would get this library. Held across the loop,
    // a whole library keeps the shared state with those hooks' handles, and
    // its hook and unhook afterwards take them away, as a new console's do.
    struct Sweep {
        HMODULE lib = LoadLibraryA(HookVariant("").c_str());
        ~Sweep() {
            using Fn = DWORD(WINAPI*)();
            const auto hook = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(lib, "QuorWav9xHook")));
            const auto unhook =
                reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(lib, "QuorWav9xUnHook")));
            EXPECT_TRUE(hook && unhook && hook() && unhook()) << "the hooks left behind were not taken away";
            if (lib) FreeLibrary(lib);
        }
    } sweep;
    for (const char* missing : exports) {
        SCOPED_TRACE(missing);
        StoreSettings(6, 6, 0, 0, 0);
        FileSwap hook(kHookPath);
        ASSERT_TRUE(hook.ReplaceWith(HookVariant(missing)));
        unsigned long long mark = Journal::Mark();
        ASSERT_NO_FATAL_FAILURE(StartThroughHookBox());
        ASSERT_TRUE(WaitForJournal(mark, "WDM", "IOCTL", "0x00220144", kStartMs));
        // A status relay when the hook has its control entry; without it,
        // the status timer has had its turns before the journal is read.
        if (std::string(missing) != "QuorWav9xIoCtl") {
            EXPECT_TRUE(WaitForJournal(mark, "HOOK", "IOCTL", "0x002200C8", kUiMs)) << "no status relay";
        } else {
            EXPECT_TRUE(TimerTurned(m_console, kStatusTimer, 2));
        }
        ASSERT_TRUE(CaughtUp(m_console));
        ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
        std::vector<JournalEntry> entries = Journal::Read(mark);
        std::vector<JournalEntry> calls = Journal::Select(entries, "HOOK", "CALL");
        auto called = [&](const char* name) { return !Journal::Select(calls, "HOOK", "CALL", name).empty(); };
        const std::string m = missing;

        EXPECT_EQ(called("QuorWav9xHook"), m != "QuorWav9xHook");
        EXPECT_EQ(called("QuorWav9xUnHook"), m != "QuorWav9xUnHook");
        // Prepare runs when present; the unload question only after it.
        EXPECT_EQ(called("QuorWav9xPrepareForUnloading"), m != "QuorWav9xPrepareForUnloading");
        EXPECT_EQ(called("QuorWav9xCanUnloadNow"), m != "QuorWav9xCanUnloadNow" && m != "QuorWav9xPrepareForUnloading");
        bool hookMessages = !Journal::Select(entries, "HOOK", "IOCTL").empty();
        EXPECT_EQ(hookMessages, m != "QuorWav9xIoCtl");
        if (m != "QuorWav9xIoCtl") {
            EXPECT_FALSE(Journal::Select(entries, "HOOK", "IOCTL", "0x002200C8").empty()) << "status relay";
        }
        hook.Restore();
    }
}

TEST_F(ChannelsTest, NoChannelAtAllStillWorks) {
    StoreSettings(3, 3, 3, 0, 0);
    FileSwap hook(kHookPath);
    ASSERT_TRUE(hook.Remove());
    ASSERT_TRUE(SetEngineRunning(false));
    struct Restart {
        ~Restart() { EXPECT_TRUE(SetEngineRunning(true)) << "the engine did not come back"; }
    } restart;

    ASSERT_NO_FATAL_FAILURE(StartThroughHookBox());
    // Every operation runs: a knob turn, the headphones, the keyboard, the timer.
    ASSERT_TRUE(WheelOn(m_console, 1000, WHEEL_DELTA));
    ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1000) == 4; }, kUiMs))
        << "the wheel on knob 1000 did not turn it from 3 to 4";
    ASSERT_TRUE(ClickOn(m_console, 1005));
    ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1005) == 1; }, kUiMs))
        << "the click did not switch the headphones on";
    ASSERT_TRUE(InputDriver::Key(VK_F8));
    ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1001) == 6; }, kUiMs)) << "F8 did not turn Vibe to 6";
    // The status timer's turns, with nothing to relay to.
    ASSERT_TRUE(TimerTurned(m_console, kStatusTimer, 2));
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(m_korvane->ExitCode(), 0u);
    std::vector<JournalEntry> all = JournalSinceStart();
    for (const char* chan : {"VXD", "WDM", "HOOK"})
        EXPECT_TRUE(Journal::Select(all, chan).empty()) << chan << ":\n" << Journal::Format(all);
    ExpectSaved(4, 6, 3, 1, 0);
}

TEST_F(ChannelsTest, AnExceptionDuringTheSoundfieldsSendCostsOnlyThatSend) {
    const struct {
        const char* what;
        const char* variant;
    } hooks[] = {{"a write through null", "WavHok32-faultSoundfields.dll"},
                 {"a C++ exception of another compiler", "WavHok32-raiseSoundfields.dll"}};
    for (const auto& hook : hooks) {
        SCOPED_TRACE(hook.what);
        StoreSettings(2, 9, 4, 0, 0);
        FileSwap file(kHookPath);
        ASSERT_TRUE(file.ReplaceWith(std::string("C:\\korvane-sim\\variants\\") + hook.variant));
        // The start already sends the stored level: the hook raises right there.
        ASSERT_NO_FATAL_FAILURE(StartEngine());
        ASSERT_TRUE(CaughtUp(m_console));
        // The hook journals each message before it raises, so it is listed too.
        EXPECT_TRUE(SameMessages(Levels(Journal::Read(LaunchMark())), Expected(kAll).Start(2, 9, 4, false).Get()));

        ASSERT_TRUE(InputDriver::Activate(m_console));
        const std::vector<Delivered> live = Expected(kAll).ApplySoundfields(5).ApplyVibe(10).ApplySoundfields(6).Get();
        EXPECT_TRUE(KeysSend({VK_F11, VK_F7, VK_F11}, live));
        ASSERT_TRUE(CaughtUp(m_console)) << "the console stopped after the exception";
        // The status relay goes on reaching the hook.
        EXPECT_TRUE(WaitForJournal(Journal::Mark(), "HOOK", "IOCTL", "0x002200C8", kUiMs));

        ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
        EXPECT_EQ(m_korvane->ExitCode(), 0u);
        EXPECT_EQ(SettingsKey::GetDword("Soundfields volume"), 6u);
        EXPECT_EQ(SettingsKey::GetDword("Vibe volume"), 10u);
        file.Restore();
    }
}

}  // namespace
