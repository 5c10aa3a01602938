#include "InputDriver.h"

#include "InProcessProbe.h"
#include "Wait.h"
#include "WindowFinder.h"

#include <iostream>
#include <sstream>

namespace {
std::string Name(HWND hwnd) {
    if (!hwnd) return "none";
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    std::ostringstream out;
    out << hwnd << " '" << cls << "' pid " << pid;
    return out.str();
}
}  // namespace

bool InputDriver::Activate(HWND hwnd, DWORD timeoutMs) {
    if (!IsWindow(hwnd)) return false;
    // Wine makes a window of another thread the foreground only when that
    // thread takes the activation Wine posted to it: a busy thread takes
    // its time, so the wait is for that, asked again only while it is not.
    const bool foreground = WaitUntil(
        [&] {
            if (GetForegroundWindow() == hwnd) return true;
            SetForegroundWindow(hwnd);
            return GetForegroundWindow() == hwnd;
        },
        timeoutMs, 100);
    if (!foreground) return false;
    // Keys go to the window that the thread has taken as active (and given
    // the focus within), a moment after it became the foreground; keys sent
    // before then are lost.
    return WaitUntil([&] { return WindowFinder::ThreadOf(hwnd).hwndActive == hwnd; }, timeoutMs, 50);
}

INPUT InputDriver::Mouse(DWORD flags, POINT screen, DWORD data) {
    // Absolute coordinates are normalised to 0..65535 over the primary
    // screen; rounding up lands on the intended pixel after scaling back.
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((screen.x * 65536LL + w - 1) / w);
    in.mi.dy = static_cast<LONG>((screen.y * 65536LL + h - 1) / h);
    in.mi.mouseData = data;
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    return in;
}

INPUT InputDriver::KeyEvent(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

bool InputDriver::Send(std::vector<INPUT>& inputs) {
    // One event at a time, each in the target's queue at once and in order.
    // A test that posts a message after input lets the target catch up
    // first (KorvaneTest::PostCommand): a posted message is read first.
    for (INPUT& in : inputs) {
        if (SendInput(1, &in, sizeof(INPUT)) != 1) return false;
        PumpOwnMessages();
    }
    return true;
}

bool InputDriver::MoveTo(POINT screen) {
    std::vector<INPUT> in{Mouse(MOUSEEVENTF_MOVE, screen)};
    return Send(in);
}

bool InputDriver::At(POINT screen) {
    POINT now{};
    return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
}

bool InputDriver::XHasPointerAt(POINT screen) {
    // Wine answers GetCursorPos with its server's place while that changed
    // less than 100 ms ago, and only after that with X's (a round trip on
    // this thread's display, behind the warp our move made). It offers no
    // other way to learn that X has taken the move: this wait is Wine's rule.
    const DWORD moved = GetTickCount();
    return WaitUntil([&] { return GetTickCount() - moved > 100 && At(screen); }, 5000, 20);
}

bool InputDriver::EchoesTaken(POINT screen) {
    // X tells the thread that owns the window under the pointer of each move
    // (our warps included), and that thread hands the place on as input when
    // it next reads its display: late on a busy machine, where it can take
    // the pointer back to an earlier place. Once the thread has read its
    // display and taken that input, no echo of a move made so far can come.
    HWND under = WindowFromPoint(screen);
    DWORD pid = 0;
    if (!under || !GetWindowThreadProcessId(under, &pid)) return true;
    if (pid == GetCurrentProcessId()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
        PumpOwnMessages();
        return true;
    }
    // The desktop's own process is not asked: a probe there would outlive the
    // test; a press never aims at the bare desktop.
    if (GetAncestor(under, GA_ROOT) == GetDesktopWindow() || under == GetDesktopWindow()) return true;
    // A hung thread reads nothing, so it has nothing to echo either.
    if (IsHungAppWindow(GetAncestor(under, GA_ROOT))) return true;
    std::string error;
    return InProcessProbe::WaitIdle(under, &error, 30000);
}

bool InputDriver::SettleAt(POINT screen) {
    // The pointer is settled once X has it at the target and the thread
    // under it has taken every echo of the moves so far. An echo that took
    // it back meanwhile is met by moving again. Wine moves the real pointer
    // only when its own idea of the place changes, and that idea can already
    // be the target while the pointer is elsewhere (a move undone by a late
    // echo, or refused while another window held the pointer): a retry goes
    // by a pixel beside the target first.
    // The window it leaves hears of the moves that were made over it.
    POINT before{};
    GetCursorPos(&before);
    for (int attempt = 0; attempt < 6; ++attempt) {
        if (attempt > 0 && !MoveTo(POINT{screen.x + 1, screen.y})) return false;
        if (!MoveTo(screen)) return false;
        if (XHasPointerAt(screen) && EchoesTaken(before) && EchoesTaken(screen) && At(screen)) return true;
    }
    return false;
}

bool InputDriver::Click(POINT screen) {
    return SettleAt(screen) && ClickSettled(screen);
}

bool InputDriver::ClickSettled(POINT screen, int clicks) {
    std::vector<INPUT> in{Mouse(MOUSEEVENTF_MOVE, screen)};
    for (int i = 0; i < clicks; ++i) {
        in.push_back(Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN, screen));
        in.push_back(Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP, screen));
    }
    return Send(in);
}

