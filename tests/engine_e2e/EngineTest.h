// Fixture of the engine tests: reads what the simulated engine received and
// compares it, message by message, with what the console must send.
#pragma once

#include "KorvaneTest.h"

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

    // Level messages only: IOCTL records other than the status relay.
    static std::vector<Delivered> Levels(const std::vector<JournalEntry>& entries);
    static std::string Describe(const std::vector<Delivered>& messages);
    static ::testing::AssertionResult SameMessages(const std::vector<Delivered>& actual,
                                                   const std::vector<Delivered>& expected);
    // Waits until the journal since the start holds an entry matching.
    bool WaitForJournal(const std::string& chan, const std::string& kind, const std::string& a, DWORD timeoutMs);
    // The knob's or button's property 1, asked across the process boundary.
    static long ControlValue(HWND console, int id);
    // Real input on a child control of the console.
    static bool WheelOn(HWND console, int id, int delta);
    static bool ClickOn(HWND console, int id);
    // Stores the settings (all five values as DWORDs).
    static void StoreSettings(DWORD d3, DWORD vibe, DWORD soundfields, DWORD headphones, DWORD mini);
    // Installs the hook variant missing one export ("" for the complete one).
    static std::string HookVariant(const std::string& missingExport);
    static const char* const kHookPath;  // C:\korvane\WavHok32.dll
};

// Golden payloads (single-precision bit patterns) by knob position.
DWORD Level3DBits(int position);
DWORD Level3DScaledBits(int position);
DWORD HeadphonesLevel(int position);
