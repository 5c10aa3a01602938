// A C++ object that takes over an existing child window (a dialog item):
// one static window procedure finds the object through a window property and
// hands each message to its message map; what the map leaves goes on to the
// window's own procedure. The dialog offers the object its notifications
// first (reflection) and its queued messages before translation.
#pragma once

#include "framework/Wnd.h"

class CSubclassWnd : public CWnd {
public:
    CSubclassWnd() = default;
    // Gives the window its own procedure back if it outlives the object.
    ~CSubclassWnd() override;

    // PreSubclassWindow runs first, with the window's own procedure still in
    // place; then the object receives the window's messages. FALSE when the
    // window is missing, this object already has one, or another object
    // holds the window.
    BOOL SubclassWindow(HWND hwnd);
    // Puts the original procedure back and lets the window go.
    HWND UnsubclassWindow();

    // The object holding a window of this process, or nullptr.
    static CSubclassWnd* FromHandle(HWND hwnd);

    // Queued messages for this window, before the dialog's own translation;
    // TRUE consumes the message.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // A notification the parent received from this window (WM_COMMAND,
    // WM_CTLCOLORSTATIC); true when the object answers it with result.
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

protected:
    virtual void PreSubclassWindow();
    // The message-map accessor: true when the class handled the message.
    virtual bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // From a handler: pass the current message on to the window's own
    // procedure as well; its result is the one returned.
    void Default() { m_bDefaultRequested = true; }
    // The window's own procedure, now.
    LRESULT CallOriginalProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnOriginalProc = nullptr;
    bool m_bDefaultRequested = false;
};
