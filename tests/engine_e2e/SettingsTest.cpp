// Stored settings: what is accepted, what falls back to its default, and
// what is written back when the console closes.
#include "EngineTest.h"

#include "harness/InProcessProbe.h"
#include "harness/RegKey.h"
#include "harness/SettingsKey.h"

namespace {

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
