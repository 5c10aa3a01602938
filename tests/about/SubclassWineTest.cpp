// The framework's subclassing under Wine: when messages reach the object,
// Default(), pre-translation before the dialog's, letting the window go.
#include "LinkTestDialog.h"

#include <gtest/gtest.h>

#include <string>

namespace {
const UINT kProbeMsg = WM_APP + 5;
const UINT kConsumedMsg = WM_APP + 9;  // taken by the probe's PreTranslateMessage
const LRESULT kOwnLength = 99;

class Probe : public CStatic {
public:
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == kConsumedMsg) m_events += "consumed;";
        return msg->message == kConsumedMsg;
    }
    std::string m_events;
    bool m_bAskDefault = false;

protected:
    void PreSubclassWindow() override {
        m_events += "pre;";
        Send(kProbeMsg);  // must reach the static's own procedure only
    }
    bool OnWndMsg(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg == kProbeMsg) m_events += "probe;";
        if (msg == kConsumedMsg) m_events += "dispatched;";
        if (msg != WM_GETTEXTLENGTH) return false;
        if (m_bAskDefault) Default();
        result = kOwnLength;
        return true;
    }
};

LONG_PTR ProcOf(HWND hwnd) {
    return GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
}
}  // namespace

TEST(SubclassWnd, TheObjectGetsMessagesAfterPreSubclassWindowAndBeforeTheDialog) {
    Probe probe;
    LinkTestDialog dlg({[&](LinkTestDialog& d) {
                            HWND plain = d.Item(IDC_TEST_PLAIN);
                            EXPECT_EQ(d.m_plain.GetSafeHwnd(), plain);  // bound as a plain wrapper: not taken
                            EXPECT_EQ(CSubclassWnd::FromHandle(plain), nullptr);
                            ASSERT_TRUE(probe.SubclassWindow(plain));
                            EXPECT_EQ(CSubclassWnd::FromHandle(plain), &probe);
                            SendMessageA(plain, kProbeMsg, 0, 0);
                            EXPECT_EQ(probe.m_events, "pre;probe;");
                            EXPECT_EQ(SendMessageA(plain, WM_GETTEXTLENGTH, 0, 0), kOwnLength);
                            probe.m_bAskDefault = true;
                            EXPECT_EQ(SendMessageA(plain, WM_GETTEXTLENGTH, 0, 0), 5);  // "plain"
                            // The dialog would dispatch it (IsDialogMessage) if it came first.
                            probe.m_events.clear();
                            PostMessageA(plain, kConsumedMsg, 0, 0);
                        },
                        [&](LinkTestDialog&) { EXPECT_EQ(probe.m_events, "consumed;"); }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST(SubclassWnd, LettingGoRestoresTheWindowsOwnProcedure) {
    LinkTestDialog dlg({[](LinkTestDialog& d) {
        HWND plain = d.Item(IDC_TEST_PLAIN);
        const LONG_PTR own = ProcOf(plain);
        CStatic first, second;
        ASSERT_TRUE(first.SubclassWindow(plain));
        EXPECT_NE(ProcOf(plain), own);
        EXPECT_FALSE(second.SubclassWindow(plain));  // one object per window
        EXPECT_EQ(first.UnsubclassWindow(), plain);
        EXPECT_EQ(ProcOf(plain), own);
        {
            CStatic shortLived;
            ASSERT_TRUE(shortLived.SubclassWindow(plain));
        }
        EXPECT_EQ(ProcOf(plain), own);  // the object went first
        EXPECT_EQ(CSubclassWnd::FromHandle(plain), nullptr);
        DestroyWindow(d.Item(IDC_TEST_LINK));
        EXPECT_EQ(d.m_link.GetSafeHwnd(), nullptr);  // the window went first
    }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
}
