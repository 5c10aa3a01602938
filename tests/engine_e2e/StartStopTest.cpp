// The console's start and stop sequences as the engine sees them, every
// control code as a number, read off the engine's journal of a real session,
// and the stored settings: what is accepted, what falls back to its default,
// and what is written back when the console closes.
#include "EngineTest.h"

#include "engine/ControlCodes.h"
#include "harness/InProcessProbe.h"
#include "harness/InputDriver.h"
#include "harness/RegKey.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

#include <algorithm>

namespace {

class StartStopTest : public EngineTest {
protected:
    // The journal's clock: system time in milliseconds.
    static unsigned long long NowMs() {
        FILETIME ft;
        GetSystemTimeAsFileTime(&ft);
        return ((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000;
    }
    // When the settings key was last written, on the same clock.
    static unsigned long long SettingsWrittenMs() {
        RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmora\\Korvane", KEY_READ);
        FILETIME ft = {0, 0};
        if (key.Valid())
            RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, &ft);
        return ((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000;
    }
    using List = std::vector<std::pair<DWORD, DWORD>>;
    // The messages of one channel since the mark, status relay left out.
    static List Sent(unsigned long long mark, const std::string& chan, std::vector<DWORD>* status = nullptr) {
        List out;
        for (const JournalEntry& e : Journal::Select(Journal::Read(mark), chan, "IOCTL")) {
            const DWORD code = e.Code().value_or(0);
            if (code == 0x2200C4 || code == 0x2200C8) {
                if (status) status->push_back(code);
                continue;
            }
            out.push_back({code, e.Payload().value_or(0xDEADBEEF)});
        }
        return out;
    }
    // Waits until each channel holds at least n messages since the mark.
    static bool WaitForCount(unsigned long long mark, size_t n) {
        return WaitUntil(
            [&] {
                for (const char* chan : {"VXD", "WDM", "HOOK"})
                    if (Sent(mark, chan).size() < n) return false;
                return true;
            },
            kUiMs);
    }
    static void SetCanUnloadAfter(DWORD calls) {
        RegKey key = RegKey::Create(HKEY_LOCAL_MACHINE, kSimKey);
        ASSERT_TRUE(key.Valid());
        ASSERT_TRUE(key.SetDword("CanUnloadAfter", calls));
    }
};

TEST_F(StartStopTest, Win98StartAndStopMessageByMessage) {
    StoreSettings(3, 5, 7, 0, 0);
    ASSERT_TRUE(SettingsKey::SetDword("Master volume", 7));
    ASSERT_NO_FATAL_FAILURE(StartConsole("win98"));

    // The status relay runs once the start sequence is through.
    ASSERT_TRUE(WaitForJournal("HOOK", "IOCTL", "0x002200C8", kUiMs));
    // A dozen relays, enough to tell their rate.
    EXPECT_TRUE(WaitUntil(
        [&] { return Journal::Select(JournalSinceStart(), "HOOK", "IOCTL", "0x002200C8").size() >= 12; }, kUiMs))
        << "the status relay stopped";
    std::vector<JournalEntry> started = JournalSinceStart();

    const std::vector<Delivered> expectedStart = Expected(kAll).Start(3, 5, 7, false).Get();
    EXPECT_TRUE(SameMessages(Levels(started), expectedStart));

    // Both devices opened, the hook hooked before it got its first message.
    EXPECT_EQ(Journal::Select(started, "VXD", "OPEN").size(), 1u);
    EXPECT_EQ(Journal::Select(started, "WDM", "OPEN").size(), 1u);
    std::vector<JournalEntry> hook = Journal::Select(started, "HOOK");
    ASSERT_FALSE(hook.empty());
    EXPECT_EQ(hook.front().kind, "CALL");
    EXPECT_EQ(hook.front().a, "QuorWav9xHook");

    // Status relay: the WDM driver is asked, the hook gets exactly that
    // value; the VxD is never asked; about ten times a second.
    std::vector<JournalEntry> relay;
    for (const JournalEntry& e : started)
        if (e.a == "0x002200C4" || e.a == "0x002200C8") relay.push_back(e);
    EXPECT_TRUE(Journal::Select(started, "VXD", "IOCTL", "0x002200C4").empty());
    EXPECT_TRUE(Journal::Select(started, "VXD", "IOCTL", "0x002200C8").empty());
    EXPECT_TRUE(Journal::Select(started, "WDM", "IOCTL", "0x002200C8").empty());
    ASSERT_GE(relay.size(), 4u);
    size_t pairs = 0;
    for (size_t i = 0; i + 1 < relay.size(); i += 2) {
        ASSERT_EQ(relay[i].chan, "WDM") << relay[i].raw;
        ASSERT_EQ(relay[i + 1].chan, "HOOK") << relay[i + 1].raw;
        EXPECT_EQ(relay[i].b, relay[i + 1].b) << "the hook must get the driver's status";
        ++pairs;
    }
    double seconds = (relay.back().ms - relay.front().ms) / 1000.0;
    ASSERT_GT(seconds, 0.5);
    double rate = (pairs - 1) / seconds;
    EXPECT_GT(rate, 5.0) << pairs << " relays in " << seconds << " s";
    EXPECT_LT(rate, 15.0) << pairs << " relays in " << seconds << " s";

    // A change during the run, so that the save at close really writes.
    ASSERT_TRUE(InputDriver::Activate(m_console));
    ASSERT_TRUE(InputDriver::Key(VK_F3));
    ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1000) == 4; }, kUiMs)) << "F3 did not turn 3D to 4";
    ASSERT_TRUE(CaughtUp(m_console));
    unsigned long long beforeClose = Journal::Mark();
    unsigned long long closeRequested = NowMs();
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(m_korvane->ExitCode(), 0u);
    ASSERT_TRUE(WaitForJournal(beforeClose, "WDM", "CLOSE", "-", kUiMs));
    ASSERT_TRUE(WaitForJournal(beforeClose, "VXD", "CLOSE", "-", kUiMs));
    std::vector<JournalEntry> stopped = Journal::Read(beforeClose);

