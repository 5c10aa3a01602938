// The About window: product information, the web link and the master volume
// trackbar, which hands every move to the console.
#pragma once

#include "about/HyperLink.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "framework/SliderCtrl.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent);

    CSliderCtrl m_slider;
    CHyperLink m_link;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    static const MessageMapEntry<CAboutDlg> s_messageMap[];

    LRESULT OnHScrollMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroyMsg(WPARAM, LPARAM);
    void OnHScroll(UINT code, UINT position, HWND scrollBar);
};
