#include "app/KorvaneApp.h"

#include "console/KorvaneDlg.h"
#include "framework/OsVersion.h"
#include "framework/ProcAddress.h"

static const char* const kMutexName = "{D6B8A211-00B7-4fe9-877B-2AF6EC9F21E6}";
static const char* const kTitle = " Korvane ";
static const char* const kRestartText =
    "Unterst\xFCtzung f\xFCr neues Ausgabeger\xE4t ist nun installiert.\n"
    "Sie m\xFCssen Ihren Rechner neu starten, damit das neue Ausgabeger\xE4t arbeiten kann.\n\n"
    "Klicken Sie auf OK zur Best\xE4tigung.";
static const char* const kNoDirectXText =
    "DirectX konnte nicht gefunden werden!\nInstallieren Sie bitte DirectX und starten Sie neu.\n\n"
    "Klicken Sie auf OK zur Best\xE4tigung.";

BOOL CKorvaneApp::InitInstance() {
    m_hMutex = CreateMutexA(nullptr, TRUE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND running = FindWindowA(nullptr, kTitle);
        if (running) SetForegroundWindow(running);
        return FALSE;
    }

    // Before the console: its template holds the skin controls.
    EnableControlContainer();
    Enable3dControls();

    OSVERSIONINFOA version = ReadOsVersion();
    bool newer = version.dwPlatformId == VER_PLATFORM_WIN32_NT ||
                 (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS &&
                  (version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 && version.dwMinorVersion > 0)));
    if (newer ? !PrepareFilter() : !CheckDirectSound()) return FALSE;

    CKorvaneDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

bool CKorvaneApp::PrepareFilter() {
    typedef int(WINAPI * InstallFnc)(void);
    HMODULE installer = LoadLibraryA("QuorInst.dll");  // stays loaded
    if (!installer) return true;
    InstallFnc installEntries = GetProcAs<InstallFnc>(installer, "InstallDriverRegEntries");
    InstallFnc installFilter = GetProcAs<InstallFnc>(installer, "InstallFilterOverSoundDrivers");
    if (!installEntries || !installFilter) return true;
    installEntries();
    if (installFilter() != 1) return true;
    MessageBoxA(nullptr, kRestartText, kTitle, MB_OK | MB_ICONINFORMATION);
    return false;
}

bool CKorvaneApp::CheckDirectSound() {
    if (LoadLibraryA("DSound.dll")) return true;  // only its presence matters
    MessageBoxA(nullptr, kNoDirectXText, kTitle, MB_ICONINFORMATION);
    return false;
}

int CKorvaneApp::ExitInstance() {
    if (m_hMutex) ReleaseMutex(m_hMutex);
    return CWinApp::ExitInstance();
}