bool InputDriver::DoubleClick(POINT screen) {
    return SettleAt(screen) && ClickSettled(screen, 2);
}

bool InputDriver::Drag(POINT from, POINT to, int steps) {
    if (steps < 1) steps = 1;
    if (!SettleAt(from)) return false;
    std::vector<INPUT> in{Mouse(MOUSEEVENTF_MOVE, from), Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN, from)};
    for (int i = 1; i <= steps; ++i) {
        POINT p{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
        in.push_back(Mouse(MOUSEEVENTF_MOVE, p));
    }
    in.push_back(Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP, to));
    return Send(in);
}

bool InputDriver::LeftButton(POINT screen, bool down) {
    // The button carries the place with it: under Wine a window appearing
    // or moving under the pointer can echo an older pointer position late,
    // after the pointer has settled, and a bare press would land there.
    std::vector<INPUT> in{Mouse(MOUSEEVENTF_MOVE | (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP), screen)};
    return Send(in);
}

bool InputDriver::Wheel(POINT screen, int delta) {
    if (!SettleAt(screen)) return false;
    // The console hands the wheel to the knob under the place the message
    // carries: that place goes with the turn, not an echo's.
    std::vector<INPUT> in{Mouse(MOUSEEVENTF_MOVE, screen),
                          Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_WHEEL, screen, static_cast<DWORD>(delta))};
    return Send(in);
}

bool InputDriver::Key(WORD vk, unsigned modifiers) {
    std::vector<INPUT> in;
    if (modifiers & kCtrl) in.push_back(KeyEvent(VK_CONTROL, false));
    if (modifiers & kAlt) in.push_back(KeyEvent(VK_MENU, false));
    if (modifiers & kShift) in.push_back(KeyEvent(VK_SHIFT, false));
    in.push_back(KeyEvent(vk, false));
    in.push_back(KeyEvent(vk, true));
    if (modifiers & kShift) in.push_back(KeyEvent(VK_SHIFT, true));
    if (modifiers & kAlt) in.push_back(KeyEvent(VK_MENU, true));
    if (modifiers & kCtrl) in.push_back(KeyEvent(VK_CONTROL, true));
    return Send(in);
}

bool InputDriver::KeyHeld(WORD vk, int downs) {
    std::vector<INPUT> in;
    for (int i = 0; i < downs; ++i) in.push_back(KeyEvent(vk, false));
    in.push_back(KeyEvent(vk, true));
    return Send(in);
}

POINT InputDriver::CentreOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool InputDriver::ClickControl(HWND dialog, int id) {
    auto fail = [&](const char* why) {
        std::cerr << "ClickControl " << id << ": " << why << "\n";
        return false;
    };
    HWND child = GetDlgItem(dialog, id);
    if (!child || !IsWindowVisible(child)) return fail("missing or hidden");
    if (!Activate(dialog)) return fail("the dialog did not come to the foreground");
    // A click must reach this control, not one lying over it. What lies
    // there is asked once the pointer is on it, as a user sees it: a tip
    // shown for the control the pointer left goes when the pointer does.
    const POINT centre = CentreOf(child);
    if (!SettleAt(centre)) return fail("the pointer did not settle on it");
    if (WindowFromPoint(centre) != child) return fail(("covered by " + Name(WindowFromPoint(centre))).c_str());
    return ClickSettled(centre) || fail("the click was not sent");
}

std::string InputDriver::DescribeState() {
    std::ostringstream out;
    POINT at{};
    RECT clip{};
    GetCursorPos(&at);
    GetClipCursor(&clip);
    out << "pointer (" << at.x << "," << at.y << ") over " << Name(WindowFromPoint(at)) << "; clip (" << clip.left
        << "," << clip.top << ")-(" << clip.right << "," << clip.bottom << ")";
    HWND front = GetForegroundWindow();
    const GUITHREADINFO t = WindowFinder::ThreadOf(front);
    out << "; foreground " << Name(front) << ", its thread: active " << t.hwndActive << " focus " << t.hwndFocus
        << " capture " << Name(t.hwndCapture) << " flags 0x" << std::hex << t.flags;
    // A menu or move loop in any process holds the pointer: the desktop's too.
    const GUITHREADINFO d = WindowFinder::ThreadOf(GetDesktopWindow());
    out << "; desktop's thread: capture " << Name(d.hwndCapture) << " flags 0x" << d.flags << "; down:";
    for (int vk : {VK_LBUTTON, VK_RBUTTON, VK_SHIFT, VK_CONTROL, VK_MENU})
        if (GetAsyncKeyState(vk) & 0x8000) out << " 0x" << vk;
    return out.str();
}
