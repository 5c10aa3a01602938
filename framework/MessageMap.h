// A message table per window class: each entry names a message (and for
// WM_COMMAND a range of command ids) and the small member that handles it.
// Handlers take the raw wParam/lParam and decode them once.
#pragma once

#include <windows.h>

#include <cstddef>

template <class T>
struct MessageMapEntry {
    UINT message;
    UINT idFirst;  // WM_COMMAND only: command id range; ignored otherwise
    UINT idLast;
    LRESULT (T::*handler)(WPARAM, LPARAM);
};

// Calls the first matching entry. Returns false when no entry matches.
template <class T, std::size_t N>
bool DispatchMessageMap(T* self, const MessageMapEntry<T> (&map)[N], UINT msg, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) {
    for (const MessageMapEntry<T>& e : map) {
        if (e.message != msg) continue;
        if (msg == WM_COMMAND) {
            UINT id = LOWORD(wParam);
            if (id < e.idFirst || id > e.idLast) continue;
        }
        result = (self->*e.handler)(wParam, lParam);
        return true;
    }
    return false;
}