    // Five zero messages to each open device, VxD first; none to the hook.
    const std::vector<Delivered> expectedStop = Expected({"VXD", "WDM"})
                                                    .List({{IOCTL_3D_ENABLE, 0},
                                                           {IOCTL_VIBE_ENABLE, 0},
                                                           {IOCTL_HEADPHONES_ENABLE, 0},
                                                           {IOCTL_AUX_ENABLE, 0},
                                                           {IOCTL_SOUNDFIELDS_ENABLE, 0}})
                                                    .Get();
    std::vector<Delivered> stopLevels;
    for (const Delivered& d : Levels(stopped))
        if (d.code != IOCTL_SET_STATUS) stopLevels.push_back(d);
    EXPECT_TRUE(SameMessages(stopLevels, expectedStop));

    // Then the unload handshake, after the devices were switched off: the
    // hook agrees at once, so no sleep comes before the unhook.
    std::vector<JournalEntry> calls = Journal::Select(stopped, "HOOK", "CALL");
    ASSERT_EQ(calls.size(), 3u) << Journal::Format(stopped);
    EXPECT_EQ(calls[0].a, "QuorWav9xPrepareForUnloading");
    EXPECT_EQ(calls[1].a, "QuorWav9xCanUnloadNow");
    EXPECT_EQ(calls[1].Result(), 1u);
    EXPECT_EQ(calls[2].a, "QuorWav9xUnHook");
    EXPECT_LT(calls[2].ms - calls[1].ms, 100u);
    std::vector<JournalEntry> wdmOff = Journal::Select(stopped, "WDM", "IOCTL", "0x00220144");
    ASSERT_EQ(wdmOff.size(), 1u);
    EXPECT_LE(wdmOff[0].ms, calls[0].ms);

    // The settings were written at close, before anything was switched off.
    std::vector<JournalEntry> vxdOff = Journal::Select(stopped, "VXD", "IOCTL", "0x00220000");
    ASSERT_EQ(vxdOff.size(), 1u);
    unsigned long long written = SettingsWrittenMs();
    EXPECT_GE(written + 50, closeRequested) << "settings not written at close";
    EXPECT_LE(written, vxdOff[0].ms) << "settings written after the switch-off";

    // Settings saved as they were; the master volume is not the console's.
    ExpectSaved(4, 5, 7, 0, 0);
    EXPECT_EQ(SettingsKey::GetDword("Master volume"), 7u);
}

TEST_F(StartStopTest, WinMeWithHeadphonesStartsWithTheIntegerLevel) {
    StoreSettings(0, 11, 0, 1, 0);
    ASSERT_NO_FATAL_FAILURE(StartEngine("winme"));
    ASSERT_TRUE(CaughtUp(m_console));
    // Apply3D runs before the button is set, so the 3D level goes out as
    // floats first and again as the integer after the headphones switch on.
    const std::vector<Delivered> expected = Expected(kAll).Start(0, 11, 0, true).Get();
    EXPECT_TRUE(SameMessages(Levels(JournalSinceStart()), expected));
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(SettingsKey::GetDword("Headphones enabled"), 1u);
}

