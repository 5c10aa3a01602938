// The console's skin on screen: its outline in both forms, the picture inside
// it, the controls at their places, and the drag handle moving the window.
// What to expect is computed from the program's own bitmaps, read from
// Korvane.exe.
#include "KorvaneTest.h"

#include "framework/GdiObject.h"
#include "framework/MemoryDC.h"
#include "framework/SelectObjectScope.h"
#include "framework/WindowDC.h"
#include "harness/FileSwap.h"
#include "harness/InProcessProbe.h"
#include "harness/InputDriver.h"
#include "harness/ProcessRunning.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"
#include "skin/BitmapToRegion.h"
#include "skin/SkinLayout.h"

#include <fstream>
#include <sstream>

namespace {

// Korvane.exe's resources, mapped as data.
class ProgramResources {
public:
    ProgramResources() : m_module(LoadLibraryExA(KorvaneLauncher::kExe, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ProgramResources() {
        if (m_module) FreeLibrary(m_module);
    }
    // A region the way the program builds it from one of its bitmaps; the
    // caller owns it.
    HRGN Region(int bitmapId, uint32_t colour, uint32_t tolerance) const {
        return BitmapToRegion(UniqueBitmap(Bitmap(bitmapId)).Get(), colour, tolerance);
    }
    HBITMAP Bitmap(int id) const { return LoadBitmapA(m_module, MAKEINTRESOURCEA(id)); }

private:
    HMODULE m_module;
};

bool WindowRegionEquals(HWND hwnd, HRGN expected) {
    UniqueRegion actual(CreateRectRgn(0, 0, 0, 0));
    return expected && GetWindowRgn(hwnd, actual.Get()) != ERROR && EqualRgn(actual.Get(), expected);
}

// Offset of the client area within the window.
POINT ClientInset(HWND hwnd) {
    RECT window;
    GetWindowRect(hwnd, &window);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    return POINT{origin.x - window.left, origin.y - window.top};
}

// Each child's place in client coordinates, compared with the skin's table.
std::string Misplaced(HWND console) {
    std::ostringstream out;
    for (const skin::ChildPlace& place : skin::kChildPlaces) {
        HWND child = GetDlgItem(console, place.id);
        RECT rc{};
        if (child) {
            GetWindowRect(child, &rc);
            MapWindowPoints(nullptr, console, reinterpret_cast<POINT*>(&rc), 2);
        }
        if (!child || rc.left != place.left || rc.top != place.top || rc.right - rc.left != place.width ||
            rc.bottom - rc.top != place.height)
            out << place.id << " at " << rc.left << "," << rc.top << " " << rc.right - rc.left << "x"
                << rc.bottom - rc.top << "; ";
    }
    return out.str();
}

bool Shown(HWND console, int id) {
    return IsWindowVisible(GetDlgItem(console, id)) != FALSE;
}

// A file beside the running test program.
std::string BesideTest(const char* name) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.erase(dir.rfind('\\') + 1) + name;
}

// A point of the region with room around it: a press there still lands
// inside when the pointer's place comes through a few pixels off.
bool WellInside(HRGN region, int x, int y) {
    for (int d = -3; d <= 3; d += 3)
        if (!PtInRegion(region, x + d, y) || !PtInRegion(region, x, y + d)) return false;
    return true;
}

// The window that holds the mouse capture on the window's thread.
HWND CaptureOf(HWND window) {
    return WindowFinder::ThreadOf(window).hwndCapture;
}

}  // namespace

class SkinTest : public KorvaneTest {
protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        ASSERT_TRUE(SettingsKey::CreateEmpty());
        m_full.Reset(m_res.Region(130, 0x000000, 0x101010));
        ASSERT_TRUE(m_full) << "bitmap 130 in Korvane.exe";
        m_handle.Reset(m_res.Region(134, 0x00FFFFFF, 0));
    }

    // Starts the console and waits until it wears the full form's outline;
    // under ASSERT_NO_FATAL_FAILURE.
    void StartShaped() {
        ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
        EXPECT_TRUE(WaitUntil([&] { return WindowRegionEquals(m_console, m_full.Get()); }, kUiMs));
    }

