// Loaded into the program's process by the test's WH_GETMESSAGE hook. Menus
// live inside their process, so the system menu is read here, on the
// console's own thread, and handed back through shared memory.
#include "framework/GdiObject.h"
#include "framework/MemoryDC.h"
#include "framework/SelectObjectScope.h"
#include "framework/WindowDC.h"
#include "tests/common/Median.h"
#include "tests/e2e/harness/ProbeProtocol.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string DescribeSystemMenu(HWND hwnd) {
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu) return "error no system menu\n";
    const int count = GetMenuItemCount(menu);
    if (count < 0) return "error GetMenuItemCount\n";
    char line[64];
    snprintf(line, sizeof line, "items %d\n", count);
    std::string out = line;
    for (int i = 0; i < count; ++i) {
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, i);
        char text[512] = "";
        if (!(state & MF_SEPARATOR)) GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        snprintf(line, sizeof line, "0x%08X 0x%08X ", id, state);
        out += line;
        out += text;
        out += '\n';
    }
    return out;
}

BOOL CALLBACK CollectToolTip(HWND hwnd, LPARAM out) {
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0)
        reinterpret_cast<std::string*>(out)->append(std::to_string(reinterpret_cast<UINT_PTR>(hwnd)) + ",");
    return TRUE;
}

std::string ToolLine(const char* kind, const TOOLINFOA& ti, const char* text) {
    // Tools named by their window (TTF_IDISHWND) are told by its control id.
    const int id = (ti.uFlags & TTF_IDISHWND) ? GetDlgCtrlID(reinterpret_cast<HWND>(ti.uId)) : int(ti.uId);
    return std::string(kind) + " " + std::to_string(id) + " " + text + "\n";
}

std::string DescribeToolTips(HWND hwnd) {
    std::string handles, out;
    EnumThreadWindows(GetWindowThreadProcessId(hwnd, nullptr), CollectToolTip, reinterpret_cast<LPARAM>(&handles));
    for (size_t at = 0; at < handles.size();) {
        const size_t comma = handles.find(',', at);
        HWND tip = reinterpret_cast<HWND>(UINT_PTR(strtoull(handles.substr(at, comma - at).c_str(), nullptr, 10)));
        at = comma + 1;
        // A tool asked for by `message`, as a line of `kind`.
        const auto ask = [&](const char* kind, UINT message, WPARAM index) {
            char text[256] = "";
            TOOLINFOA ti = {};
            ti.cbSize = TTTOOLINFOA_V1_SIZE;
            ti.lpszText = text;
            if (SendMessageA(tip, message, index, reinterpret_cast<LPARAM>(&ti))) out += ToolLine(kind, ti, text);
        };
        const int count = int(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) ask("tool", TTM_ENUMTOOLSA, i);
        if (IsWindowVisible(tip)) ask("shown", TTM_GETCURRENTTOOLA, 0);
    }
    return out;
}

std::string Request() {
    std::string text;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, KORVPROBE_MAPPING_NAME);
    if (!mapping) return text;
    if (const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0))) {
        text.assign(view, strnlen(view, 260));
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return text;
}

std::string DescribeModule() {
    const std::string name = Request();
    if (name.empty()) return "error no question\n";
    return GetModuleHandleA(name.c_str()) ? "loaded 1\n" : "loaded 0\n";
}

// The free list hands out freed slots first, so taking more objects than it
// holds ends at (objects alive) + count: a leak raises the mark by its size.
std::string GdiHighWater() {
    const int count = atoi(Request().c_str());
    std::vector<HRGN> taken;
    taken.reserve(count > 0 ? count : 0);
    long highest = 0;
    for (int i = 0; i < count; ++i) {
        HRGN r = CreateRectRgn(0, 0, 1, 1);
        if (!r) break;
        taken.push_back(r);
        highest = std::max(highest, static_cast<long>(LOWORD(reinterpret_cast<ULONG_PTR>(r))));
    }
    for (HRGN r : taken) DeleteObject(r);
    if (static_cast<int>(taken.size()) < count) return "error only " + std::to_string(taken.size()) + " objects\n";
    return "highwater " + std::to_string(highest) + "\n";
}

