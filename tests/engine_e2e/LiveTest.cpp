// Live changes: real mouse input on the knobs and the headphones button, and
// the keyboard shortcuts, each reaching the engine at once; one console takes
// them all in turn, and saves where they left it. And the skin controls as the
// real program creates them: the button kinds come from the dialog's
// initialisation data. (The sizes in those bytes are checked with the controls
// themselves in skinctl_wine_test; on screen, the skin's layout gives every
// control its pixel size, see e2e_skin.)
#include "EngineTest.h"

#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

namespace {

class LiveTest : public EngineTest {
protected:
    // The wheel on each knob, from 3, 5, 7.
    void WheelOnEachKnob() {
        const struct {
            int id, delta, to;
        } cases[] = {{1000, WHEEL_DELTA, 4}, {1001, -WHEEL_DELTA, 4}, {1002, WHEEL_DELTA, 8}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.id);
            const unsigned long long mark = Journal::Mark();
            ASSERT_TRUE(WheelOn(m_console, c.id, c.delta));
            ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, c.id) == c.to; }, kUiMs));
            Expected expected(kAll);
            if (c.id == 1000) expected.Apply3D(c.to, false);
            if (c.id == 1001) expected.ApplyVibe(c.to);
            if (c.id == 1002) expected.ApplySoundfields(c.to);
            EXPECT_TRUE(SameMessages(LevelsSince(m_console, mark, expected.Get().size()), expected.Get()));
        }
    }

    // The headphones button on and off again resends the 3D level (at 4) in
    // the form that matches.
    void HeadphonesButton() {
        for (const bool on : {true, false}) {
            SCOPED_TRACE(on ? "on" : "off");
            const unsigned long long mark = Journal::Mark();
            ASSERT_TRUE(ClickOn(m_console, 1005));
            ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1005) == (on ? 1 : 0); }, kUiMs));
            const std::vector<Delivered> expected = Expected(kAll).ApplyHeadphones(on, 4).Get();
            EXPECT_TRUE(SameMessages(LevelsSince(m_console, mark, expected.size()), expected));
        }
    }

    // A drag up the Vibe knob from 4 turns it step by step; where it ended.
    long DragVibe() {
        POINT from = InputDriver::CentreOf(GetDlgItem(m_console, 1001));
        POINT to = {from.x, from.y - 40};  // upwards turns it up
        const unsigned long long mark = Journal::Mark();
        EXPECT_TRUE(InputDriver::Drag(from, to, 10));
        EXPECT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1001) > 4; }, kUiMs));
        // The drag's last events may still be on their way: once the console
        // has taken them all, what they sent is in the journal.
        EXPECT_TRUE(CaughtUp(m_console));
        const std::vector<Delivered> got = Levels(Journal::Read(mark));
        const long final = ControlValue(m_console, 1001);
        // One group per event, each with the knob's value when it fired (Wine
        // may echo a pointer position, so the way there need not be monotonic),
        // ending at the final position.
        const size_t group = 9;
        EXPECT_FALSE(got.empty());
        EXPECT_EQ(got.size() % group, 0u) << Describe(got);
        long last = -1;
        for (size_t i = 0; i + group <= got.size(); i += group) {
            std::vector<Delivered> one(got.begin() + i, got.begin() + i + group);
            long value = -1;
            for (long v = 0; v <= 11 && value < 0; ++v)
                if (one == Expected(kAll).ApplyVibe(v).Get()) value = v;
            EXPECT_GE(value, 0) << "group " << i / group << ":\n" << Describe(one);
            EXPECT_NE(value, last) << "an event without a change";
            last = value;
        }
        EXPECT_EQ(last, final);
        return final;
    }
};

TEST_F(LiveTest, MouseAndKeysEachSendTheirLevelAtOnceAndTheLastAreSaved) {
    StoreSettings(3, 5, 7, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    ASSERT_TRUE(InputDriver::Activate(m_console));
    ASSERT_NO_FATAL_FAILURE(WheelOnEachKnob());
    ASSERT_NO_FATAL_FAILURE(HeadphonesButton());
    const long vibe = DragVibe();
    ASSERT_FALSE(HasFailure());

    // The function keys step their own controls, from 4, `vibe`, 8: F4 3D
    // +3, F5 Vibe -3, F12 Soundfields +3, F10 (a system key) Soundfields -1.
    const std::vector<Delivered> expected = Expected(kAll)
                                                .Apply3D(7, false)
                                                .ApplyVibe(vibe - 3)
                                                .ApplySoundfields(11)
                                                .ApplySoundfields(10)
                                                .ApplyHeadphones(true, 7)
                                                .Get();
    EXPECT_TRUE(KeysSend({VK_F4, VK_F5, VK_F12, VK_F10, VK_SPACE}, expected));

    // A shortcut with Shift held is no shortcut.
    const unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Key(VK_F1, InputDriver::kShift));
    ASSERT_TRUE(CaughtUp(m_console));
    EXPECT_TRUE(Levels(Journal::Read(mark)).empty());
    EXPECT_EQ(ControlValue(m_console, 1000), 7);
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    ExpectSaved(7, static_cast<DWORD>(vibe - 3), 10, 1, 0);
}

TEST_F(LiveTest, InitDataDecidesButtonKinds) {
    StoreSettings(6, 6, 0, 0, 0);
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));

    // 1005 is the two-state one: a click turns it on and it stays on.
    ASSERT_TRUE(ClickOn(m_console, 1005));
    EXPECT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1005) == 1; }, kUiMs));
    // The others are momentary: the full-form button, clicked where it is
    // shown (the mini form), fires and brings the full form back, but holds
    // nothing.
    PostMessageA(m_console, WM_SYSCOMMAND, 0x8010, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(m_console, 1010)) != FALSE; }, kUiMs));
    unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Activate(m_console));
    ASSERT_TRUE(InputDriver::ClickControl(m_console, 1010)) << "1010 missing, hidden or covered";
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(GetDlgItem(m_console, 1010)); }, kUiMs))
        << "the click did not reach the full-form button";
    EXPECT_EQ(ControlValue(m_console, 1010), 0);
    EXPECT_TRUE(Levels(Journal::Read(mark)).empty()) << "the form buttons send nothing to the engine";
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
}

}  // namespace
