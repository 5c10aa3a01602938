// The hyperlink bound to a dialog item under Wine: its look after binding,
// its colours by state, its tooltip, and what a click opens.
#include "LinkTestDialog.h"
#include "about/OpenErrorText.h"
#include "harness/ProcessRunning.h"
#include "harness/RegSnapshot.h"
#include "harness/Wait.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <fstream>
#include <string>

namespace {
const char kAddress[] = "http://www.velmora.example/korvane";
const char kBadAddress[] = "nosuchscheme-xyz:foo";
const COLORREF kLink = RGB(0, 0, 238);
const COLORREF kVisited = RGB(85, 26, 139);

// The text colour the dialog's WM_CTLCOLORSTATIC sets for the control;
// brush and background mode too when asked for.
COLORREF ColourOf(HWND control, LRESULT* brush = nullptr, int* bkMode = nullptr) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    const LRESULT b = SendMessageA(GetParent(control), WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(control));
    if (brush) *brush = b;
    if (bkMode) *bkMode = GetBkMode(dc);
    const COLORREF c = GetTextColor(dc);
    DeleteDC(dc);
    return c;
}

LOGFONTA FontOf(HWND hwnd) {
    LOGFONTA lf = {};
    GetObjectA(HFONT(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

// Stops at the tooltip that has the tool asked for.
BOOL CALLBACK AskTooltip(HWND hwnd, LPARAM info) {
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    return lstrcmpiA(cls, TOOLTIPS_CLASSA) != 0 || !SendMessageA(hwnd, TTM_GETTOOLINFOA, 0, info);
}

// Closes the message boxes this thread shows meanwhile and keeps their
// caption and text: a thread timer, so it runs inside their own loop.
class BoxCloser {
public:
    BoxCloser() : m_timer(SetTimer(nullptr, 0, 100, Tick)) { s_boxes.clear(); }
    ~BoxCloser() { KillTimer(nullptr, m_timer); }
    static std::string s_boxes;

private:
    static BOOL CALLBACK Close(HWND hwnd, LPARAM) {
        char caption[64] = {}, text[512] = {};
        GetWindowTextA(hwnd, caption, sizeof caption);
        if (!IsWindowVisible(hwnd) || !GetDlgItemTextA(hwnd, 0xFFFF, text, sizeof text)) return TRUE;
        s_boxes += std::string(caption) + "|" + text + ";";
        PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), Close, 0); }
    UINT_PTR m_timer;
};
std::string BoxCloser::s_boxes;

// A key's default value set for one scope; afterwards the key is as it was,
// or gone with every key made for it.
class ScopedRegDefault {
public:
    ScopedRegDefault(HKEY root, const std::string& path, const std::string& value)
        : m_before(root, Outermost(root, path)), m_set(RegKey::Create(root, path).SetString("", value)) {}
    ~ScopedRegDefault() { m_before.Restore(); }
    bool IsSet() const { return m_set; }

private:
    // The outermost key of `path` not there yet (the path itself when all are).
    static std::string Outermost(HKEY root, const std::string& path) {
        for (size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1))
            if (!RegKey::Exists(root, path.substr(0, end))) return path.substr(0, end);
        return path;
    }
    RegSnapshot m_before;
    bool m_set;
};
}  // namespace

class HyperLinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        m_dir.assign(path, strrchr(path, '\\') + 1);
        DeleteFileA((m_dir + "urlrec.log").c_str());
    }
    std::string Recorder() const { return "\"" + m_dir + "about_urlrec.exe\" \"%1\""; }
    // What the stand-in browser was started with, waited for up to 20 s.
    std::string Opened(int waitMs = 20000) const {
        for (int waited = 0;; waited += 100, Sleep(100)) {
            std::ifstream log(m_dir + "urlrec.log");
            std::string line;
            if (std::getline(log, line)) return line.substr(0, line.find('\r'));
            if (waited >= waitMs) return "(nothing)";
        }
    }
    // As the static reports a click.
    static void Click(LinkTestDialog& d, int id) {
        SendMessageA(d.m_hWnd, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), LPARAM(d.Item(id)));
    }
    std::string m_dir;
};

