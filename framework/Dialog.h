// Modal dialog base. One static dialog procedure stores the object and hands
// every message to the derived class's message map; skin control events go
// through its event sink map. Notifications from a child held by an object
// (CSubclassWnd) go to that object first. The modal loop is our own, so that
// PreTranslateMessage (the child's object's, then the dialog's) sees each
// message before the dialog does.
#pragma once

#include "framework/DataExchange.h"
#include "framework/Wnd.h"
#include "skinctl/SkinProtocol.h"

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, CWnd* parent);
    ~CDialog() override;

    // Creates the dialog, runs its modal loop, destroys it; returns the end code.
    INT_PTR DoModal();
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    CWnd* GetParent() const { return m_pParentWnd; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    // The message-map accessor: true when the class handled the message.
    virtual bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The event-sink-map accessor: true when an entry took the event.
    virtual bool OnSkinEvent(int controlId, const SkinEventArgs& args);
    // From a handler: let the system's default dialog processing handle the
    // current message as well.
    void Default() { m_bDefaultRequested = true; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // WM_CREATE reaches the system's dialog window procedure before the
    // dialog procedure is attached; a creation hook subclasses the new
    // window for that one message.
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleCreate(HWND hwnd, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleInitDialog();
    void CenterWindow();
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleCommand(WPARAM wParam);
    bool HandleNotify(LPARAM lParam);
    void ExecuteDlgInit();
    void RunModalLoop();

    static CDialog* s_pCreating;
    static HHOOK s_hCreationHook;
    WNDPROC m_pfnSystemProc = nullptr;  // while the window is being created
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModalDone = false;
    bool m_bDefaultRequested = false;
    INT_PTR m_nModalResult = -1;
};