    // The first screen point, row by row within the client rectangle given,
    // over which the console itself receives the mouse (inside its outline,
    // under no control) and whose client point passes the test.
    template <class Test>
    bool FacePoint(HWND console, const RECT& client, Test test, POINT* screen) const {
        const POINT inset = ClientInset(console);
        RECT rc;
        GetWindowRect(console, &rc);
        for (int y = client.top; y < client.bottom; y += 2)
            for (int x = client.left; x < client.right; x += 2) {
                const POINT s = {rc.left + inset.x + x, rc.top + inset.y + y};
                if (test(x, y) && PtInRegion(m_full.Get(), x + inset.x, y + inset.y) && WindowFromPoint(s) == console) {
                    *screen = s;
                    return true;
                }
            }
        return false;
    }

    // Until the window keeps its place while its thread takes everything
    // waiting for it: what the pointer's moves (and Wine's echoes of them,
    // queued with them) make of it is then done.
    static void WaitForRest(HWND console, RECT* rc) {
        RECT last;
        GetWindowRect(console, &last);
        WaitUntil(
            [&] {
                if (!CaughtUp(console)) return false;
                GetWindowRect(console, rc);
                const bool still = EqualRect(rc, &last) != FALSE;
                last = *rc;
                return still;
            },
            kUiMs);
    }

    // Until the cursor of the window's thread has the name wanted, the
    // pointer rests at a point, stirring now and then by a pixel as a
    // resting hand does: on a slow emulated Wine the last move of a series
    // was seen to wait for the next input before the program took it, and
    // a move to where the pointer already is makes no message at all (a
    // link that let the mouse go right there would leave its hand showing).
    bool CursorBecomes(HWND window, const char* want, POINT at, std::string* seen) const {
        return WaitUntil(
            [&] {
                InputDriver::MoveTo(POINT{at.x + 1, at.y});
                InputDriver::MoveTo(at);
                std::string error;
                if (InProcessProbe::CurrentCursor(window, seen, &error)) return *seen == want;
                *seen = error;
                return false;
            },
            kUiMs, 200);
    }

    // The pointer brought to rest at a point, the window's cursor becomes
    // the one wanted; `seen` says what it was instead.
    bool RestsWith(HWND window, POINT at, const char* want, std::string* seen) const {
        *seen = "the pointer did not settle";
        return InputDriver::SettleAt(at) && CursorBecomes(window, want, at, seen);
    }

    // A face point well inside the drag handle.
    bool HandlePoint(HWND console, POINT* at) const {
        return FacePoint(
            console, kFace, [&](int x, int y) { return WellInside(m_handle.Get(), x, y); }, at);
    }

    // Presses the left button well inside the drag handle, the window's place
    // taken just before, until the console holds the mouse; under
    // ASSERT_NO_FATAL_FAILURE.
    void PressOnHandle(POINT* from, RECT* before) {
        ASSERT_TRUE(HandlePoint(m_console, from)) << "no free point on the drag handle";
        ASSERT_TRUE(InputDriver::Activate(m_console));
        GetWindowRect(m_console, before);
        ASSERT_TRUE(InputDriver::SettleAt(*from));
        ASSERT_TRUE(InputDriver::LeftButton(*from, true));
        ASSERT_TRUE(WaitUntil([&] { return CaptureOf(m_console) == m_console; }, kUiMs))
            << "the press on the handle did not start a drag";
    }

    static constexpr RECT kFace = {100, 0, 250, 250};  // the part of the face around the handle
    ProgramResources m_res;
    UniqueRegion m_full, m_handle;
};

