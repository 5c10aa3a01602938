// The console's skin controls as the real program creates them: sizes and
// button kinds come from the dialog's initialisation data.
#include "EngineTest.h"

#include "harness/InputDriver.h"
#include "harness/Wait.h"

namespace {

class ControlsTest : public EngineTest {};

TEST_F(ControlsTest, InitDataDecidesSizesAndButtonKinds) {
    StoreSettings(6, 6, 0, 0, 0);
    KorvaneProcess* p = nullptr;
    HWND console = StartToConsole("winxp", &p);
    ASSERT_NE(console, nullptr);

    // HIMETRIC at 96 dots per inch, rounded: 1164 -> 44, 1217 -> 46 ...
    struct Size {
        int id;
        long cx, cy;
    };
    const Size sizes[] = {{1000, 44, 46}, {1001, 44, 47}, {1002, 42, 47}, {1005, 17, 16},
                          {1006, 11, 11}, {1008, 11, 11}, {1010, 12, 13}, {1011, 11, 11}};
    for (const Size& s : sizes) {
        RECT rc;
        ASSERT_TRUE(GetWindowRect(GetDlgItem(console, s.id), &rc)) << s.id;
        EXPECT_EQ(rc.right - rc.left, s.cx) << s.id;
        EXPECT_EQ(rc.bottom - rc.top, s.cy) << s.id;
    }

    // 1005 is the two-state one: a click turns it on and it stays on.
    ASSERT_TRUE(ClickOn(console, 1005));
    EXPECT_TRUE(WaitUntil([&] { return ControlValue(console, 1005) == 1; }, kUiMs));
    // The others are momentary: the full-form button fires but holds nothing.
    unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(ClickOn(console, 1010));
    Sleep(500);
    EXPECT_EQ(ControlValue(console, 1010), 0);
    EXPECT_TRUE(Levels(Journal::Read(mark)).empty()) << "the form buttons send nothing to the engine";
    ASSERT_TRUE(CloseAndWait(*p, console));
}

}  // namespace
