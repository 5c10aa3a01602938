#include "skinctl/SkinWindow.h"

#include "skinctl/SkinEvent.h"

namespace skinctl {

bool RegisterSkinClass(HINSTANCE instance, const char* name, WNDPROC proc, UINT extraStyle) {
    WNDCLASSA existing;
    if (GetClassInfoA(instance, name, &existing)) return true;
    WNDCLASSA wc = {};
    // No CS_DBLCLKS: quick clicks on a button must each count as a click.
    wc.style = CS_HREDRAW | CS_VREDRAW | extraStyle;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

void FireSkinEvent(HWND control, int32_t argc, const int32_t* argv) {
    HWND parent = GetParent(control);
    if (parent == nullptr) return;
    SkinEvent event = {};
    event.hdr.hwndFrom = control;
    event.hdr.idFrom = UINT_PTR(GetDlgCtrlID(control));
    event.hdr.code = SKN_EVENT;
    event.args.event = SKIN_EVENT_CHANGE;
    event.args.argc = argc < 0 ? 0 : argc > SKIN_EVENT_MAX_ARGS ? SKIN_EVENT_MAX_ARGS : argc;
    for (int32_t i = 0; i < event.args.argc; ++i) event.args.argv[i] = argv[i];
    SendMessageA(parent, WM_NOTIFY, WPARAM(event.hdr.idFrom), LPARAM(&event));
}

void ResizeControl(HWND control, int width, int height) {
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void* GetControlObject(HWND hwnd) {
    return reinterpret_cast<void*>(GetWindowLongPtrA(hwnd, 0));
}

void SetControlObject(HWND hwnd, void* object) {
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(object));
}

}  // namespace skinctl