TEST_F(SkinTest, OutlineAndLayoutFollowTheFormAndComeBackExactly) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    UniqueRegion mini(m_res.Region(140, 0x000000, 0x101010));
    UniqueRegion animation(m_res.Region(139, 0x00FFFFFF, 0));
    ASSERT_TRUE(mini && animation) << "bitmaps 140, 139 in Korvane.exe";
    ASSERT_FALSE(EqualRgn(m_full.Get(), mini.Get()));

    auto expectForm = [&](const char* form, HRGN outline, bool miniShown) {
        EXPECT_TRUE(WaitUntil([&] { return WindowRegionEquals(m_console, outline); }, kUiMs))
            << form << ": the window's outline";
        EXPECT_TRUE(WaitUntil([&] { return Shown(m_console, 1010) == miniShown; }, kUiMs)) << form;
        EXPECT_EQ(Shown(m_console, 1011), miniShown) << form;
        EXPECT_EQ(Misplaced(m_console), "") << form;
        EXPECT_TRUE(WindowRegionEquals(GetDlgItem(m_console, 1003), animation.Get()))
            << form << ": the animation's outline";
        RECT rc;
        GetWindowRect(m_console, &rc);
        EXPECT_EQ(rc.right - rc.left, skin::kWindowWidth) << form;
        EXPECT_EQ(rc.bottom - rc.top, skin::kWindowHeight) << form;
    };
    expectForm("full", m_full.Get(), false);
    PostMessageA(m_console, WM_SYSCOMMAND, 0x8010, 0);
    expectForm("mini", mini.Get(), true);
    PostMessageA(m_console, WM_SYSCOMMAND, 0x8011, 0);
    expectForm("full again", m_full.Get(), false);
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