TEST_F(HyperLinkTest, BindingMakesAnUnderlinedNotifyingLinkOfTheTextsSizeWithItsTooltip) {
    LinkTestDialog dlg({[](LinkTestDialog& d) {
        HWND link = d.Item(IDC_TEST_LINK);
        EXPECT_TRUE(GetWindowLongA(link, GWL_STYLE) & SS_NOTIFY);
        LOGFONTA expected = FontOf(d.m_hWnd);
        ASSERT_EQ(expected.lfUnderline, 0);
        expected.lfUnderline = 1;
        const LOGFONTA font = FontOf(link);
        EXPECT_EQ(memcmp(&font, &expected, sizeof font), 0) << "not just underlined";

        RECT before = {10, 10, 210, 22}, after;  // as in the template
        MapDialogRect(d.m_hWnd, &before);
        GetWindowRect(link, &after);
        MapWindowPoints(nullptr, d.m_hWnd, reinterpret_cast<POINT*>(&after), 2);
        HDC dc = GetDC(link);
        HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(link, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        GetTextExtentPoint32A(dc, kAddress, lstrlenA(kAddress), &extent);
        SelectObject(dc, old);
        ReleaseDC(link, dc);
        EXPECT_EQ(after.left, before.left);
        EXPECT_EQ(after.top, before.top);
        EXPECT_EQ(after.right - after.left, extent.cx);
        EXPECT_EQ(after.bottom - after.top, extent.cy);
        EXPECT_LT(extent.cx, before.right - before.left);

        char tip[1024] = {};
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.hwnd = link;
        info.uId = 1;
        info.lpszText = tip;
        EXPECT_FALSE(EnumThreadWindows(GetCurrentThreadId(), AskTooltip, LPARAM(&info))) << "no tool 1";
        RECT client;
        GetClientRect(link, &client);
        EXPECT_TRUE(EqualRect(&info.rect, &client));
        EXPECT_STREQ(tip, kAddress);
    }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(HyperLinkTest, ColourIsTheLinksAndTheHighlightWhileThePointerIsOverIt) {
    const COLORREF hot = GetSysColor(COLOR_HIGHLIGHT);
    ASSERT_NE(hot, kLink);
    LinkTestDialog dlg({[](LinkTestDialog& d) {
                            LRESULT brush = 0;
                            int bkMode = 0;
                            EXPECT_EQ(ColourOf(d.Item(IDC_TEST_LINK), &brush, &bkMode), kLink);
                            EXPECT_EQ(brush, LRESULT(GetStockObject(NULL_BRUSH)));
                            EXPECT_EQ(bkMode, TRANSPARENT);
                            PostMessageA(d.Item(IDC_TEST_LINK), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
                        },
                        [hot](LinkTestDialog& d) {
                            EXPECT_EQ(GetCapture(), d.Item(IDC_TEST_LINK));
                            EXPECT_EQ(ColourOf(d.Item(IDC_TEST_LINK)), hot);
                            PostMessageA(d.Item(IDC_TEST_LINK), WM_MOUSEMOVE, 0, MAKELPARAM(5, 2));  // inside
                        },
                        [hot](LinkTestDialog& d) {
                            EXPECT_EQ(ColourOf(d.Item(IDC_TEST_LINK)), hot);
                            PostMessageA(d.Item(IDC_TEST_LINK), WM_MOUSEMOVE, 0, MAKELPARAM(-4, 2));  // left of it
                        },
                        [](LinkTestDialog& d) {
                            EXPECT_EQ(GetCapture(), nullptr);
                            EXPECT_EQ(ColourOf(d.Item(IDC_TEST_LINK)), kLink);
                        }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

// Hot under the pointer, the link shows the hover colour even once visited;
// when another window takes the mouse (a browser's or a box's), the move
// that would end it never comes, and the link lets the hover colour go then.
TEST_F(HyperLinkTest, TheHoverColourWinsOverVisitedAndGoesWithTheCapture) {
    ScopedRegDefault http(HKEY_LOCAL_MACHINE, "Software\\Classes\\http\\shell\\open\\command", Recorder());
    ASSERT_TRUE(http.IsSet());
    const COLORREF hot = GetSysColor(COLOR_HIGHLIGHT);
    LinkTestDialog dlg(
        {[](LinkTestDialog& d) { PostMessageA(d.Item(IDC_TEST_LINK), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3)); },
         [this, hot](LinkTestDialog& d) {
             ASSERT_EQ(GetCapture(), d.Item(IDC_TEST_LINK));
             Click(d, IDC_TEST_LINK);
             EXPECT_EQ(Opened(), kAddress);
             EXPECT_EQ(ColourOf(d.Item(IDC_TEST_LINK)), hot) << "visited while hot";
             SetCapture(d.Item(IDC_TEST_PLAIN));
         },
         [](LinkTestDialog& d) {
             EXPECT_EQ(GetCapture(), d.Item(IDC_TEST_PLAIN));
             EXPECT_EQ(ColourOf(d.Item(IDC_TEST_LINK)), kVisited) << "still hot without the mouse";
             ReleaseCapture();
         }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(HyperLinkTest, AClickOpensTheAddressAndTheLinkTurnsVisited) {
    // Through the shell's http handler; an address it cannot open, through the page handler's command.
    ScopedRegDefault http(HKEY_LOCAL_MACHINE, "Software\\Classes\\http\\shell\\open\\command", Recorder());
    ScopedRegDefault page(HKEY_LOCAL_MACHINE, "Software\\Classes\\.htm", "KorvaneTest.Page");
    ScopedRegDefault command(HKEY_LOCAL_MACHINE, "Software\\Classes\\KorvaneTest.Page\\shell\\open\\command",
                             Recorder());
    ASSERT_TRUE(http.IsSet() && page.IsSet() && command.IsSet());
    LinkTestDialog dlg({[this](LinkTestDialog& d) {
        BoxCloser boxes;
        Click(d, IDC_TEST_LINK);
        EXPECT_EQ(Opened(), kAddress);
        EXPECT_EQ(ColourOf(d.Item(IDC_TEST_LINK)), kVisited);
        EXPECT_EQ(ColourOf(d.Item(IDC_TEST_BADLINK)), kLink);
        DeleteFileA((m_dir + "urlrec.log").c_str());
        Click(d, IDC_TEST_BADLINK);
        EXPECT_EQ(Opened(), kBadAddress);
        EXPECT_EQ(ColourOf(d.Item(IDC_TEST_BADLINK)), kVisited);
        EXPECT_EQ(BoxCloser::s_boxes, "");
    }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(HyperLinkTest, AnAddressNothingOpensShowsWhyAndStaysUnvisited) {
    ScopedRegDefault page(HKEY_LOCAL_MACHINE, "Software\\Classes\\.htm", "KorvaneTest.NoSuchPage");
    ASSERT_TRUE(page.IsSet());
    const int shellCode = int(INT_PTR(ShellExecuteA(nullptr, "open", kBadAddress, nullptr, nullptr, SW_SHOW)));
    ASSERT_LE(shellCode, 32);
    LinkTestDialog dlg({[shellCode](LinkTestDialog& d) {
        BoxCloser boxes;
        Click(d, IDC_TEST_BADLINK);
        EXPECT_EQ(BoxCloser::s_boxes, " Korvane |" + OpenErrorText(shellCode) + ";");
        EXPECT_EQ(ColourOf(d.Item(IDC_TEST_BADLINK)), kLink);
    }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
    // Whatever the click started was started before it returned; once no
    // recorder runs, all it would have written is there.
    EXPECT_TRUE(WaitUntil([] { return !ProcessRunning("about_urlrec.exe"); }, 20000));
    EXPECT_EQ(Opened(0), "(nothing)");
}
