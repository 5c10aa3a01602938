// What the three skin control classes share: registration, the one entry
// function per class that owns the control object, event 1, resizing.
#pragma once

#include <windows.h>

#include <new>

#include "skinctl/SkinProtocol.h"

namespace skinctl {

// Registers `name` once for `instance`, with any class styles of its own
// added; true when the class exists afterwards.
bool RegisterSkinClass(HINSTANCE instance, const char* name, WNDPROC proc, UINT extraStyle = 0);

// Sends event 1 to the parent as WM_NOTIFY / SKN_EVENT. Call it last in a
// handler: the parent may destroy the control while handling the event.
void FireSkinEvent(HWND control, int32_t argc, const int32_t* argv);

// Gives the control a new size and keeps its position.
void ResizeControl(HWND control, int width, int height);

// The control object lives in the window's extra bytes.
void* GetControlObject(HWND hwnd);
void SetControlObject(HWND hwnd, void* object);

// Entry function of a control class T (T(HWND), LRESULT T::Handle(UINT,
// WPARAM, LPARAM)): the object is made at WM_NCCREATE and deleted at
// WM_NCDESTROY, and every message in between goes to it.
template <class T>
LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    T* self = static_cast<T*>(GetControlObject(hwnd));
    if (msg == WM_NCCREATE && self == nullptr) {
        self = new (std::nothrow) T(hwnd);
        if (self == nullptr) return FALSE;
        SetControlObject(hwnd, self);
    }
    if (self == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetControlObject(hwnd, nullptr);
        delete self;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return self->Handle(msg, wParam, lParam);
}

}  // namespace skinctl