// The console asks the hook whether it may unload, then once after each
// of at most 50 sleeps of 100 ms, and unhooks when it agrees or gives up
// (agreeing at once: the start and stop test). The window goes at once;
// only the process waits for the hook.
TEST_F(StartStopTest, TheHookIsUnhookedWhenItAgreesOrAfterFiveSeconds) {
    const struct {
        const char* what;
        DWORD agreesAfter;  // refusals before it agrees
        size_t asks;
        unsigned long minMs, maxMs;  // to the unhook from the preparation
    } cases[] = {{"never agrees", 0xFFFFFFFF, 51, 4900, 8000},
                 {"agrees after three: the wait ends early", 3, 4, 290, 2500}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StoreSettings(6, 6, 0, 0, 0);
        SetCanUnloadAfter(c.agreesAfter);
        ASSERT_NO_FATAL_FAILURE(StartConsole("win98"));
        PostMessageA(m_console, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(m_console) || !IsWindowVisible(m_console); }, kUiMs));
        if (c.minMs > 1000) {
            EXPECT_TRUE(m_korvane->Running()) << "the process should still be waiting for the hook";
        }
        ASSERT_TRUE(m_korvane->WaitForExit(kExitMs + 10000)) << "the process should end soon after the hook";

        const std::vector<JournalEntry> calls = Journal::Select(Journal::Read(LaunchMark()), "HOOK", "CALL");
        const auto called = [&](const char* name) { return Journal::Select(calls, "HOOK", "CALL", name); };
        const std::vector<JournalEntry> prepare = called("QuorWav9xPrepareForUnloading"),
                                        asks = called("QuorWav9xCanUnloadNow"), unhook = called("QuorWav9xUnHook");
        EXPECT_EQ(asks.size(), c.asks) << Journal::Format(calls);
        ASSERT_TRUE(!prepare.empty() && !asks.empty() && !unhook.empty()) << Journal::Format(calls);
        EXPECT_EQ(asks.back().Result().value_or(0) != 0, c.agreesAfter != 0xFFFFFFFF);
        EXPECT_GE(unhook.back().ms - prepare.front().ms, c.minMs);
        EXPECT_LT(unhook.back().ms - prepare.front().ms, c.maxMs);
    }
}

// Deliberately written without the program's table of codes: two codes
// swapped there would otherwise go unnoticed by every test that builds its
// expectations from the same table.
TEST_F(StartStopTest, EachCodeHasItsNumber) {
    StoreSettings(3, 5, 7, 0, 0);
    const unsigned long long start = Journal::Mark();
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    ASSERT_TRUE(WaitForJournal("HOOK", "IOCTL", "0x002200C8", kStartMs)) << "no status relayed to the hook";
    std::vector<DWORD> status;
    Sent(start, "WDM", &status);
    EXPECT_NE(std::find(status.begin(), status.end(), 0x2200C4u), status.end()) << "no status read from WDM";
    for (const char* chan : {"VXD", "WDM", "HOOK"}) {
        const List started = Sent(start, chan);
        for (const DWORD on : {0x220040ul, 0x220144ul})  // Vibe, Soundfields
            EXPECT_NE(std::find(started.begin(), started.end(), std::make_pair(on, 1ul)), started.end()) << chan << on;
    }

    ASSERT_TRUE(InputDriver::Activate(m_console));
    unsigned long long mark = Journal::Mark();
    // Headphones on (3D in its headphone form) and off again (3D as two
    // levels), Vibe 5 -> 2 (levels 2, 3, 1), Soundfields 7 -> 10; each key
    // sent once the messages so far came.
    const std::pair<WORD, size_t> keys[] = {{VK_SPACE, 3}, {VK_SPACE, 7}, {VK_F5, 10}, {VK_F12, 11}};
    for (const auto& k : keys) ASSERT_TRUE(InputDriver::Key(k.first) && WaitForCount(mark, k.second)) << k.second;
    ASSERT_TRUE(CaughtUp(m_console));
    const List live = {{0x220080, 1},
                       {0x220000, 0},
                       {0x220084, HeadphonesLevel(3)},
                       {0x220080, 0},
                       {0x220000, 1},
                       {0x220004, Level3DBits(3)},
                       {0x220008, Level3DScaledBits(3)},
                       {0x220048, Level3DBits(2)},
                       {0x22004C, Level3DBits(2)},
                       {0x220044, Level3DBits(2)},
                       {0x220140, Level3DBits(10)}};
    for (const char* chan : {"VXD", "WDM", "HOOK"}) EXPECT_EQ(Sent(mark, chan), live) << chan;

    // Closing switches every effect off on both devices.
    mark = Journal::Mark();
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    const List off = {{0x220000, 0}, {0x220040, 0}, {0x220080, 0}, {0x220100, 0}, {0x220144, 0}};
    for (const char* chan : {"VXD", "WDM"}) EXPECT_EQ(Sent(mark, chan), off) << chan;
}

