// The baseline of the start-up and idle figures of `make bench`: an empty
// modal dialog of the console's size and styles, run by the same framework
// the same way (application object, control container, modal loop).
#include "framework/Dialog.h"
#include "framework/WinApp.h"

namespace {

class CEmptyDlg : public CDialog {
public:
    CEmptyDlg() : CDialog(100, nullptr) {}
};

class CEmptyApp : public CWinApp {
public:
    BOOL InitInstance() override {
        EnableControlContainer();
        Enable3dControls();
        CEmptyDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        return FALSE;
    }
};

CEmptyApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return CWinApp::Run(instance);
}
