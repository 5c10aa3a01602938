// Data exchange between a dialog's controls and its wrapper members.
#pragma once

#include "framework/SubclassWnd.h"
#include "framework/Wnd.h"

class CDataExchange {
public:
    CDataExchange(HWND dialog, bool saveAndValidate) : m_hDialog(dialog), m_bSaveAndValidate(saveAndValidate) {}
    HWND m_hDialog;
    bool m_bSaveAndValidate;  // true: controls to members; false: members to controls
};

// Binds a wrapper to the dialog's child with the given id.
inline void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (!control.m_hWnd) control.Attach(::GetDlgItem(pDX->m_hDialog, id));
}

// Binds an object that takes over the dialog's child with the given id: from
// then on it receives the child's messages and notifications.
inline void DDX_Control(CDataExchange* pDX, int id, CSubclassWnd& control) {
    if (!control.m_hWnd) control.SubclassWindow(::GetDlgItem(pDX->m_hDialog, id));
}
