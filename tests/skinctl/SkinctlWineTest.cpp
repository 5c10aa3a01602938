// The skin controls in a real window under Wine, turned and clicked with real
// mouse input.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "RealInput.h"
#include "TestHost.h"
#include "framework/GdiObject.h"
#include "framework/MemoryDC.h"
#include "framework/SelectObjectScope.h"
#include "framework/WindowDC.h"
#include "skinctl/AnimationArt.h"
#include "skinctl/AnimationClock.h"
#include "skinctl/SkinControls.h"
#include "skinctl/SkinProtocol.h"
#include "tests/common/PersistedBytes.h"

using namespace persisted;
using namespace realinput;

namespace {

// Bound of every wait for a state: long enough for a machine busy beside
// other Wine sessions; a wait ends on its state, so it costs nothing else.
const DWORD kStateMs = 30000;
const UINT_PTR kFrameTimer = 1;  // the animation's own

LRESULT Load(HWND control, const std::vector<uint8_t>& bytes) {
    return SendMessageA(control, SKM_LOADSTATE, bytes.size(), reinterpret_cast<LPARAM>(bytes.data()));
}

LRESULT Get(HWND control) {
    return SendMessageA(control, SKM_GETPROPERTY, SKIN_PROPERTY_VALUE, 0);
}
void Set(HWND control, LPARAM value) {
    SendMessageA(control, SKM_SETPROPERTY, SKIN_PROPERTY_VALUE, value);
}

// Place in the parent and size, as "x,y wxh".
std::string Box(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + " " + std::to_string(rc.right - rc.left) + "x" +
           std::to_string(rc.bottom - rc.top);
}

// A width x height picture that `paint` makes in a memory DC (compatible
// with `dc`), row by row, colours only.
template <class Paint>
std::vector<COLORREF> Painted(HDC dc, int width, int height, Paint paint) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    MemoryDC memory(dc);
    UniqueBitmap dib(CreateDIBSection(memory.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    std::vector<COLORREF> pixels;
    if (dib && bits) {
        SelectObjectScope selected(memory.Get(), dib.Get());
        paint(memory.Get());
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        for (const uint32_t* end = p + width * height; p != end; ++p) pixels.push_back(*p & 0xFFFFFF);
    }
    return pixels;
}

// `hwnd`'s client area as read from `dc` at `origin`.
std::vector<COLORREF> Pixels(HWND hwnd, HDC dc, POINT origin) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return Painted(dc, rc.right, rc.bottom,
                   [&](HDC memory) { BitBlt(memory, 0, 0, rc.right, rc.bottom, dc, origin.x, origin.y, SRCCOPY); });
}

// The pixels shown on screen over `hwnd`'s client area, once they are what
// the control painted last: its pending paint is done first (the control
// runs on this thread), and Wine copies a window's pixels to the screen only
// when its thread goes idle, so a read at once can show the state before.
std::vector<COLORREF> Snapshot(HWND hwnd) {
    UpdateWindow(hwnd);
    WindowDC own(hwnd), screen(nullptr);
    std::vector<COLORREF> shown;
    const bool caughtUp = PumpUntil(
        [&] {
            shown = Pixels(hwnd, screen.Get(), ClientPoint(hwnd, 0, 0));
            return shown == Pixels(hwnd, own.Get(), POINT{0, 0});
        },
        kStateMs);
    EXPECT_TRUE(caughtUp) << "the screen never showed what the control painted";
    return shown;
}

COLORREF ScreenPixel(POINT pt) {
    return GetPixel(WindowDC(nullptr).Get(), pt.x, pt.y);
}

class SkinControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(RegisterSkinControls(GetModuleHandleA(nullptr)));
        ASSERT_TRUE(RegisterSkinControls(GetModuleHandleA(nullptr)));  // again: harmless
    }

    void SetUp() override {
        ASSERT_NE(nullptr, host.Hwnd());
        ASSERT_TRUE(BringToFront(host.Hwnd()));
        Settle();
    }

    HWND AddKnob(int id, int x, int y) {
        HWND knob = host.AddControl(SKIN_KNOB_CLASS, id, x, y, 10, 10);
        EXPECT_NE(nullptr, knob);
        EXPECT_NE(0, Load(knob, KnobBytes(1164, 1217)));
        return knob;
    }

    HWND AddButton(int id, int x, int y, uint8_t twoState, uint8_t glyph) {
        HWND button = host.AddControl(SKIN_PUSHBUTTON_CLASS, id, x, y, 10, 10);
        EXPECT_NE(nullptr, button);
        EXPECT_NE(0, Load(button, ButtonBytes(450, 423, twoState, glyph)));
        return button;
    }

    // Every recorded event came from `control`, carried `argc` arguments and
    // saw property 1 equal to the event's value (knobs) inside the handler.
    void ExpectConsistentEvents(HWND control, int id, int argc) {
        EXPECT_EQ(0, host.eventsWithBadHeader);
        for (const RecordedEvent& e : host.events) {
            EXPECT_EQ(control, e.from);
            EXPECT_EQ(UINT_PTR(id), e.id);
            EXPECT_EQ(argc, e.argc);
            if (argc == 1) {
                EXPECT_EQ(e.argv0, e.propertyInHandler);
            }
        }
    }

    std::string Describe() const {
        std::string text;
        for (const RecordedEvent& e : host.events)
            text +=
                std::to_string(e.id) + ":" + std::to_string(e.argv0) + "/" + std::to_string(e.propertyInHandler) + " ";
        return text;
    }

    std::vector<int> KnobValues() const {
        std::vector<int> values;
        for (const RecordedEvent& e : host.events) values.push_back(e.argv0);
        return values;
    }

    TestHost host;
};

