// Live changes: real mouse input on the knobs and the headphones button, and
// the keyboard shortcuts, each reaching the engine at once.
#include "EngineTest.h"

#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

namespace {

class LiveTest : public EngineTest {
protected:
    void SetUpConsole() {
        StoreSettings(3, 5, 7, 0, 0);
        ASSERT_NO_FATAL_FAILURE(StartEngine());
        ASSERT_TRUE(InputDriver::Activate(m_console));
    }
};

TEST_F(LiveTest, WheelOnEachKnobSendsItsLevel) {
    ASSERT_NO_FATAL_FAILURE(SetUpConsole());
    struct Case {
        int id;
        int delta;
        int from;
    };
    const Case cases[] = {{1000, WHEEL_DELTA, 3}, {1001, -WHEEL_DELTA, 5}, {1002, WHEEL_DELTA, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        int to = c.from + (c.delta > 0 ? 1 : -1);
        unsigned long long mark = Journal::Mark();
        ASSERT_TRUE(WheelOn(m_console, c.id, c.delta));
        ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, c.id) == to; }, kUiMs));
        Expected expected(kAll);
        if (c.id == 1000) expected.Apply3D(to, false);
        if (c.id == 1001) expected.ApplyVibe(to);
        if (c.id == 1002) expected.ApplySoundfields(to);
        EXPECT_TRUE(SameMessages(LevelsSince(m_console, mark, expected.Get().size()), expected.Get()));
    }
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    ExpectSaved(4, 4, 8, 0, 0);
}

TEST_F(LiveTest, DragTurnsAKnobStepByStep) {
    ASSERT_NO_FATAL_FAILURE(SetUpConsole());
    HWND knob = GetDlgItem(m_console, 1001);
    POINT from = InputDriver::CentreOf(knob);
    POINT to = {from.x, from.y - 40};  // upwards turns it up
    unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Drag(from, to, 10));
    long final = 5;
    ASSERT_TRUE(WaitUntil([&] { return (final = ControlValue(m_console, 1001)) > 5; }, kUiMs));
    // The drag's last events may still be on their way: once the console
    // has taken them all, what they sent is in the journal.
    ASSERT_TRUE(CaughtUp(m_console));
    const std::vector<Delivered> got = Levels(Journal::Read(mark));
    final = ControlValue(m_console, 1001);
    // One group per event, each with the knob's value when it fired (Wine
    // may echo a pointer position, so the way there need not be monotonic),
    // ending at the final position.
    const size_t group = 9;
    ASSERT_FALSE(got.empty());
    ASSERT_EQ(got.size() % group, 0u) << Describe(got);
    long last = -1;
    for (size_t i = 0; i < got.size(); i += group) {
        std::vector<Delivered> one(got.begin() + i, got.begin() + i + group);
        long value = -1;
        for (long v = 0; v <= 11 && value < 0; ++v)
            if (one == Expected(kAll).ApplyVibe(v).Get()) value = v;
        ASSERT_GE(value, 0) << "group " << i / group << ":\n" << Describe(one);
        EXPECT_NE(value, last) << "an event without a change";
        last = value;
    }
    EXPECT_EQ(last, final);
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(SettingsKey::GetDword("Vibe volume"), static_cast<DWORD>(final));
}

TEST_F(LiveTest, HeadphonesButtonResendsThe3DLevelInTheMatchingForm) {
    ASSERT_NO_FATAL_FAILURE(SetUpConsole());
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        const unsigned long long mark = Journal::Mark();
        ASSERT_TRUE(ClickOn(m_console, 1005));
        ASSERT_TRUE(WaitUntil([&] { return ControlValue(m_console, 1005) == (on ? 1 : 0); }, kUiMs));
        const std::vector<Delivered> expected = Expected(kAll).ApplyHeadphones(on, 3).Get();
        EXPECT_TRUE(SameMessages(LevelsSince(m_console, mark, expected.size()), expected));
    }
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
}

TEST_F(LiveTest, FunctionKeysAndSpaceStepTheControls) {
    ASSERT_NO_FATAL_FAILURE(SetUpConsole());
    unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Key(VK_F4));   // 3D +3: 3 -> 6
    ASSERT_TRUE(InputDriver::Key(VK_F5));   // Vibe -3: 5 -> 2
    ASSERT_TRUE(InputDriver::Key(VK_F12));  // Soundfields +3: 7 -> 10
    ASSERT_TRUE(InputDriver::Key(VK_F10));  // Soundfields -1: 10 -> 9 (a system key)
    ASSERT_TRUE(InputDriver::Key(VK_SPACE));
    const std::vector<Delivered> expected = Expected(kAll)
                                                .Apply3D(6, false)
                                                .ApplyVibe(2)
                                                .ApplySoundfields(10)
                                                .ApplySoundfields(9)
                                                .ApplyHeadphones(true, 6)
                                                .Get();
    EXPECT_TRUE(SameMessages(LevelsSince(m_console, mark, expected.size()), expected));

    // A shortcut with Shift held is no shortcut.
    mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Key(VK_F1, InputDriver::kShift));
    ASSERT_TRUE(CaughtUp(m_console));
    EXPECT_TRUE(Levels(Journal::Read(mark)).empty());
    EXPECT_EQ(ControlValue(m_console, 1000), 6);
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
}

}  // namespace
