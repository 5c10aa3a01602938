// The console's skin controls as the real program creates them: the button
// kinds come from the dialog's initialisation data. (The sizes in those bytes
// are checked with the controls themselves in skinctl_wine_test; on screen,
// the skin's layout gives every control its pixel size, see e2e_skin.)
#include "EngineTest.h"

#include "harness/InputDriver.h"
#include "harness/Wait.h"

namespace {

class ControlsTest : public EngineTest {};

TEST_F(ControlsTest, InitDataDecidesButtonKinds) {
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