// What a cursor looks like: hotspot, then size and bits of each of its
// bitmaps; empty when any of it cannot be read, so that two unreadable
// cursors never pass for the same. A copy of a cursor has a handle of its
// own but the same image.
std::string CursorImage(HCURSOR cursor) {
    ICONINFO info = {};
    if (!cursor || !GetIconInfo(cursor, &info)) return std::string();
    std::string image = std::to_string(info.xHotspot) + "," + std::to_string(info.yHotspot);
    bool whole = info.hbmMask != nullptr;
    for (HBITMAP bitmap : {info.hbmMask, info.hbmColor}) {
        if (!bitmap) continue;
        BITMAP bm = {};
        std::string bits;
        if (GetObjectA(bitmap, sizeof bm, &bm)) bits.resize(size_t(bm.bmWidthBytes) * size_t(bm.bmHeight));
        whole = whole && !bits.empty() && GetBitmapBits(bitmap, LONG(bits.size()), &bits[0]) == LONG(bits.size());
        image += " " + std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight) + "x" +
                 std::to_string(bm.bmBitsPixel) + ":" + bits;
        DeleteObject(bitmap);
    }
    return whole ? image : std::string();
}

// The hand the program borrows from the help viewer (its cursor 106), as the
// viewer in the Windows folder has it now; empty when it has none.
std::string HelpViewerHand() {
    char directory[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    HMODULE viewer = LoadLibraryA((std::string(directory) + "\\winhlp32.exe").c_str());
    if (!viewer) return std::string();
    const std::string image = CursorImage(LoadCursorA(viewer, MAKEINTRESOURCEA(106)));
    FreeLibrary(viewer);
    return image;
}

std::string DescribeCursor() {
    const HCURSOR now = GetCursor();
    const HMODULE program = GetModuleHandleA(nullptr);
    const char* name = "other";
    if (now == LoadCursorA(program, MAKEINTRESOURCEA(133))) {
        name = "drag";
    } else if (now == LoadCursorA(program, MAKEINTRESOURCEA(132))) {
        name = "hover";
    } else if (now == LoadCursorA(nullptr, IDC_ARROW)) {
        name = "arrow";
    } else if (now == nullptr) {
        name = "none";
    } else {
        const std::string hand = HelpViewerHand();
        if (!hand.empty() && CursorImage(now) == hand) name = "hand";
    }
    return std::string("cursor ") + name + "\n";
}

// One full repaint as the window receives it (erase, then paint, and what
// that sets off in the children) against one copy of the background picture
// (resource 146) onto the window's DC, each repeated and timed on this thread;
// then the window's own erase and paint alone, to tell the children's share.
// A window without the picture (the bench's empty dialog) is timed against a
// blit of a bitmap of the same size.
std::string BenchPaint(HWND hwnd) {
    const int repeats = std::max(1, atoi(Request().c_str()));
    UniqueBitmap picture(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(146)));
    WindowDC window(hwnd, WindowDC::Whole);
    if (!picture && window) picture.Reset(CreateCompatibleBitmap(window.Get(), 300, 255));
    MemoryDC memory(window.Get());
    if (!picture || !window || !memory) return "error no picture or DC\n";
    SelectObjectScope selected(memory.Get(), picture.Get());
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    // Milliseconds of one drawing, flushed.
    auto timed = [&](auto draw) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        draw();
        GdiFlush();
        QueryPerformanceCounter(&t1);
        return 1000.0 * double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);
    };
    const UINT repaint = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ERASENOW;
    std::vector<double> paints, blits, alone;
    for (int i = 0; i < repeats; ++i) {
        paints.push_back(timed([&] { RedrawWindow(hwnd, nullptr, nullptr, repaint); }));
        alone.push_back(timed([&] { RedrawWindow(hwnd, nullptr, nullptr, repaint | RDW_NOCHILDREN); }));
        blits.push_back(timed([&] { BitBlt(window.Get(), 0, 0, 300, 255, memory.Get(), 0, 0, SRCCOPY); }));
    }
    char line[128];
    snprintf(line, sizeof line, "paint %.4f blit %.4f alone %.4f\n", Median(paints), Median(blits), Median(alone));
    return line;
}

// The icon shown by the first static of the box that has one.
std::string DescribeBoxIcon(HWND box) {
    HICON shown = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child && !shown; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    if (!shown) return "icon none\n";
    const std::string image = CursorImage(shown);
    const struct {
        LPCSTR id;
        const char* name;
    } known[] = {{IDI_ASTERISK, "information"},
                 {IDI_EXCLAMATION, "exclamation"},
                 {IDI_HAND, "hand"},
                 {IDI_QUESTION, "question"}};
    for (const auto& k : known) {
        const HICON system = LoadIconA(nullptr, k.id);
        if (shown == system || (!image.empty() && image == CursorImage(system)))
            return std::string("icon ") + k.name + "\n";
    }
    return "icon other\n";
}