TEST_F(SkinControlsTest, PersistedBytesSizeTheControlsAndKeepTheirPlace) {
    HWND knob = host.AddControl(SKIN_KNOB_CLASS, 1000, 20, 30, 10, 10);
    HWND button = host.AddControl(SKIN_PUSHBUTTON_CLASS, 1005, 200, 40, 10, 10);
    ASSERT_NE(0, Load(knob, KnobBytes(1111, 1244)));
    ASSERT_NE(0, Load(button, ButtonBytes(318, 344, 0, 3)));
    EXPECT_EQ("20,30 42x47", Box(knob));
    EXPECT_EQ("200,40 12x13", Box(button));
}

TEST_F(SkinControlsTest, MalformedBytesAreRefusedAndChangeNothing) {
    HWND knob = AddKnob(1000, 20, 30);
    HWND button = AddButton(1008, 200, 40, 0, 1);  // momentary, 17 x 16
    std::vector<uint8_t> knobShort = KnobBytes(2000, 2000), knobBadWord = knobShort;
    knobShort.pop_back();
    knobBadWord[4] = 1;
    std::vector<uint8_t> buttonLong = ButtonBytes(900, 900, 1, 0), buttonBadWord = buttonLong;
    buttonLong.push_back(0);
    buttonBadWord[0] = 0xFF;
    const struct {
        const char* what;
        HWND control;
        std::vector<uint8_t> bytes;
    } refused[] = {{"knob, short", knob, knobShort},
                   {"knob, bad word", knob, knobBadWord},
                   {"knob, a button's", knob, ButtonBytes(900, 900, 0, 0)},
                   {"button, long", button, buttonLong},
                   {"button, bad word", button, buttonBadWord},
                   {"button, a knob's", button, KnobBytes(900, 900)}};
    for (const auto& r : refused) EXPECT_EQ(0, Load(r.control, r.bytes)) << r.what;
    EXPECT_EQ(0, SendMessageA(knob, SKM_LOADSTATE, 20, 0));
    EXPECT_EQ("20,30 44x46", Box(knob));
    EXPECT_EQ("200,40 17x16", Box(button));
    // The refused records asked for a two-state button: it stays momentary.
    ASSERT_TRUE(ClickOn(button, CentreOf(button)));
    ASSERT_TRUE(PumpUntil([&] { return host.events.size() == 1; }, kStateMs)) << Describe();
    EXPECT_EQ(0, Get(button));
}

// Under Wine, X reports each move back as input when the thread next reads
// its display, late on a busy machine; a move comes as new, previous, new
// place (the last may be left out, the pointer being there already). Once a
// move has returned, the pointer stays there and no report comes any more,
// of it or an earlier move: a drag is not taken back later. Short steps as
// a drag makes them, long jumps, and single pixels.
TEST_F(SkinControlsTest, OnceAMoveReturnsThePointerStaysAndNoReportComesLater) {
    const struct {
        POINT from, to;
        int points;
    } paths[] = {{{20, 150}, {80, 150}, 20}, {{380, 30}, {40, 270}, 5}, {{200, 200}, {200, 185}, 15}};
    for (const auto& path : paths) {
        SCOPED_TRACE(path.points);
        POINT before = ClientPoint(host.Hwnd(), path.from.x, path.from.y);
        ASSERT_TRUE(MoveTo(before));
        for (int i = 1; i <= path.points; ++i) {
            const POINT next = ClientPoint(host.Hwnd(), path.from.x + (path.to.x - path.from.x) * i / path.points,
                                           path.from.y + (path.to.y - path.from.y) * i / path.points);
            host.moves.clear();
            ASSERT_TRUE(MoveTo(next)) << i;
            const auto place = [](const POINT& p) { return std::to_string(p.x) + "," + std::to_string(p.y); };
            ASSERT_FALSE(host.moves.empty()) << "move " << i << " to " << place(next) << " not reported";
            for (const POINT& got : host.moves)
                EXPECT_TRUE(place(got) == place(next) || place(got) == place(before))
                    << "move " << i << " to " << place(next) << " reported " << place(got);
            const size_t reported = host.moves.size();
            Settle();
            EXPECT_EQ(reported, host.moves.size()) << "move " << i << " reported late at " << place(host.moves.back());
            POINT at{};
            GetCursorPos(&at);
            EXPECT_EQ(place(next), place(at)) << "move " << i << ": the pointer went back";
            before = next;
        }
    }
}

