// The application object: one copy at a time, the platform prepared, then
// the console run modally.
#pragma once

#include "framework/WinApp.h"

class CKorvaneApp : public CWinApp {
public:
    CKorvaneApp() = default;

    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    // Newer systems: install the audio filter; false when a restart is needed.
    bool PrepareFilter();
    // Windows 95: DirectSound must be there; false when it is not.
    bool CheckDirectSound();

    HANDLE m_hMutex = nullptr;  // released at exit, closed by the process end
};
