// Keyboard access to the skin controls: Tab goes round the current form's
// controls, the keys of a focused knob turn it exactly as the mouse does,
// Enter presses a focused button, and the console's shortcuts keep working
// wherever the focus is, in the mini form as in the full, and held down up
// to their knob's stop and on at it; the accelerator table as the program
// carries it.
#include "EngineTest.h"

#include "framework/WindowDC.h"
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

class KeyboardTest : public EngineTest {
protected:
    void StartWith(const char* version, DWORD d3, DWORD mini) {
        StoreSettings(d3, 5, 7, 0, mini);
        ASSERT_NO_FATAL_FAILURE(StartEngine(version));
        ASSERT_TRUE(InputDriver::Activate(m_console));
    }

    // The id of the console's control that has the keyboard focus; 0 for
    // none, -1 for a window that is not one of its controls.
    int FocusedId() const {
        HWND focus = WindowFinder::ThreadOf(m_console).hwndFocus;
        if (!focus) return 0;
        return GetParent(focus) == m_console ? GetDlgCtrlID(focus) : -1;
    }

    // Presses vk and waits until the focus has left the control it was on;
    // the id of the control it went to.
    int MoveFocus(WORD vk, unsigned modifiers = InputDriver::kNone) {
        const int from = FocusedId();
        if (!InputDriver::Key(vk, modifiers)) return -2;
        int now = from;
        WaitUntil([&] { return (now = FocusedId()) != from; }, kUiMs / 2);
        return now;
    }

    std::vector<int> TabRound(int presses, unsigned modifiers = InputDriver::kNone) {
        std::vector<int> ids;
        for (int i = 0; i < presses; ++i) ids.push_back(MoveFocus(VK_TAB, modifiers));
        return ids;
    }

    // Whether the control's focus mark is on the screen: a knob's dotted teal
    // frame lights its top-left pixel, a button's bright rim the middle of
    // its top edge; both are other colours without the mark.
    bool MarkShown(int id) const {
        HWND control = GetDlgItem(m_console, id);
        RECT client;
        GetClientRect(control, &client);
        const bool knob = id <= 1002;
        POINT at = {knob ? 0 : client.right / 2, 0};
        ClientToScreen(control, &at);
        const COLORREF pixel = GetPixel(WindowDC(nullptr).Get(), at.x, at.y);
        return pixel == (knob ? RGB(0x20, 0xC8, 0xC8) : RGB(0xC8, 0xFF, 0xFF));
    }
};

TEST_F(KeyboardTest, TabGoesRoundTheControlsOfTheCurrentFormAndEnterPressesAButton) {
    ASSERT_NO_FATAL_FAILURE(StartWith("winxp", 3, 0));
    ASSERT_EQ(FocusedId(), 1000) << "the first knob starts with the focus";
    // This system keeps keyboard cues on, so the mark shows from the start.
    EXPECT_TRUE(WaitUntil([&] { return MarkShown(1000); }, kUiMs));

    EXPECT_EQ(TabRound(6), (std::vector<int>{1001, 1002, 1005, 1006, 1008, 1000}));
    EXPECT_EQ(TabRound(2, InputDriver::kShift), (std::vector<int>{1008, 1006}));
    EXPECT_TRUE(WaitUntil([&] { return MarkShown(1006) && !MarkShown(1000); }, kUiMs));

    // On the headphones button Enter clicks it, sending what a click sends;
    // Space stays the shortcut and toggles once, not once more as a press of
    // the focused button.
    ASSERT_EQ(MoveFocus(VK_TAB, InputDriver::kShift), 1005);
    unsigned long long headphonesMark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Key(VK_RETURN));
    ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1005) == 1; }, kUiMs));
    ASSERT_TRUE(InputDriver::Key(VK_SPACE));
    const std::vector<Delivered> toggled = Expected(kWdmOnly).ApplyHeadphones(true, 3).ApplyHeadphones(false, 3).Get();
    EXPECT_TRUE(SameMessages(LevelsSince(m_console, headphonesMark, toggled.size()), toggled));
    EXPECT_EQ(ControlValue(m_console, 1005), 0);
    ASSERT_EQ(MoveFocus(VK_TAB), 1006);

    // Enter on the mini-form button switches the form; the focus goes to the
    // button that stands in its place, and the full form's buttons leave
    // the tab order with the outline.
    unsigned long long mark = Journal::Mark();
    ASSERT_EQ(MoveFocus(VK_RETURN), 1010);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(m_console, 1011)) != FALSE; }, kUiMs));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(m_console, 1006)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(m_console, 1008)));
    EXPECT_EQ(TabRound(6), (std::vector<int>{1011, 1000, 1001, 1002, 1005, 1010}));
    EXPECT_EQ(TabRound(1, InputDriver::kShift), (std::vector<int>{1005}));
    EXPECT_EQ(TabRound(1), (std::vector<int>{1010}));

    // And back: the full form's button takes the focus again.
    ASSERT_EQ(MoveFocus(VK_RETURN), 1006);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(GetDlgItem(m_console, 1010)); }, kUiMs));
    EXPECT_TRUE(Levels(Journal::Read(mark)).empty()) << "the form buttons send nothing to the engine";

    // Enter on the close button ends the console the way a click does.
    ASSERT_EQ(MoveFocus(VK_TAB), 1008);
    ASSERT_TRUE(InputDriver::Key(VK_RETURN));
    EXPECT_TRUE(m_korvane->WaitForExit(kExitMs)) << "Enter on the close button did not end the program";
    EXPECT_EQ(SettingsKey::GetDword("UI minimized"), 0u);
    EXPECT_EQ(SettingsKey::GetDword("Vibe volume"), 5u);
}

