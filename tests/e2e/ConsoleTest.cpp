// The console window: title, system menu, About window, ways to close.
#include "KorvaneTest.h"

#include "harness/InProcessProbe.h"
#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

namespace {

const UINT kIdMini = 0x8010, kIdFull = 0x8011, kIdAbout = 0x0010;

std::string Describe(const std::vector<MenuItemInfo>& items) {
    std::string s;
    char line[64];
    for (const MenuItemInfo& i : items) {
        snprintf(line, sizeof line, "0x%04X %s'", i.id, i.Separator() ? "sep " : "");
        s += line + i.text + "'\n";
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
    KorvaneProcess* p = nullptr;
    HWND console = StartToConsole("winxp", &p);
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(WindowFinder::Text(console), " Korvane ");
    EXPECT_EQ(FindWindowA(nullptr, " Korvane "), console);

    std::vector<MenuItemInfo> items;
    std::string error;
    ASSERT_TRUE(InProcessProbe::ReadSystemMenu(console, &items, &error)) << error;
    ASSERT_GE(items.size(), 5u) << Describe(items);
    const size_t n = items.size();
    // The program's four items come last, in this order, after the standard ones.
    EXPECT_EQ(items[n - 4].id, kIdMini) << Describe(items);
    EXPECT_EQ(items[n - 4].text, "Minimieren");
    EXPECT_EQ(items[n - 3].id, kIdFull);
    EXPECT_EQ(items[n - 3].text, "Wiederherstellen");
    EXPECT_TRUE(items[n - 2].Separator());
    EXPECT_EQ(items[n - 1].id, kIdAbout);
    EXPECT_EQ(items[n - 1].text,
              "\xDC"
              "ber Korvane");
    bool closeBefore = false;
    int appended = 0;
    for (size_t i = 0; i < n; ++i) {
        if (items[i].id == SC_CLOSE && i < n - 4) closeBefore = true;
        if (items[i].id == kIdMini || items[i].id == kIdFull || items[i].id == kIdAbout) ++appended;
    }
    EXPECT_TRUE(closeBefore) << "the standard items are not kept in front\n" << Describe(items);
    EXPECT_EQ(appended, 3) << "items appended more than once\n" << Describe(items);
    ASSERT_TRUE(InputDriver::ClickControl(console, 1008)) << "control 1008 missing or hidden";
    EXPECT_TRUE(p->WaitForExit(kExitMs)) << "clicking 1008 did not end the program";
    ExpectSettingsSaved();
}

TEST_F(ConsoleTest, StandardSystemCommandsKeepTheirBehaviour) {
    KorvaneProcess* p = nullptr;
    HWND console = StartToConsole("win2k", &p);
    ASSERT_NE(console, nullptr);
    PostMessageA(console, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(console) != FALSE; }, kUiMs)) << "SC_MINIMIZE did not iconise";
    EXPECT_TRUE(p->Running());
    PostMessageA(console, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(console); }, kUiMs)) << "SC_RESTORE did not restore";
    EXPECT_TRUE(CloseAndWait(*p, console)) << "SC_CLOSE did not end the program";
    ExpectSettingsSaved();
}

TEST_F(ConsoleTest, AboutCommandOpensAModalAboutWindow) {
    KorvaneProcess* p = nullptr;
    HWND console = StartToConsole("winxp", &p);
    ASSERT_NE(console, nullptr);
    WindowFinder finder(p->Pid());
    // Only the command bits count: the low four bits are the system's.
    PostMessageA(console, WM_SYSCOMMAND, kIdAbout | 0x3, 0);
    HWND about = finder.WaitAbout(kUiMs);
    ExpectAboutModal(*p, console, about);
    ASSERT_TRUE(InputDriver::ClickControl(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, kUiMs)) << "OK did not close the About window";
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(console) != FALSE; }, kUiMs));
    EXPECT_TRUE(p->Running()) << "closing the About window ended the program";
    EXPECT_TRUE(CloseAndWait(*p, console));
}

TEST_F(ConsoleTest, AboutOpensFromTheSystemMenuByKeyboard) {
    KorvaneProcess* p = nullptr;
    HWND console = StartToConsole("win98", &p);
    ASSERT_NE(console, nullptr);
    // Alt+Space opens the system menu; Up wraps to its last item, the About item.
    ASSERT_TRUE(OpenSystemMenuByKeyboard(console));
    ASSERT_TRUE(CaughtUp(console));
    ASSERT_TRUE(InputDriver::Key(VK_UP));
    ASSERT_TRUE(InputDriver::Key(VK_RETURN));
    HWND about = WindowFinder(p->Pid()).WaitAbout(kUiMs);
    ExpectAboutModal(*p, console, about);
    EXPECT_TRUE(EscapeAbout(about));
    EXPECT_TRUE(p->Running());
    EXPECT_TRUE(CloseAndWait(*p, console));
}

TEST_F(ConsoleTest, CloseButtonOfTheMiniFormEndsTheProgram) {
    KorvaneProcess* p = nullptr;
    HWND console = StartToConsole("win95", &p);
    ASSERT_NE(console, nullptr);
    PostMessageA(console, WM_SYSCOMMAND, kIdMini, 0);
    HWND close = GetDlgItem(console, 1011);
    ASSERT_NE(close, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(close) != FALSE; }, kUiMs)) << "1011 not shown in the mini form";
    ASSERT_TRUE(CaughtUp(console));  // the re-shaping paint is through before the click
    ASSERT_TRUE(InputDriver::ClickControl(console, 1011));
    EXPECT_TRUE(p->WaitForExit(kExitMs)) << "clicking 1011 did not end the program";
    ExpectSettingsSaved();
}

TEST_F(ConsoleTest, EscapeEndsTheProgram) {
    KorvaneProcess* p = nullptr;
    HWND console = StartToConsole("winme", &p);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(InputDriver::Activate(console));
    ASSERT_TRUE(InputDriver::Key(VK_ESCAPE));
    EXPECT_TRUE(p->WaitForExit(kExitMs)) << "Escape did not end the program";
    ExpectSettingsSaved();
}
