// A parent window for skin controls in tests: records every event 1 together
// with the control's property 1 as read inside the handler and the pointer
// moves it gets, and forwards a
// wheel message it gets to the child under the pointer as the console does.
#pragma once

#include <windows.h>

#include <vector>

struct RecordedEvent {
    HWND from;
    UINT_PTR id;
    int argc;
    int argv0;
    LRESULT propertyInHandler;
};

class TestHost {
public:
    static const COLORREF kBackground;  // magenta: easy to tell from any control

    TestHost();
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    HWND AddControl(const char* className, int id, int x, int y, int width, int height);

    std::vector<RecordedEvent> events;
    // Screen places of the pointer moves the host itself got (not its children's).
    std::vector<POINT> moves;
    int eventsWithBadHeader = 0;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnNotify(const NMHDR* hdr);
    void OnMouseWheel(WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};