TEST_F(KeyboardTest, KeysOnAFocusedKnobSendWhatTheSameMouseTurnSends) {
    ASSERT_NO_FATAL_FAILURE(StartWith("win98", 3, 0));
    ASSERT_EQ(FocusedId(), 1000);
    // Windows 98 keeps no keyboard-cue state: no mark until Tab is pressed.
    ASSERT_TRUE(CaughtUp(m_console));
    EXPECT_FALSE(MarkShown(1000));

    // The same turn by wheel and by key: 3 -> 4 both ways.
    const std::vector<Delivered> turn = Expected(kAll).Apply3D(4, false).Get();
    const unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(WheelOn(m_console, 1000, WHEEL_DELTA));
    EXPECT_TRUE(SameMessages(LevelsSince(m_console, mark, turn.size()), turn)) << "by the wheel";
    ASSERT_TRUE(WheelOn(m_console, 1000, -WHEEL_DELTA));
    ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1000) == 3; }, kUiMs));
    ASSERT_TRUE(InputDriver::Activate(m_console));
    EXPECT_TRUE(KeysSend({VK_UP}, turn)) << "by the key";

    // The dialog does not take the arrows away: the focus stays on the knob.
    EXPECT_EQ(FocusedId(), 1000);
    ASSERT_EQ(MoveFocus(VK_TAB), 1001);
    EXPECT_TRUE(WaitUntil([&] { return MarkShown(1001); }, kUiMs)) << "no focus mark after Tab";
    EXPECT_FALSE(MarkShown(1000));

    // From 5: each key a step, three steps or a stop; keys at a stop send nothing.
    Expected expected(kAll);
    for (int level : {6, 7, 6, 5, 8, 5, 11, 0, 3, 6, 9, 11}) expected.ApplyVibe(level);
    EXPECT_TRUE(KeysSend({VK_RIGHT, VK_UP, VK_LEFT, VK_DOWN, VK_PRIOR, VK_NEXT, VK_END, VK_END, VK_RIGHT, VK_HOME,
                          VK_DOWN, VK_NEXT, VK_PRIOR, VK_PRIOR, VK_PRIOR, VK_PRIOR},
                         expected.Get()));
    EXPECT_EQ(FocusedId(), 1001);

    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    ExpectSaved(4, 11, 7, 0, 0);
}

