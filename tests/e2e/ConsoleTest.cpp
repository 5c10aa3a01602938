// The console window: title, system menu, About window, ways to close.
#include "KorvaneTest.h"

#include "harness/InProcessProbe.h"
#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

namespace {

const UINT kIdMini = 0x8010, kIdFull = 0x8011, kIdAbout = 0x0010;

// One line per item: a separator, or the command's id and text.
std::string Describe(const std::vector<MenuItemInfo>& items) {
    std::string s;
    char id[16];
    for (const MenuItemInfo& i : items) {
        snprintf(id, sizeof id, "0x%04X", i.id);
        s += i.Separator() ? std::string("separator\n") : id + (" '" + i.text + "'\n");
    }
    return s;
}

}  // namespace

class ConsoleTest : public KorvaneTest {
protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        // Settings are saved on every way out; an empty key shows that.
        ASSERT_TRUE(SettingsKey::CreateEmpty());
    }

    void ExpectAboutModal(const KorvaneProcess& p, HWND console, HWND about) {
        ASSERT_NE(about, nullptr) << "the About window did not open";
        EXPECT_EQ(GetWindow(about, GW_OWNER), console);
        EXPECT_FALSE(IsWindowEnabled(console)) << "the console stays enabled under the About window";
        EXPECT_TRUE(p.Running());
    }

    static void ExpectSettingsSaved() {
        EXPECT_TRUE(SettingsKey::GetDword("UI minimized").has_value()) << "settings were not saved";
        EXPECT_TRUE(SettingsKey::GetDword("3D Volume").has_value()) << "settings were not saved";
    }
};

TEST_F(ConsoleTest, TitleAndSystemMenuAndTheFullFormsCloseButtonEndsTheProgram) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    EXPECT_EQ(WindowFinder::Text(m_console), " Korvane ");
    EXPECT_EQ(FindWindowA(nullptr, " Korvane "), m_console);

    std::vector<MenuItemInfo> items;
    std::string error;
    ASSERT_TRUE(InProcessProbe::ReadSystemMenu(m_console, &items, &error)) << error;
    ASSERT_GE(items.size(), 5u) << Describe(items);
    const size_t n = items.size();
    // The program's four items come last, in this order, after the standard ones.
    EXPECT_EQ(Describe({items.end() - 4, items.end()}), Describe({{kIdMini, MF_STRING, "Minimieren"},
                                                                  {kIdFull, MF_STRING, "Wiederherstellen"},
                                                                  {0, MF_SEPARATOR, ""},
                                                                  {kIdAbout, MF_STRING, "\xDC" "ber Korvane"}}));
    bool closeBefore = false;
    int appended = 0;
    for (size_t i = 0; i < n; ++i) {
        if (items[i].id == SC_CLOSE && i < n - 4) closeBefore = true;
        if (items[i].id == kIdMini || items[i].id == kIdFull || items[i].id == kIdAbout) ++appended;
    }
    EXPECT_TRUE(closeBefore) << "the standard items are not kept in front\n" << Describe(items);
    EXPECT_EQ(appended, 3) << "items appended more than once\n" << Describe(items);
    ASSERT_TRUE(InputDriver::ClickControl(m_console, 1008)) << "control 1008 missing or hidden";
    EXPECT_TRUE(m_korvane->WaitForExit(kExitMs)) << "clicking 1008 did not end the program";
    ExpectSettingsSaved();
}

TEST_F(ConsoleTest, StandardSystemCommandsKeepTheirBehaviour) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("win2k"));
    PostMessageA(m_console, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(m_console) != FALSE; }, kUiMs)) << "SC_MINIMIZE did not iconise";
    EXPECT_TRUE(m_korvane->Running());
    PostMessageA(m_console, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(m_console); }, kUiMs)) << "SC_RESTORE did not restore";
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console)) << "SC_CLOSE did not end the program";
    ExpectSettingsSaved();
}

TEST_F(ConsoleTest, AboutCommandOpensAModalAboutWindow) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    WindowFinder finder(m_korvane->Pid());
    // Only the command bits count: the low four bits are the system's.
    PostMessageA(m_console, WM_SYSCOMMAND, kIdAbout | 0x3, 0);
    HWND about = finder.WaitAbout(kUiMs);
    ExpectAboutModal(*m_korvane, m_console, about);
    ASSERT_TRUE(InputDriver::ClickControl(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, kUiMs)) << "OK did not close the About window";
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(m_console) != FALSE; }, kUiMs));
    EXPECT_TRUE(m_korvane->Running()) << "closing the About window ended the program";
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

TEST_F(ConsoleTest, AboutOpensFromTheSystemMenuByKeyboard) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("win98"));
    // Alt+Space opens the system menu; Up wraps to its last item, the About item.
    ASSERT_TRUE(OpenSystemMenuByKeyboard(m_console));
    ASSERT_TRUE(CaughtUp(m_console));
    ASSERT_TRUE(InputDriver::Key(VK_UP));
    ASSERT_TRUE(InputDriver::Key(VK_RETURN));
    HWND about = WindowFinder(m_korvane->Pid()).WaitAbout(kUiMs);
    ExpectAboutModal(*m_korvane, m_console, about);
    EXPECT_TRUE(EscapeAbout(about));
    EXPECT_TRUE(m_korvane->Running());
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

TEST_F(ConsoleTest, CloseButtonOfTheMiniFormEndsTheProgram) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("win95"));
    PostMessageA(m_console, WM_SYSCOMMAND, kIdMini, 0);
    HWND close = GetDlgItem(m_console, 1011);
    ASSERT_NE(close, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(close) != FALSE; }, kUiMs)) << "1011 not shown in the mini form";
    ASSERT_TRUE(CaughtUp(m_console));  // the re-shaping paint is through before the click
    ASSERT_TRUE(InputDriver::ClickControl(m_console, 1011));
    EXPECT_TRUE(m_korvane->WaitForExit(kExitMs)) << "clicking 1011 did not end the program";
    ExpectSettingsSaved();
}

TEST_F(ConsoleTest, EscapeEndsTheProgram) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("winme"));
    ASSERT_TRUE(InputDriver::Activate(m_console));
    ASSERT_TRUE(InputDriver::Key(VK_ESCAPE));
    EXPECT_TRUE(m_korvane->WaitForExit(kExitMs)) << "Escape did not end the program";
    ExpectSettingsSaved();
}
