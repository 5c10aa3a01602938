// The shortcut keys beyond the plain press: the accelerator table as the
// program carries it, the keys in the mini form, and a held function key
// repeating up to its knob's stop and on at it.
#include "EngineTest.h"

#include "engine/ControlCodes.h"
#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

namespace {

// The table's entries in the resource's own layout.
#pragma pack(push, 1)
struct AccelEntry {
    WORD flags, key, command, padding;
};
#pragma pack(pop)

// Order matters to nobody at run time, but it is what the program ships:
// F1, F10 to F12, F2 to F9, Space last (its flags carry the end mark).
TEST(ShortcutTableTest, TheProgramCarriesTheThirteenEntriesInTheirOrderWithTheirFlags) {
    HMODULE exe = LoadLibraryExA(KorvaneLauncher::kExe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr) << KorvaneLauncher::kExe;
    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(149), MAKEINTRESOURCEA(9) /* RT_ACCELERATOR */);
    ASSERT_NE(found, nullptr) << "no accelerator table 149";
    const auto* table = static_cast<const AccelEntry*>(LockResource(LoadResource(exe, found)));
    const size_t count = SizeofResource(exe, found) / sizeof(AccelEntry);
    const AccelEntry expected[] = {{0x03, VK_F1, 32771, 0},   {0x03, VK_F10, 32780, 0}, {0x03, VK_F11, 32781, 0},
                                   {0x03, VK_F12, 32782, 0},  {0x03, VK_F2, 32772, 0},  {0x03, VK_F3, 32773, 0},
                                   {0x03, VK_F4, 32774, 0},   {0x03, VK_F5, 32775, 0},  {0x03, VK_F6, 32776, 0},
                                   {0x03, VK_F7, 32777, 0},   {0x03, VK_F8, 32778, 0},  {0x03, VK_F9, 32779, 0},
                                   {0x83, VK_SPACE, 32783, 0}};
    ASSERT_EQ(count, 13u);
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(table[i].flags, expected[i].flags) << "entry " << i + 1;
        EXPECT_EQ(table[i].key, expected[i].key) << "entry " << i + 1;
        EXPECT_EQ(table[i].command, expected[i].command) << "entry " << i + 1;
    }
    FreeLibrary(exe);
}

class ShortcutsTest : public EngineTest {
protected:
    void StartWith(DWORD d3, DWORD mini) {
        StoreSettings(d3, 5, 7, 0, mini);
        ASSERT_NO_FATAL_FAILURE(StartEngine("winxp"));  // the WDM channel only
        ASSERT_TRUE(InputDriver::Activate(m_console));
    }
    // What the keys sent, once the program has taken them.
    std::vector<Delivered> SentSince(unsigned long long mark) {
        EXPECT_TRUE(CaughtUp(m_console));
        return Levels(Journal::Read(mark));
    }
};

TEST_F(ShortcutsTest, TheKeysWorkInTheMiniFormAsInTheFull) {
    ASSERT_NO_FATAL_FAILURE(StartWith(3, 1));
    ASSERT_TRUE(IsWindowVisible(GetDlgItem(m_console, 1010))) << "not started in the mini form";
    const unsigned long long mark = Journal::Mark();
    for (WORD vk : {VK_F4, VK_F5, VK_F10, VK_F12, VK_SPACE}) ASSERT_TRUE(InputDriver::Key(vk));
    const std::vector<Delivered> expected = Expected(kWdmOnly)
                                                .Apply3D(6, false)
                                                .ApplyVibe(2)
                                                .ApplySoundfields(6)
                                                .ApplySoundfields(9)
                                                .ApplyHeadphones(true, 6)
                                                .Get();
    EXPECT_TRUE(SameMessages(SentSince(mark), expected));
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(SettingsKey::GetDword("UI minimized"), 1u);
    EXPECT_EQ(SettingsKey::GetDword("3D Volume"), 6u);
}

// Held from 9, F3 steps to 10 and 11 and then repeats at the stop, each
// repetition writing 11 back and sending it again; a fresh press at 11 too.
TEST_F(ShortcutsTest, AHeldKeyRepeatsUpToTheStopAndSendsAgainAtIt) {
    ASSERT_NO_FATAL_FAILURE(StartWith(9, 0));
    unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::KeyHeld(VK_F3, 4));
    EXPECT_TRUE(SameMessages(
        SentSince(mark),
        Expected(kWdmOnly).Apply3D(10, false).Apply3D(11, false).Apply3D(11, false).Apply3D(11, false).Get()));
    EXPECT_EQ(ControlValue(m_console, 1000), 11);

    mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Key(VK_F3));
    EXPECT_TRUE(SameMessages(SentSince(mark), Expected(kWdmOnly).Apply3D(11, false).Get())) << "F3 at 11";
    // And held down at the other stop.
    mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::KeyHeld(VK_F1, 5));  // 11 -> 8, 5, 2, 0, 0
    Expected down(kWdmOnly);
    for (int level : {8, 5, 2, 0, 0}) down.Apply3D(level, false);
    EXPECT_TRUE(SameMessages(SentSince(mark), down.Get()));
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(SettingsKey::GetDword("3D Volume"), 0u);
}

}  // namespace