// Under Wine, SendInput moves the X pointer only later: right after a press
// takes the capture, one move can still report the pointer's earlier place,
// and each move comes as new, previous, new position. So the tests set the
// knob's value after pressing, and move at most 4 pixels of travel at a time,
// less than a step, so that the echo cannot cross a step back.
TEST_F(SkinControlsTest, DraggingTheKnobFiresEachNewPositionWithThePropertyAlreadySet) {
    HWND knob = AddKnob(1000, 40, 40);
    const POINT centre = CentreOf(knob);
    // Up by 36 pixels, well past the knob's own edge: six steps (merged moves
    // may cover several with one event); then down and left far beyond the
    // stop: it ends at 0 and reports no position twice.
    const struct {
        POINT by;
        int step, from, to;
    } drags[] = {{{0, -36}, 3, 3, 9}, {{-40, 60}, 2, 9, 0}};
    for (const auto& d : drags) {
        SCOPED_TRACE(d.to);
        ASSERT_TRUE(PressOn(knob, centre));
        EXPECT_EQ(knob, GetCapture());
        Set(knob, d.from);
        host.events.clear();
        ASSERT_TRUE(MoveAlong(centre, POINT{centre.x + d.by.x, centre.y + d.by.y}, d.step));
        LeftUp();
        ASSERT_TRUE(PumpUntil([&] { return Get(knob) == d.to; }, kStateMs)) << Get(knob) << " " << Describe();
        Settle();
        const std::vector<int> values = KnobValues();
        ASSERT_FALSE(values.empty());
        EXPECT_EQ(d.to, values.back());
        for (size_t i = 0; i < values.size(); ++i) {
            const int last = i ? values[i - 1] : d.from;
            EXPECT_TRUE(d.to > d.from ? values[i] > last : values[i] < last) << Describe();
        }
        ExpectConsistentEvents(knob, 1000, 1);
        EXPECT_EQ(nullptr, GetCapture());
        EXPECT_EQ(knob, GetFocus());
    }

    // A click without movement turns nothing.
    ASSERT_TRUE(ClickOn(knob, centre));
    Set(knob, 5);
    host.events.clear();
    ASSERT_TRUE(ClickOn(knob, centre));
    Settle();
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(5, Get(knob));

    // A press whose release went elsewhere: the first move without the
    // button ends the drag and turns nothing.
    SendMessageA(knob, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ASSERT_EQ(knob, GetCapture());
    SendMessageA(knob, WM_MOUSEMOVE, 0, MAKELPARAM(20, -16));
    EXPECT_EQ(nullptr, GetCapture());
    SendMessageA(knob, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, -16));
    Settle();
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(5, Get(knob));
}

TEST_F(SkinControlsTest, WheelTurnsTheKnobUnderThePointer) {
    HWND knob = AddKnob(1000, 40, 40);
    HWND other = AddKnob(1001, 120, 40);
    // The click leaves the pointer on the knob and gives it focus: the wheel
    // comes to it whether the system routes it by focus or by pointer.
    ASSERT_TRUE(ClickOn(knob, CentreOf(knob)));
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == knob; }, kStateMs));
    Set(knob, 10);
    Set(other, 5);
    host.events.clear();
    Wheel(WHEEL_DELTA);
    ASSERT_TRUE(PumpUntil([&] { return host.events.size() == 1; }, kStateMs)) << Describe();
    Wheel(WHEEL_DELTA);  // at the stop: nothing
    Wheel(-WHEEL_DELTA);
    Wheel(-WHEEL_DELTA);
    ASSERT_TRUE(PumpUntil([&] { return host.events.size() >= 3; }, kStateMs));
    Settle();
    EXPECT_EQ((std::vector<int>{11, 10, 9}), KnobValues()) << Describe();
    EXPECT_EQ(9, Get(knob));
    ExpectConsistentEvents(knob, 1000, 1);

    EXPECT_EQ(5, Get(other));

    // A parent that forwards the wheel to the knob under the pointer sends
    // it the message as it came.
    host.events.clear();
    const POINT centre = CentreOf(knob);
    SendMessageA(knob, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(8, Get(knob));
    EXPECT_EQ((std::vector<int>{8}), KnobValues());
    ExpectConsistentEvents(knob, 1000, 1);
}

