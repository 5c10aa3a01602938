// Application base: the one application object, its start (InitInstance)
// and end (ExitInstance). A FALSE from InitInstance ends the process without
// a message loop of its own.
#pragma once

#include "framework/Wnd.h"

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    static CWinApp* GetApp() { return s_pApp; }
    static HINSTANCE GetInstanceHandle() { return s_hInstance; }

    CWnd* m_pMainWnd = nullptr;

    // The entry: runs the application object's life; returns the exit code.
    static int Run(HINSTANCE instance);

protected:
    // Makes the skin controls available to dialog templates.
    void EnableControlContainer();
    // The common controls' look (trackbar, tooltips).
    void Enable3dControls();

private:
    static CWinApp* s_pApp;
    static HINSTANCE s_hInstance;
};
