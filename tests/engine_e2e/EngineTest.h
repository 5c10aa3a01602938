// Fixture of the engine tests: reads what the simulated engine received and
// compares it, message by message, with what the console must send.
#pragma once

#include "KorvaneTest.h"
#include "fx/FxParams.h"

#include <string>
#include <vector>

// One control message as the engine saw it.
struct Delivered {
    std::string chan;
    DWORD code;
    DWORD payload;
    bool operator==(const Delivered& o) const { return chan == o.chan && code == o.code && payload == o.payload; }
};

// Builds the expected sequence: each list goes to the VxD, the WDM driver
// and the hook in that order, each channel getting the whole list.
class Expected {
public:
    explicit Expected(std::vector<std::string> channels) : m_channels(std::move(channels)) {}
    Expected& List(std::vector<std::pair<DWORD, DWORD>> messages);
    Expected& Apply3D(int position, bool headphones);
    Expected& ApplyVibe(int position);
    Expected& ApplySoundfields(int position);
    Expected& ApplyHeadphones(bool on, int position3D);
    Expected& SwitchOn();
    // The console's start sequence for these stored levels.
    Expected& Start(int position3D, int vibe, int soundfields, bool headphones) {
        return Apply3D(position3D, false)
            .ApplyVibe(vibe)
            .ApplySoundfields(soundfields)
            .ApplyHeadphones(headphones, position3D)
            .SwitchOn();
    }
    const std::vector<Delivered>& Get() const { return m_messages; }

private:
    std::vector<std::string> m_channels;
    std::vector<Delivered> m_messages;
};

class EngineTest : public KorvaneTest {
protected:
    // Asks the hook library for its journal (an installed one keeps none).
    void SetUp() override;

    static const std::vector<std::string> kAll;      // VXD, WDM, HOOK
    static const std::vector<std::string> kWdmOnly;  // WDM
    static constexpr UINT_PTR kStatusTimer = 666;    // the console's status relay

    // Level messages only: IOCTL records other than the status relay.
    static std::vector<Delivered> Levels(const std::vector<JournalEntry>& entries);
    // The levels since the mark, once at least `atLeast` came and the console
    // has taken all its input (so none is still on its way).
    static std::vector<Delivered> LevelsSince(HWND console, unsigned long long mark, size_t atLeast);
    // Presses the keys on the console: what they sent, once it came and the
    // console has taken them all, is `expected`.
    ::testing::AssertionResult KeysSend(const std::vector<WORD>& keys, const std::vector<Delivered>& expected) const;
    // Until at least `atLeast` level messages reached the hook since the mark
    // and the console has taken all its input; false when they did not come.
    static bool HookLevelsCame(HWND console, unsigned long long mark, size_t atLeast);
    static std::string Describe(const std::vector<Delivered>& messages);
    static ::testing::AssertionResult SameMessages(const std::vector<Delivered>& actual,
                                                   const std::vector<Delivered>& expected);
    // Waits until the journal after the mark holds an entry matching; without
    // a mark, after the latest start of a copy.
    bool WaitForJournal(const std::string& chan, const std::string& kind, const std::string& a, DWORD timeoutMs) {
        return WaitForJournal(LaunchMark(), chan, kind, a, timeoutMs);
    }
    static bool WaitForJournal(unsigned long long mark, const std::string& chan, const std::string& kind,
                               const std::string& a, DWORD timeoutMs);
    // Starts to the console and waits until its start sequence has reached
    // the engine (the hook on 9x, the WDM driver otherwise); null otherwise.
    HWND StartToEngine(const std::string& version, KorvaneProcess** process);
    // The same into m_korvane and m_console; under ASSERT_NO_FATAL_FAILURE,
    // as it fails the test when the engine is not reached.
    void StartEngine(const std::string& version = "win98") {
        m_console = StartToEngine(version, &m_korvane);
        ASSERT_NE(m_console, nullptr);
    }
    // Closes the console and waits until the hook has been taken away.
    ::testing::AssertionResult CloseToUnhook(KorvaneProcess& korvane, HWND console);
    // The same, and the hook's unload question was answered yes at once:
    // nothing of a player's buffers still inside the engine is waited for.
    void ExpectUnloadAnsweredAtOnce(KorvaneProcess& korvane, HWND console);
    // The engine state the hook's level messages among `entries` make, from
    // the reset state.
    static fx::FxParams HookState(const std::vector<JournalEntry>& entries);
    static fx::FxParams Off();
    // The knob's or button's property 1, asked across the process boundary.
    static long ControlValue(HWND console, int id);
    // Real input on a child control of the console.
    static bool WheelOn(HWND console, int id, int delta);
    static bool ClickOn(HWND console, int id);
    // Stores the settings (all five values as DWORDs).
    static void StoreSettings(DWORD d3, DWORD vibe, DWORD soundfields, DWORD headphones, DWORD mini);
    // The five values are stored as DWORDs with these values.
    static void ExpectSaved(DWORD d3, DWORD vibe, DWORD soundfields, DWORD headphones, DWORD mini);
    // Installs the hook variant missing one export ("" for the complete one).
    static std::string HookVariant(const std::string& missingExport);
    static const char* const kHookPath;  // C:\korvane\WavHok32.dll
};

// Golden payloads (single-precision bit patterns) by knob position.
DWORD Level3DBits(int position);
DWORD Level3DScaledBits(int position);
DWORD HeadphonesLevel(int position);