TEST_F(SkinControlsTest, SetValueStoresAnyValueAndFiresNothing) {
    HWND knob = AddKnob(1000, 40, 40);
    HWND button = AddButton(1005, 200, 40, 1, 0);
    Set(knob, 42);
    Set(button, 7);  // any nonzero is on
    Settle();
    EXPECT_EQ(42, Get(knob));
    EXPECT_EQ(1, Get(button));
    Set(knob, -1);
    EXPECT_EQ(-1, Get(knob));
    EXPECT_EQ(0, SendMessageA(knob, SKM_GETPROPERTY, 2, 0));  // unknown property
    EXPECT_TRUE(host.events.empty());

    // Only what the user does is clamped.
    ASSERT_TRUE(ClickOn(knob, CentreOf(knob)));
    Set(knob, 42);
    host.events.clear();
    Wheel(-WHEEL_DELTA);
    ASSERT_TRUE(PumpUntil([&] { return host.events.size() == 1; }, kStateMs)) << Describe();
    EXPECT_EQ(11, Get(knob));
    ExpectConsistentEvents(knob, 1000, 1);
}

// A two-state button toggles, then fires; a momentary one fires without toggling.
TEST_F(SkinControlsTest, ButtonsFireOnEachClickAndOnlyTwoStateOnesToggle) {
    for (const uint8_t twoState : {1, 0}) {
        SCOPED_TRACE(twoState ? "two-state" : "momentary");
        host.events.clear();
        const int id = twoState ? 1005 : 1008;
        HWND button = AddButton(id, 200, 40, twoState, twoState ? 0 : 1);
        for (size_t click = 1; click <= 2; ++click) {
            ASSERT_TRUE(ClickOn(button, CentreOf(button)));
            ASSERT_TRUE(PumpUntil([&] { return host.events.size() == click; }, kStateMs)) << Describe();
            const int on = twoState && click == 1;
            EXPECT_EQ(on, host.events[click - 1].propertyInHandler);
            EXPECT_EQ(on, Get(button));
        }
        ExpectConsistentEvents(button, id, 0);
        DestroyWindow(button);
    }
}