TEST_F(KeyboardTest, ShortcutsKeepTheirMeaningWithAKnobFocused) {
    ASSERT_NO_FATAL_FAILURE(StartWith("win2k", 3, 0));  // the WDM driver only
    ASSERT_EQ(FocusedId(), 1000);
    ASSERT_EQ(MoveFocus(VK_TAB), 1001);
    ASSERT_EQ(MoveFocus(VK_TAB), 1002);

    // Space toggles the headphones, then every function key steps its own
    // knob, not the focused one.
    const std::vector<Delivered> expected = Expected(kWdmOnly)
                                                .ApplyHeadphones(true, 3)
                                                .Apply3D(0, true)  // F1: 3 - 3
                                                .Apply3D(0, true)  // F2 at the stop still sends
                                                .Apply3D(1, true)
                                                .Apply3D(4, true)
                                                .ApplyVibe(2)  // F5: 5 - 3
                                                .ApplyVibe(1)
                                                .ApplyVibe(2)
                                                .ApplyVibe(5)
                                                .ApplySoundfields(4)  // F9: 7 - 3
                                                .ApplySoundfields(3)
                                                .ApplySoundfields(4)
                                                .ApplySoundfields(7)
                                                .Get();
    EXPECT_TRUE(KeysSend(
        {VK_SPACE, VK_F1, VK_F2, VK_F3, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11, VK_F12}, expected));
    EXPECT_EQ(FocusedId(), 1002);

    // Alt+Space opens the system menu. Escape closes it; the menu still
    // holds the title bar until the next Escape, as a user sees.
    ASSERT_TRUE(OpenSystemMenuByKeyboard(m_console));
    ASSERT_TRUE(InputDriver::Key(VK_ESCAPE));
    ASSERT_TRUE(WaitUntil([] { return !SystemMenuShown(); }, kUiMs));
    const auto inMenu = [&] { return (WindowFinder::ThreadOf(m_console).flags & GUI_INMENUMODE) != 0; };
    if (inMenu()) {
        ASSERT_TRUE(InputDriver::Key(VK_ESCAPE));
        ASSERT_TRUE(WaitUntil([&] { return !inMenu(); }, kUiMs)) << "Escape did not leave the menu";
    }

    // Escape still ends the console, and the keyboard's changes are saved.
    ASSERT_TRUE(InputDriver::Activate(m_console));
    ASSERT_TRUE(InputDriver::Key(VK_ESCAPE));
    EXPECT_TRUE(m_korvane->WaitForExit(kExitMs)) << "Escape did not end the program";
    ExpectSaved(4, 5, 7, 1, 0);
}

TEST_F(KeyboardTest, TheKeysWorkInTheMiniFormAsInTheFull) {
    ASSERT_NO_FATAL_FAILURE(StartWith("winxp", 3, 1));
    ASSERT_TRUE(IsWindowVisible(GetDlgItem(m_console, 1010))) << "not started in the mini form";
    const std::vector<Delivered> expected = Expected(kWdmOnly)
                                                .Apply3D(6, false)
                                                .ApplyVibe(2)
                                                .ApplySoundfields(6)
                                                .ApplySoundfields(9)
                                                .ApplyHeadphones(true, 6)
                                                .Get();
    EXPECT_TRUE(KeysSend({VK_F4, VK_F5, VK_F10, VK_F12, VK_SPACE}, expected));
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(SettingsKey::GetDword("UI minimized"), 1u);
    EXPECT_EQ(SettingsKey::GetDword("3D Volume"), 6u);
}

// Held from 9, F3 steps to 10 and 11 and then repeats at the stop, each
// repetition writing 11 back and sending it again; a fresh press at 11 too.
TEST_F(KeyboardTest, AHeldKeyRepeatsUpToTheStopAndSendsAgainAtIt) {
    ASSERT_NO_FATAL_FAILURE(StartWith("winxp", 9, 0));
    // F3 held, then pressed at 11; F1 held down to the other stop.
    const struct {
        WORD vk;
        int downs;
        std::vector<int> levels;
    } holds[] = {{VK_F3, 4, {10, 11, 11, 11}}, {VK_F3, 1, {11}}, {VK_F1, 5, {8, 5, 2, 0, 0}}};
    for (const auto& h : holds) {
        SCOPED_TRACE(::testing::Message() << h.downs << " downs of key " << h.vk);
        const unsigned long long mark = Journal::Mark();
        ASSERT_TRUE(h.downs == 1 ? InputDriver::Key(h.vk) : InputDriver::KeyHeld(h.vk, h.downs));
        Expected expected(kWdmOnly);
        for (int level : h.levels) expected.Apply3D(level, false);
        EXPECT_TRUE(SameMessages(LevelsSince(m_console, mark, expected.Get().size()), expected.Get()));
        EXPECT_EQ(ControlValue(m_console, 1000), h.levels.back());
    }
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(SettingsKey::GetDword("3D Volume"), 0u);
}

}  // namespace
