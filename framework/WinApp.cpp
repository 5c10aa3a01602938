#include "framework/WinApp.h"

#include "skinctl/SkinControls.h"

#include <commctrl.h>
#include <float.h>

CWinApp* CWinApp::s_pApp = nullptr;
HINSTANCE CWinApp::s_hInstance = nullptr;

CWinApp::CWinApp() {
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (s_pApp == this) s_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

void CWinApp::EnableControlContainer() {
    RegisterSkinControls(s_hInstance);
}

void CWinApp::Enable3dControls() {
    InitCommonControls();
}

int CWinApp::Run(HINSTANCE instance) {
    // The effect arithmetic assumes 53-bit x87 precision (double), whatever
    // the runtime's start-up code left.
    _controlfp(_PC_53, _MCW_PC);
    s_hInstance = instance;
    CWinApp* app = s_pApp;
    if (!app) return 1;
    int exitCode = 0;
    if (app->InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        exitCode = int(msg.wParam);
    }
    int code = app->ExitInstance();
    return exitCode ? exitCode : code;
}