void Answer(const std::string& text) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, KORVPROBE_MAPPING_NAME);
    if (!mapping) return;
    if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, KORVPROBE_ANSWER_SIZE)) {
        const size_t n = text.size() < KORVPROBE_ANSWER_SIZE - 1 ? text.size() : KORVPROBE_ANSWER_SIZE - 1;
        memcpy(view, text.data(), n);
        static_cast<char*>(view)[n] = '\0';
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    if (HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, KORVPROBE_DONE_EVENT)) {
        SetEvent(done);
        CloseHandle(done);
    }
}

// Wine reads the display's events (pointer moves among them) only when the
// thread waits; a wait that times out at once reads those that are there and
// turns them into input. True when input is waiting in the queue afterwards.
bool ReadDisplayEvents() {
    MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
    return HIWORD(GetQueueStatus(QS_INPUT)) != 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK KorvProbeGetMsgProc(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT menuMsg = RegisterWindowMessageA(KORVPROBE_DUMP_SYSMENU_MSG);
    static const UINT moduleMsg = RegisterWindowMessageA(KORVPROBE_QUERY_MODULE_MSG);
    static const UINT toolTipsMsg = RegisterWindowMessageA(KORVPROBE_DUMP_TOOLTIPS_MSG);
    static const UINT gdiMsg = RegisterWindowMessageA(KORVPROBE_GDI_HIGH_WATER_MSG);
    static const UINT cursorMsg = RegisterWindowMessageA(KORVPROBE_CURSOR_MSG);
    static const UINT paintMsg = RegisterWindowMessageA(KORVPROBE_BENCH_PAINT_MSG);
    static const UINT timerMsg = RegisterWindowMessageA(KORVPROBE_KILL_TIMER_MSG);
    static const UINT idleMsg = RegisterWindowMessageA(KORVPROBE_IDLE_MSG);
    static const UINT boxMsg = RegisterWindowMessageA(KORVPROBE_MESSAGE_BOX_MSG);
    static const UINT iconMsg = RegisterWindowMessageA(KORVPROBE_BOX_ICON_MSG);
    static const UINT turnsMsg = RegisterWindowMessageA(KORVPROBE_TIMER_TURNS_MSG);
    static UINT_PTR idleTimer = 0;
    static unsigned long watchedTimer = 0, turnsLeft = 0;
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == menuMsg) Answer(DescribeSystemMenu(msg->hwnd));
        if (msg->message == moduleMsg) Answer(DescribeModule());
        if (msg->message == toolTipsMsg) Answer(DescribeToolTips(msg->hwnd));
        if (msg->message == gdiMsg) Answer(GdiHighWater());
        if (msg->message == cursorMsg) Answer(DescribeCursor());
        if (msg->message == paintMsg) Answer(BenchPaint(msg->hwnd));
        if (msg->message == timerMsg)
            Answer(KillTimer(msg->hwnd, strtoul(Request().c_str(), nullptr, 10)) ? "killed 1\n" : "killed 0\n");
        if (msg->message == idleMsg && !idleTimer) {
            ReadDisplayEvents();
            idleTimer = SetTimer(nullptr, 0, 1, nullptr);
        }
        // The display's events are not in the queue until read, so the timer
        // can come first: read them, and answer on a later turn if they made input.
        if (msg->message == WM_TIMER && !msg->hwnd && idleTimer && msg->wParam == idleTimer && !ReadDisplayEvents()) {
            KillTimer(nullptr, idleTimer);
            idleTimer = 0;
            Answer("idle\n");
        }
        if (msg->message == turnsMsg && sscanf(Request().c_str(), "%lu %lu", &watchedTimer, &turnsLeft) != 2)
            turnsLeft = 0;
        if (msg->message == WM_TIMER && msg->hwnd && turnsLeft && msg->wParam == watchedTimer && --turnsLeft == 0)
            Answer("turns\n");
        if (msg->message == iconMsg) Answer(DescribeBoxIcon(msg->hwnd));
        if (msg->message == boxMsg) {
            Answer("box\n");
            MessageBoxA(msg->hwnd, "A box from inside the program", "KorvProbe", MB_OK);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
