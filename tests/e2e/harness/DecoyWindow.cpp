#include "DecoyWindow.h"

#include "InputDriver.h"
#include "Wait.h"

namespace {
const char kClass[] = "KorvaneE2eDecoy";
}

DecoyWindow::DecoyWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);  // fails harmlessly when already registered
    m_hwnd = CreateWindowExA(0, kClass, "e2e decoy", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 400, 200, 120, nullptr,
                             nullptr, wc.hInstance, nullptr);
    PumpOwnMessages();
}

DecoyWindow::~DecoyWindow() {
    if (m_hwnd) DestroyWindow(m_hwnd);
    PumpOwnMessages();
}

bool DecoyWindow::TakeForeground(DWORD timeoutMs) {
    return m_hwnd && InputDriver::Activate(m_hwnd, timeoutMs);
}