class SettingsTest : public EngineTest {
protected:
    // Starts posing as XP (WDM channel only), checks the start messages,
    // closes.
    void StartCheckClose(const std::vector<Delivered>& expected, bool switchedOn = true) {
        ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
        if (switchedOn) {
            ASSERT_TRUE(WaitForJournal("WDM", "IOCTL", "0x00220144", 15000));
            EXPECT_TRUE(WaitForJournal("WDM", "IOCTL", "0x002200C4", kUiMs)) << "no status relay after a full start";
        }
        ASSERT_TRUE(CaughtUp(m_console));
        if (!switchedOn) {
            // No status timer at all, so no relay can come later either.
            std::string error;
            EXPECT_FALSE(InProcessProbe::KillTimer(m_console, kStatusTimer, &error))
                << "a status timer before a full start";
            EXPECT_EQ(error, "probe: killed 0\n");  // the probe answered
        }
        std::vector<JournalEntry> entries = JournalSinceStart();
        EXPECT_TRUE(SameMessages(Levels(entries), expected));
        bool relayed = !Journal::Select(entries, "WDM", "IOCTL", "0x002200C4").empty();
        EXPECT_EQ(relayed, switchedOn) << "the status timer runs only after a full start";
        ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    }
};

TEST_F(SettingsTest, OutOfRangeValuesTakeTheirDefaults) {
    ASSERT_TRUE(SettingsKey::CreateEmpty());
    ASSERT_TRUE(SettingsKey::SetDword("3D Volume", 12));
    // "Vibe volume" missing.
    ASSERT_TRUE(SettingsKey::SetDword("Soundfields volume", 0xFFFFFFFF));
    ASSERT_TRUE(SettingsKey::SetDword("Headphones enabled", 5));
    ASSERT_TRUE(SettingsKey::SetDword("UI minimized", 3));
    ASSERT_TRUE(SettingsKey::SetDword("Master volume", 13));
    StartCheckClose(Expected(kWdmOnly).Start(6, 6, 0, true).Get());
    // 5 turned the headphones on and is saved back as 1; 3 is kept as it is.
    ExpectSaved(6, 6, 0, 1, 3);
    EXPECT_EQ(SettingsKey::GetDword("Master volume"), 13u);
}

TEST_F(SettingsTest, OnlyFourByteValuesCountWhateverTheirType) {
    ASSERT_TRUE(SettingsKey::CreateEmpty());
    ASSERT_TRUE(SettingsKey::Set("3D Volume", RegValue{REG_BINARY, std::string("\x02\x00\x00\x00", 4)}));
    ASSERT_TRUE(SettingsKey::Set("Vibe volume", RegValue{REG_BINARY, std::string("\x03\x00", 2)}));
    ASSERT_TRUE(SettingsKey::Set("Soundfields volume",
                                 RegValue{REG_BINARY, std::string("\x04\x00\x00\x00\x00\x00\x00\x00", 8)}));
    ASSERT_TRUE(SettingsKey::Set("Headphones enabled", RegValue::String("1")));
    ASSERT_TRUE(SettingsKey::Set("UI minimized", RegValue{REG_DWORD_BIG_ENDIAN, std::string("\x01\x00\x00\x00", 4)}));
    StartCheckClose(Expected(kWdmOnly).Start(2, 6, 0, false).Get());
    ExpectSaved(2, 6, 0, 0, 1);
}

TEST_F(SettingsTest, EmptyKeyStartsWithTheDefaults) {
    ASSERT_TRUE(SettingsKey::CreateEmpty());
    StartCheckClose(Expected(kWdmOnly).Start(6, 6, 0, false).Get());
    ExpectSaved(6, 6, 0, 0, 0);
    EXPECT_FALSE(SettingsKey::Get("Master volume").has_value()) << "the console never writes it";
}

TEST_F(SettingsTest, MissingKeySendsNothingAtStartAndSavesNothing) {
    ASSERT_TRUE(SettingsKey::Remove());
    unsigned long long mark = Journal::Mark();
    StartCheckClose({}, false);
    EXPECT_FALSE(SettingsKey::Exists());
    // The stop sequence still switches the device off.
    std::vector<JournalEntry> all = Journal::Read(mark);
    EXPECT_EQ(Journal::Select(all, "WDM", "IOCTL", "0x00220144").size(), 1u) << Journal::Format(all);
}

}  // namespace
