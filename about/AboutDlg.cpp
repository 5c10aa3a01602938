#include "about/AboutDlg.h"

#include "console/Resource.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

// The master volume trackbar and the hyperlink are wired in later; the
// window already shows its texts and closes with OK, Escape or its close box.
BOOL CAboutDlg::OnInitDialog() { return CDialog::OnInitDialog(); }