TEST_F(SkinControlsTest, ReleasingOutsideTheButtonIsNoClick) {
    HWND button = AddButton(1005, 200, 40, 1, 0);
    const POINT centre = CentreOf(button);
    ASSERT_TRUE(Drag(button, centre, POINT{centre.x + 40, centre.y}, 10));
    Settle();
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(0, Get(button));
    EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(SkinControlsTest, ButtonLooksPressedWhileHeldAndOnWhenToggled) {
    HWND button = AddButton(1005, 200, 40, 1, 0);
    Settle();
    const std::vector<COLORREF> idle = Snapshot(button);
    ASSERT_TRUE(PressOn(button, CentreOf(button)));
    Settle();
    const std::vector<COLORREF> held = Snapshot(button);
    LeftUp();
    Settle();
    const std::vector<COLORREF> on = Snapshot(button);
    ASSERT_EQ(1, Get(button));
    EXPECT_NE(idle, held);
    EXPECT_NE(idle, on);
    EXPECT_NE(held, on);
    Set(button, 0);
    Settle();
    EXPECT_EQ(idle, Snapshot(button));
}

TEST_F(SkinControlsTest, AnimationAdvancesInTimeAndStaysInsideItsRegion) {
    HWND animation = host.AddControl(SKIN_ANIMATION_CLASS, 1003, 47, 50, 197, 99);
    ASSERT_NE(nullptr, animation);
    EXPECT_NE(0, SendMessageA(animation, SKM_LOADSTATE, 0, 0));  // takes no settings
    HRGN ellipse = CreateEllipticRgn(0, 0, 197, 99);
    ASSERT_NE(0, SetWindowRgn(animation, ellipse, TRUE));  // the window owns it now
    Settle();

    // The frame is the control's clock read when its own frame timer fires.
    // Each timer message is bracketed by the tick count read around its
    // dispatch, so between two of them the frames advanced lie exactly
    // between what the least and the most time passed allow, however late
    // the timer came (the rate itself is the clock's, tested on the host).
    struct Fired {
        DWORD before, after;
        int frame;
    };
    std::vector<Fired> fired;
    const std::vector<COLORREF> before = Snapshot(animation);
    const int kFrames = skinctl::AnimationClock::FRAME_COUNT, kRate = skinctl::AnimationClock::FRAMES_PER_SECOND;
    auto advanced = [&] { return (fired.back().frame - fired.front().frame + kFrames) % kFrames; };
    const DWORD start = GetTickCount();
    while ((fired.size() < 2 || advanced() < 3) && GetTickCount() - start < 30000) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            continue;
        }
        const bool frameTimer = msg.message == WM_TIMER && msg.hwnd == animation && msg.wParam == kFrameTimer;
        const DWORD t0 = GetTickCount();
        DispatchMessageA(&msg);
        if (frameTimer) fired.push_back({t0, GetTickCount(), int(Get(animation))});
    }
    ASSERT_GE(fired.size(), 2u) << "the frame timer did not fire";
    ASSERT_GE(advanced(), 3) << "the frames did not advance";
    const Fired &a = fired.front(), &b = fired.back();
    const int least = int((b.before - a.after) * kRate / 1000), most = int(((b.after - a.before) * kRate + 999) / 1000);
    bool within = false;
    for (int frames = least; frames <= most; ++frames) within = within || frames % kFrames == advanced();
    EXPECT_TRUE(within) << "advanced " << advanced() << " frames in " << b.before - a.after << " to "
                        << b.after - a.before << " ms";
    EXPECT_NE(before, Snapshot(animation));

    // Outside the ellipse the parent shows through, after any number of
    // frames; inside, the animation is drawn.
    for (const POINT corner : {POINT{1, 1}, POINT{195, 97}})
        EXPECT_EQ(TestHost::kBackground, ScreenPixel(ClientPoint(animation, corner.x, corner.y))) << corner.x;
    const COLORREF middle = ScreenPixel(ClientPoint(animation, 98, 49));
    EXPECT_NE(TestHost::kBackground, middle);
    EXPECT_NE(CLR_INVALID, middle);
}

// A hidden animation asks for no frames (it has no frame timer), also when
// made hidden; shown, it runs, and after a hiding it runs on.
TEST_F(SkinControlsTest, AnimationRestsWhileHiddenAndRunsWhenShown) {
    HWND animation = CreateWindowExA(0, SKIN_ANIMATION_CLASS, "", WS_CHILD, 47, 50, 197, 99, host.Hwnd(),
                                     reinterpret_cast<HMENU>(1003), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, animation);
    // Without a frame timer no frame can come.
    EXPECT_FALSE(KillTimer(animation, kFrameTimer)) << "made hidden";
    EXPECT_EQ(0, Get(animation));
    for (int round = 0; round < 2; ++round) {
        ShowWindow(animation, SW_SHOW);
        const int shown = int(Get(animation));
        EXPECT_TRUE(PumpUntil([&] { return int(Get(animation)) != shown; }, 5000)) << "round " << round;
        const int hidden = int(Get(animation));
        ShowWindow(animation, SW_HIDE);
        EXPECT_FALSE(KillTimer(animation, kFrameTimer)) << "round " << round;
        EXPECT_EQ(hidden, int(Get(animation))) << "round " << round;
    }
    DestroyWindow(animation);
}

// The scene of a frame as the art draws it, pixel for pixel, in the layout
// Snapshot reads the screen into.
std::vector<COLORREF> Drawn(int frame, int width, int height) {
    return Painted(nullptr, width, height, [&](HDC memory) {
        skinctl::AnimationArt::Draw(memory, RECT{0, 0, width, height}, frame);
    });
}

// Whatever the control keeps between frames, what shows is the frame's whole
// scene, also after its size changed.
TEST_F(SkinControlsTest, AnimationShowsTheWholeSceneOfItsFrameAtEverySize) {
    HWND animation = host.AddControl(SKIN_ANIMATION_CLASS, 1003, 47, 50, 197, 99);
    ASSERT_NE(nullptr, animation);
    const SIZE sizes[] = {{197, 99}, {150, 80}, {197, 99}};
    for (const SIZE& size : sizes) {
        MoveWindow(animation, 47, 50, size.cx, size.cy, TRUE);
        // This thread runs the control: no frame passes between these lines.
        const std::vector<COLORREF> shown = Snapshot(animation);
        const int frame = int(Get(animation));
        EXPECT_EQ(shown, Drawn(frame, size.cx, size.cy)) << size.cx << " x " << size.cy << ", frame " << frame;
    }
}

}  // namespace
