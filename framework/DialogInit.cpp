#include "framework/DialogInit.h"

#include "framework/DlgInitParser.h"
#include "skinctl/SkinProtocol.h"

static const char* const RT_DLGINIT_TYPE = MAKEINTRESOURCEA(240);

DialogInit::DialogInit(HINSTANCE instance, UINT templateId) {
    HRSRC res = FindResourceA(instance, MAKEINTRESOURCEA(templateId), RT_DLGINIT_TYPE);
    if (!res) return;
    HGLOBAL loaded = LoadResource(instance, res);
    if (!loaded) return;
    m_data = static_cast<const uint8_t*>(LockResource(loaded));
    m_size = m_data ? SizeofResource(instance, res) : 0;
}

int DialogInit::Deliver(HWND dialog) const {
    int taken = 0;
    for (const DlgInitEntry& e : ParseDlgInit(m_data, m_size)) {
        if (e.message != DLGINIT_LOADFROMSTREAM) continue;
        HWND child = GetDlgItem(dialog, e.controlId);
        if (!child) continue;
        if (SendMessageA(child, SKM_LOADSTATE, e.length, reinterpret_cast<LPARAM>(e.data))) ++taken;
    }
    return taken;
}
