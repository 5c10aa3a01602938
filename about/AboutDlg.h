// The About window: product information, master volume and the web link.
#pragma once

#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent);

protected:
    BOOL OnInitDialog() override;
};
