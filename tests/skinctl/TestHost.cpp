#include "TestHost.h"

#include "skinctl/SkinEvent.h"

const COLORREF TestHost::kBackground = RGB(255, 0, 255);

namespace {
const char kHostClass[] = "KorvaneSkinctlTestHost";
}

TestHost::TestHost() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, kHostClass, &wc)) {
        wc.lpfnWndProc = WndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = CreateSolidBrush(kBackground);
        wc.lpszClassName = kHostClass;
        RegisterClassA(&wc);
    }
    // No caption or frame: client and window coordinates agree.
    m_hwnd = CreateWindowExA(0, kHostClass, "skinctl test", WS_POPUP | WS_VISIBLE, 100, 100, 420, 300, nullptr, nullptr,
                             instance, this);
}

TestHost::~TestHost() {
    if (m_hwnd) DestroyWindow(m_hwnd);
}

HWND TestHost::AddControl(const char* className, int id, int x, int y, int width, int height) {
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, x, y, width, height, m_hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

LRESULT CALLBACK TestHost::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        if (msg == WM_NOTIFY) {
            self->OnNotify(reinterpret_cast<const NMHDR*>(lParam));
            return 0;
        }
        if (msg == WM_MOUSEMOVE) {
            POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(hwnd, &pt);
            self->moves.push_back(pt);
        }
        if (msg == WM_MOUSEWHEEL) {
            self->OnMouseWheel(wParam, lParam);
            return 0;
        }
        if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void TestHost::OnNotify(const NMHDR* hdr) {
    if (hdr->code != SKN_EVENT) return;
    const auto* event = reinterpret_cast<const SkinEvent*>(hdr);
    if (event->args.event != SKIN_EVENT_CHANGE || hdr->idFrom != UINT_PTR(GetDlgCtrlID(hdr->hwndFrom)))
        ++eventsWithBadHeader;
    RecordedEvent record;
    record.from = hdr->hwndFrom;
    record.id = hdr->idFrom;
    record.argc = event->args.argc;
    record.argv0 = event->args.argc > 0 ? event->args.argv[0] : -1;
    record.propertyInHandler = SendMessageA(hdr->hwndFrom, SKM_GETPROPERTY, SKIN_PROPERTY_VALUE, 0);
    events.push_back(record);
}

void TestHost::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};  // screen
    ScreenToClient(m_hwnd, &pt);
    HWND child = ChildWindowFromPointEx(m_hwnd, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (child && child != m_hwnd) SendMessageA(child, WM_MOUSEWHEEL, wParam, lParam);
}
