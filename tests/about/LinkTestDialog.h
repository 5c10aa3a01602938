// The test dialog: two hyperlinks and a static bound as a plain wrapper. The
// test body is a list of steps, each run from the dialog's own modal loop
// after what the one before posted has gone through it; then the OK button's
// command ends the dialog with IDOK (IDABORT after a minute).
#pragma once

#include "about/HyperLink.h"
#include "framework/Dialog.h"

#include <functional>
#include <vector>

enum { IDD_LINK_TEST = 100, IDC_TEST_LINK = 1016, IDC_TEST_BADLINK = 1017, IDC_TEST_PLAIN = 1019 };

class LinkTestDialog : public CDialog {
public:
    using Step = std::function<void(LinkTestDialog&)>;
    explicit LinkTestDialog(std::vector<Step> steps) : CDialog(IDD_LINK_TEST, nullptr), m_steps(std::move(steps)) {}

    HWND Item(int id) const { return GetDlgItem(id); }

    CHyperLink m_link;
    CHyperLink m_badLink;
    CWnd m_plain;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    std::vector<Step> m_steps;
    size_t m_next = 0;
};
