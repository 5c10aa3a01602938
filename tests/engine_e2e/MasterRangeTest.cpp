// A stored master volume outside 0 to 20: the About window's trackbar stands
// at the nearer end, nothing is sent, and the stored value stays until the
// trackbar moves.
#include "EngineTest.h"

#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

#include <commctrl.h>

namespace {

class MasterRangeTest : public EngineTest {};

TEST_F(MasterRangeTest, AStoredValueOutsideTheRangeShowsAtTheNearerEnd) {
    StoreSettings(6, 6, 0, 0, 0);
    KorvaneProcess* p = nullptr;
    HWND console = StartToEngine("winxp", &p);
    ASSERT_NE(console, nullptr);
    const struct {
        DWORD stored;
        LRESULT shown;
    } cases[] = {{21, 20}, {1000, 20}, {0xFFFFFFFF, 0}, {0x80000000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(SettingsKey::SetDword("Master volume", c.stored));
        const unsigned long long mark = Journal::Mark();
        HWND about = OpenAboutByCommand(*p, console);
        ASSERT_NE(about, nullptr);
        HWND slider = GetDlgItem(about, 1012);
        ASSERT_TRUE(CaughtUp(about));
        EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), c.shown);
        ASSERT_TRUE(InputDriver::Activate(about));
        ASSERT_TRUE(InputDriver::Key(VK_ESCAPE));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }, kUiMs)) << "Escape did not close the About window";
        ASSERT_TRUE(CaughtUp(console));
        for (const Delivered& d : Levels(Journal::Read(mark)))
            EXPECT_NE(d.code, 0x223FC8u) << "a gain was sent though the trackbar did not move";
        EXPECT_EQ(SettingsKey::GetDword("Master volume"), c.stored);
    }
    ASSERT_TRUE(CloseAndWait(*p, console));
}

}  // namespace
