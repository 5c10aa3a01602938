#include "app/KorvaneApp.h"

// The one application object, constructed before the entry runs.
static CKorvaneApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return CWinApp::Run(instance);
}
