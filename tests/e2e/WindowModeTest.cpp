// The two window forms, switched from the system menu and by the form
// buttons; the mode that was current at the end is what gets saved.
#include "KorvaneTest.h"

#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

namespace {

struct ModeCase {
    const char* name;
    const char* steps;  // m/f: menu item mini/full; M/F: click button 1006/1010
    DWORD saved;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << c.name;
}

}  // namespace

class WindowModeTest : public KorvaneTest, public ::testing::WithParamInterface<ModeCase> {
protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        ASSERT_TRUE(SettingsKey::CreateEmpty());
    }

    static std::string Visibility(HWND console) {
        std::string s;
        for (int id : {1006, 1008, 1010, 1011}) {
            HWND child = GetDlgItem(console, id);
            s += " " + std::to_string(id) + "=" + (!child ? "missing" : IsWindowVisible(child) ? "shown" : "hidden");
        }
        return s;
    }

    // Lets a step take effect before the next: a click travels through the
    // input queue, which the program reads only after posted messages, and a
    // form switch shows once 1010 and 1011 change visibility (only the mini
    // form shows them), however long that takes. The layout itself is checked elsewhere; here it only
    // paces the steps, so a layout that never changes costs time, not a pass.
    static void Settle(HWND console, bool mini) {
        HWND full = GetDlgItem(console, 1010);
        WaitUntil([&] { return full && (IsWindowVisible(full) != FALSE) == mini; }, kUiMs);
        EXPECT_TRUE(CaughtUp(console));
    }
};

TEST_P(WindowModeTest, SavesTheModeCurrentAtTheEnd) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    for (const char* s = GetParam().steps; *s; ++s) {
        switch (*s) {
            case 'm': PostMessageA(m_console, WM_SYSCOMMAND, 0x8010, 0); break;
            case 'f': PostMessageA(m_console, WM_SYSCOMMAND, 0x8011, 0); break;
            case 'M': ASSERT_TRUE(InputDriver::ClickControl(m_console, 1006)) << "1006 missing or hidden"; break;
            case 'F': ASSERT_TRUE(InputDriver::ClickControl(m_console, 1010)) << "1010 missing or hidden"; break;
        }
        Settle(m_console, *s == 'm' || *s == 'M');
    }
    const std::string visibility = Visibility(m_console);
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    EXPECT_EQ(SettingsKey::GetDword("UI minimized"), std::optional<DWORD>(GetParam().saved))
        << "controls at the end:" << visibility;
}

INSTANTIATE_TEST_SUITE_P(Steps, WindowModeTest,
                         ::testing::Values(ModeCase{"MenuMiniTwice", "mm", 1}, ModeCase{"MenuMiniThenFull", "mf", 0},
                                           ModeCase{"MenuFullInFullForm", "f", 0}, ModeCase{"ButtonMini", "M", 1},
                                           ModeCase{"ButtonMiniThenFull", "MF", 0}),
                         [](const ::testing::TestParamInfo<ModeCase>& tpi) { return std::string(tpi.param.name); });