TEST_F(SkinTest, ThePictureShowsWhereNoControlCoversIt) {
    ASSERT_NO_FATAL_FAILURE(StartShaped());
    ASSERT_TRUE(InputDriver::Activate(m_console));
    ASSERT_TRUE(CaughtUp(m_console));  // the first paint

    UniqueBitmap picture(m_res.Bitmap(146));
    ASSERT_TRUE(picture);
    MemoryDC pictureDC(nullptr);
    SelectObjectScope selected(pictureDC.Get(), picture.Get());
    WindowDC screen(nullptr);
    RECT rc;
    GetWindowRect(m_console, &rc);
    int compared = 0, differing = 0;
    std::ostringstream first;
    for (int y = 0; y < 255; y += 3) {
        for (int x = 0; x < 300; x += 3) {
            const POINT at = {rc.left + x, rc.top + y};
            if (!PtInRegion(m_full.Get(), x, y) || WindowFromPoint(at) != m_console) continue;
            ++compared;
            const COLORREF want = GetPixel(pictureDC.Get(), x, y), got = GetPixel(screen.Get(), at.x, at.y);
            if (want != got && ++differing <= 5)
                first << "(" << x << "," << y << ") 0x" << std::hex << got << " not 0x" << want << std::dec << "; ";
        }
    }
    EXPECT_GT(compared, 1000);
    EXPECT_EQ(differing, 0) << first.str();
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

TEST_F(SkinTest, TheHandleDragsTheWindowAndTheRestOfTheFaceDoesNot) {
    ASSERT_NO_FATAL_FAILURE(StartShaped());
    ASSERT_EQ(Misplaced(m_console), "");
    RECT before, after;
    POINT from;
    // The pointer goes there step by step, each step held until the window
    // has come to rest: under Wine a window moving beneath the pointer makes
    // it echo positions worked out against the window's previous place, and
    // a pointer that moves on before those are through leaves the window
    // behind by their sum. Taken step by step, the window must end exactly
    // the pointer's travel away (a program that forgot the 3-pixel frame
    // would end that far off).
    // Now and then Wine takes one of those echoes for the pointer's new place
    // (the window was seen a whole step too far or too short, the pointer
    // itself still): the hand resting there moves it to its place again,
    // which a program at fault would keep getting wrong.
    auto heldAt = [&](POINT at) {
        WaitUntil(
            [&] {
                WaitForRest(m_console, &after);
                if (after.left - before.left == at.x - from.x && after.top - before.top == at.y - from.y) return true;
                InputDriver::MoveTo(at);
                return false;
            },
            kUiMs);
    };
    ASSERT_NO_FATAL_FAILURE(PressOnHandle(&from, &before));
    POINT at = from;
    for (int step = 1; step <= 4; ++step) {
        at = POINT{from.x + 15 * step, from.y + 10 * step};
        ASSERT_TRUE(InputDriver::SettleAt(at));
        heldAt(at);
    }
    ASSERT_TRUE(InputDriver::LeftButton(at, false));
    WaitForRest(m_console, &after);
    POINT end{};
    GetCursorPos(&end);
    EXPECT_EQ(end.x - from.x, 60);
    EXPECT_EQ(end.y - from.y, 40);
    EXPECT_EQ(after.left - before.left, end.x - from.x);
    EXPECT_EQ(after.top - before.top, end.y - from.y);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);

    ASSERT_TRUE(FacePoint(
        m_console, kFace, [&](int x, int y) { return !PtInRegion(m_handle.Get(), x, y); }, &from))
        << "no free point off the drag handle";
    GetWindowRect(m_console, &before);
    ASSERT_TRUE(InputDriver::Drag(from, POINT{from.x + 50, from.y + 30}));
    ASSERT_TRUE(CaughtUp(m_console));
    GetWindowRect(m_console, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

// A message box comes up over the console in the middle of a drag (shown by
// something inside the program): the console is disabled and loses the
// mouse, so the drag is over, whether the button is let go under the box or
// held on until the box has gone. The window stays where it was.
TEST_F(SkinTest, AMessageBoxInTheMiddleOfADragEndsIt) {
    ASSERT_NO_FATAL_FAILURE(StartShaped());
    for (const bool heldThroughTheBox : {true, false}) {
        SCOPED_TRACE(heldThroughTheBox ? "button held through the box" : "button let go under the box");
        POINT from;
        RECT before, after;
        ASSERT_NO_FATAL_FAILURE(PressOnHandle(&from, &before));

        std::string error;
        ASSERT_TRUE(InProcessProbe::OpenMessageBox(m_console, &error)) << error;
        HWND box = WindowFinder(m_korvane->Pid()).WaitMessageBox(kUiMs);
        ASSERT_NE(box, nullptr) << "no message box came up";
        EXPECT_TRUE(WaitUntil([&] { return CaptureOf(m_console) != m_console; }, kUiMs))
            << "the console kept the mouse under the box";
        if (!heldThroughTheBox) {
            ASSERT_TRUE(InputDriver::LeftButton(from, false));
        }
        ASSERT_TRUE(InputDriver::Activate(box));
        ASSERT_TRUE(InputDriver::Key(VK_RETURN));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kUiMs)) << "Enter did not close the box";

        // The pointer travels on over the handle, as the hand had meant to.
        POINT at = from;
        for (int step = 1; step <= 3; ++step) {
            at = POINT{from.x + 12 * step, from.y + 8 * step};
            ASSERT_TRUE(InputDriver::SettleAt(at));
        }
        ASSERT_TRUE(CaughtUp(m_console));
        GetWindowRect(m_console, &after);
        EXPECT_TRUE(EqualRect(&before, &after)) << "the window followed the pointer by " << after.left - before.left
                                                << "," << after.top - before.top << " after the box";
        if (heldThroughTheBox) {
            ASSERT_TRUE(InputDriver::LeftButton(at, false));
        }
        ASSERT_TRUE(CaughtUp(m_console));
    }
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

// The skin's cursors, as the console's own thread has them: the pointing
// hand over the handle, the grabbing hand while dragging, the arrow on the
// rest of the face.
TEST_F(SkinTest, TheCursorShowsTheHandleAndTheDrag) {
    ASSERT_NO_FATAL_FAILURE(StartShaped());
    UniqueRegion link(m_res.Region(144, 0x00FFFFFF, 0));
    auto plainFace = [&](int x, int y) {
        return !PtInRegion(m_handle.Get(), x, y) && !PtInRegion(link.Get(), x, y) &&
               !PtInRegion(m_handle.Get(), x - 3, y) && !PtInRegion(m_handle.Get(), x + 3, y);
    };
    POINT grip, plain;
    ASSERT_TRUE(HandlePoint(m_console, &grip)) << "no free point on the drag handle";
    ASSERT_TRUE(FacePoint(m_console, kFace, plainFace, &plain)) << "no free point off the hot areas";
    ASSERT_TRUE(InputDriver::Activate(m_console));
    std::string cursor;
    EXPECT_TRUE(RestsWith(m_console, plain, "arrow", &cursor)) << "on the face: " << cursor;
    EXPECT_TRUE(RestsWith(m_console, grip, "hover", &cursor)) << "over the handle: " << cursor;
    ASSERT_TRUE(InputDriver::LeftButton(grip, true));
    const POINT held = {grip.x + 4, grip.y + 4};
    EXPECT_TRUE(RestsWith(m_console, held, "drag", &cursor)) << "while dragging: " << cursor;
    ASSERT_TRUE(InputDriver::LeftButton(held, false));
    // The window moved with the pointer; find the plain point again.
    RECT rc;
    WaitForRest(m_console, &rc);
    ASSERT_TRUE(FacePoint(m_console, kFace, plainFace, &plain));
    EXPECT_TRUE(RestsWith(m_console, plain, "arrow", &cursor)) << "back on the face after the drag: " << cursor;
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

// The logo plate opens the product's web page on a double-click, through the
// system's handler of http links (here a recorder standing in for a browser).
class SkinLinkTest : public SkinTest {
protected:
    static constexpr const char* kHandlerKey = "Software\\Classes\\http\\shell\\open\\command";

    void SetUp() override {
        SkinTest::SetUp();
        m_log = BesideTest("urlrec.log");
        DeleteFileA(m_log.c_str());
        m_handler = std::make_unique<RegSnapshot>(HKEY_LOCAL_MACHINE, kHandlerKey);
        ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, kHandlerKey)
                        .SetString("", "\"" + BesideTest("urlrec.exe") + "\" \"%1\""));
    }
    void TearDown() override {
        if (m_handler) {
            EXPECT_TRUE(m_handler->Restore());
        }
        SkinTest::TearDown();
    }

    std::vector<std::string> Opened() const {
        std::vector<std::string> lines;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    // Once the page was opened, all the window's input taken: its opens start
    // the recorder before they return, so once no recorder runs, every open
    // it made is in the log, and that is the page, once.
    void ExpectThePageOpenedOnce(HWND window) {
        EXPECT_TRUE(WaitUntil([&] { return !Opened().empty(); }, 30000));
        EXPECT_TRUE(CaughtUp(window));
        EXPECT_TRUE(WaitUntil([] { return !ProcessRunning("urlrec.exe"); }, kUiMs)) << "the recorder did not end";
        EXPECT_EQ(Opened(), std::vector<std::string>{"http://www.velmora.example/korvane"});
    }

    std::string m_log;
    std::unique_ptr<RegSnapshot> m_handler;
};

TEST_F(SkinLinkTest, ADoubleClickOnTheLogoOpensThePageAndASingleClickDoesNot) {
    ASSERT_NO_FATAL_FAILURE(StartShaped());
    UniqueRegion link(m_res.Region(144, 0x00FFFFFF, 0));
    RECT box;
    ASSERT_NE(GetRgnBox(link.Get(), &box), NULLREGION);
    InflateRect(&box, -2, -2);
    POINT logo;
    ASSERT_TRUE(FacePoint(
        m_console, box, [&](int x, int y) { return PtInRegion(link.Get(), x, y) != FALSE; }, &logo))
        << "the link area is nowhere visible";
    ASSERT_TRUE(InputDriver::Activate(m_console));

    ASSERT_TRUE(InputDriver::Click(logo));
    ASSERT_TRUE(CaughtUp(m_console));
    EXPECT_TRUE(Opened().empty()) << "a single click opened " << Opened().front();

    ASSERT_TRUE(InputDriver::DoubleClick(logo));
    // Wine, like Windows 9x, has a start program: the first way succeeds and
    // the page opens once.
    ExpectThePageOpenedOnce(m_console);
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

// The About window opens centred on the console, and its address is a link
// that one click opens.
TEST_F(SkinLinkTest, TheAboutWindowsAddressOpensThePageOnOneClick) {
    ASSERT_NO_FATAL_FAILURE(StartConsole("winxp"));
    HWND about = OpenAboutByCommand(*m_korvane, m_console);
    ASSERT_NE(about, nullptr);
    RECT c, a;
    GetWindowRect(m_console, &c);
    GetWindowRect(about, &a);
    EXPECT_NEAR((a.left + a.right) / 2, (c.left + c.right) / 2, 1);
    EXPECT_NEAR((a.top + a.bottom) / 2, (c.top + c.bottom) / 2, 1);

    HWND link = GetDlgItem(about, 1016);
    ASSERT_NE(link, nullptr);
    char text[128] = "";
    GetWindowTextA(link, text, sizeof text);
    EXPECT_STREQ(text, "http://www.velmora.example/korvane");
    ASSERT_TRUE(InputDriver::Activate(about));
    ASSERT_TRUE(InputDriver::Click(InputDriver::CentreOf(link)));
    ExpectThePageOpenedOnce(about);
    EXPECT_TRUE(EscapeAbout(about));
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

// The About window's address lends the pointer the help viewer's hand (its
// cursor 106), where the viewer has one; elsewhere the window keeps the
// arrow. A viewer with the same picture, but not as cursor 106, leaves the
// address the arrow. The viewer is a stand-in put in the system's place for
// each test, and the original is back after it (after the program has
// ended), also when the test fails.
struct HandCase {
    const char* name;
    const char* standIn;
    const char* overTheAddress;  // the cursor there
};

class AboutHandTest : public SkinTest, public ::testing::WithParamInterface<HandCase> {
protected:
    AboutHandTest() : m_viewer(WindowsFile("winhlp32.exe")) {}

    static std::string WindowsFile(const char* name) {
        char dir[MAX_PATH] = "";
        GetWindowsDirectoryA(dir, MAX_PATH);
        return std::string(dir) + "\\" + name;
    }

    // A point on the About window that no control of its own takes.
    static bool BarePoint(HWND about, POINT* screen) {
        RECT rc;
        GetClientRect(about, &rc);
        for (int y = rc.bottom - 6; y > 6; y -= 4)
            for (int x = 6; x < rc.right - 6; x += 4) {
                POINT s = {x, y};
                ClientToScreen(about, &s);
                if (WindowFromPoint(s) == about) {
                    *screen = s;
                    return true;
                }
            }
        return false;
    }

    FileSwap m_viewer;
};

TEST_P(AboutHandTest, TheAddressShowsTheViewersHandIfAnyAndTheRestTheArrow) {
    ASSERT_TRUE(m_viewer.ReplaceWith(BesideTest(GetParam().standIn))) << GetParam().standIn;
    // Wine would load its own viewer whatever file lies there; the override
    // makes it take the file, as Windows does.
    m_console = StartToConsole(KorvaneLauncher().Version("winxp").DllOverride("winhlp32.exe", "native"), &m_korvane);
    ASSERT_NE(m_console, nullptr);
    HWND about = OpenAboutByCommand(*m_korvane, m_console);
    ASSERT_NE(about, nullptr);
    HWND link = GetDlgItem(about, 1016);
    ASSERT_NE(link, nullptr);
    ASSERT_TRUE(InputDriver::Activate(about));
    POINT bare;
    ASSERT_TRUE(BarePoint(about, &bare)) << "no bare point on the About window";
    const POINT on = InputDriver::CentreOf(link);
    // The pointer reaches the address across the window, as a hand's would:
    // the cursor it brings along is then the window's, whatever it showed
    // before (the address sets none of its own).
    std::string cursor;
    ASSERT_TRUE(RestsWith(about, bare, "arrow", &cursor)) << "beside the address: " << cursor;
    ASSERT_TRUE(InputDriver::SettleAt(on));
    // The link has taken the pointer when, hot under it, it holds the capture;
    // the cursor was chosen just before.
    EXPECT_TRUE(WaitUntil(
        [&] {
            InputDriver::MoveTo(on);
            return CaptureOf(about) == link;
        },
        kUiMs, 200))
        << "the address never became hot";
    EXPECT_TRUE(CursorBecomes(about, GetParam().overTheAddress, on, &cursor)) << "over the address: " << cursor;
    EXPECT_TRUE(RestsWith(about, bare, "arrow", &cursor)) << "off the address again: " << cursor;
    EXPECT_TRUE(EscapeAbout(about));
    EXPECT_TRUE(CloseAndWait(*m_korvane, m_console));
}

INSTANTIATE_TEST_SUITE_P(Viewers, AboutHandTest,
                         ::testing::Values(HandCase{"WithTheHand", "helphand.dll", "hand"},
                                           HandCase{"WithoutTheHand", "helpnohand.dll", "arrow"}),
                         [](const ::testing::TestParamInfo<HandCase>& tpi) { return std::string(tpi.param.name); });
