// A static text that is a web link: underlined, sized to its text, coloured
// by state (link, hot under the pointer, visited), a hand cursor when one
// can be had, the address as its tooltip, and a click opens the address.
// The address is the control's text; binding it to a dialog item with
// DDX_Control is all it needs.
#pragma once

#include "framework/GdiObject.h"
#include "framework/MessageMap.h"
#include "framework/Static.h"
#include "framework/ToolTipCtrl.h"

#include <string>

class CHyperLink : public CStatic {
public:
    CHyperLink();
    // Lets the window go first, should it outlive the object.
    ~CHyperLink() override;

    BOOL PreTranslateMessage(MSG* msg) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

protected:
    void PreSubclassWindow() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    void SizeToText();
    void LoadHandCursor();
    void SetLinkVisited(BOOL visited);
    void OnLinkClicked();
    void ShowOpenError(int code) const;
    HBRUSH OnCtlColor(HDC hdc) const;
    static INT_PTR OpenLink(const std::string& address, int show);
    static LONG ReadKeyDefault(HKEY root, const char* subkey, char* dest, size_t destSize);

    COLORREF m_clrLink;
    COLORREF m_clrVisited;
    COLORREF m_clrHot;
    BOOL m_bHot;
    BOOL m_bLinkVisited;
    BOOL m_bUnderlineText;
    BOOL m_bSizeToText;
    // Declared in reverse order of their end: the font goes first, then the
    // tooltip window, then the address.
    std::string m_strLink;
    CToolTipCtrl m_wndTip;
    UniqueFont m_fontLink;
    HCURSOR m_hHandCursor;

private:
    LRESULT OnMouseMoveMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursorMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChangedMsg(WPARAM wParam, LPARAM lParam);

    static const MessageMapEntry<CHyperLink> s_messageMap[];
};
