// The console: the one main window. Owns the skin controls, the channels to
// the audio engine, the window mode and the drag state.
#pragma once

#include "console/PushButton.h"
#include "console/RotateButton.h"
#include "engine/EngineChannels.h"
#include "framework/Dialog.h"
#include "framework/EventSinkMap.h"
#include "framework/GdiObject.h"
#include "framework/MessageMap.h"
#include "framework/ToolTipCtrl.h"
#include "skin/RegionCache.h"
#include "skin/SkinBitmap.h"
#include "skin/SkinRegion.h"

class CKorvaneDlg : public CDialog {
public:
    explicit CKorvaneDlg(CWnd* parent = nullptr);
    ~CKorvaneDlg() override;

    // Effect operations: control positions to engine messages.
    void Apply3D(long value);
    void ApplyVibe(long value);
    void ApplySoundfields(long value);
    void ApplyHeadphones();
    void SendToEngine(const EngineMessage* messages, std::size_t count);
    // Called by the About window's trackbar.
    void AdjustMasterVolume(int position);

    BOOL LoadSettings();
    BOOL SaveSettings();
    void SetMiniMode();
    void SetFullMode();

    CRotateButton m_knob3D;
    CRotateButton m_knobVibe;
    CRotateButton m_knobSoundfields;
    CPushButton m_btnHeadphones;
    int m_bMiniMode = 0;
    BOOL m_bDragging = FALSE;
    HICON m_hIcon = nullptr;
    UniqueRegion m_rgnDrag;
    POINT m_ptDragOffset = {0, 0};
    UniqueRegion m_rgnLink;
    CEngineChannels m_engine;  // m_hVxdDriver, m_hWDMDriver and the wave hook entries
    HACCEL m_hAccel = nullptr;
    CRegionCache m_outlines{RegionFromSkinBitmap};  // the paint's outlines, traced once per form
    CSkinBitmap m_background;                       // loaded at the first erase, kept for the window's life
    UINT m_shapedOutline = 0;                       // the outline the window has from the paint, 0 none yet
    bool m_bAnimationShaped = false;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnSkinEvent(int controlId, const SkinEventArgs& args) override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;

private:
    static const MessageMapEntry<CKorvaneDlg> s_messageMap[];
    static const EventSinkEntry<CKorvaneDlg> s_eventSinkMap[];

    // Window messages.
    LRESULT OnSysCommandMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaintMsg(WPARAM, LPARAM);
    LRESULT OnQueryDragIconMsg(WPARAM, LPARAM);
    LRESULT OnEraseBkgndMsg(WPARAM wParam, LPARAM);
    LRESULT OnCreateMsg(WPARAM, LPARAM lParam);
    LRESULT OnDestroyMsg(WPARAM, LPARAM);
    LRESULT OnSetCursorMsg(WPARAM, LPARAM);
    LRESULT OnLButtonDownMsg(WPARAM, LPARAM lParam);
    LRESULT OnLButtonUpMsg(WPARAM, LPARAM lParam);
    LRESULT OnMouseMoveMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChangedMsg(WPARAM, LPARAM lParam);
    LRESULT OnRButtonMsg(WPARAM, LPARAM lParam);
    LRESULT OnLButtonDblClkMsg(WPARAM, LPARAM lParam);
    LRESULT OnMouseWheelMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimerMsg(WPARAM wParam, LPARAM);
    LRESULT OnStepCommandMsg(WPARAM wParam, LPARAM);

    void OnSysCommand(UINT id, LPARAM lParam);
    void OnDestroy();
    void OnTimer(UINT_PTR id);
    void OnStepCommand(UINT id);
    void AppendSystemMenuItems();

    // Skin: the window's outline, picture, drag handle and link area.
    BOOL OnEraseBkgnd(HDC hdc);
    void OnPaint();
    int OnCreate(const CREATESTRUCTA* create);
    void ApplyInitialShape();
    bool InDragArea(POINT p) const;
    bool InLinkArea(POINT p) const;

    // Keyboard and screen-reader access: only the current form's controls
    // take the focus; tooltips and window texts tell each control's level.
    void ShowFormControls();
    void CreateToolTips();
    void RefreshControlTexts();
    void RelayToolTipEvent(MSG* msg);
    void NoteKeyboardUse(const MSG* msg);

    CToolTipCtrl m_toolTip;
    bool m_bKeyboardCues = false;  // systems without a keyboard-cue state: Tab was pressed

    // Control events.
    void OnKnob3DEvent(const SkinEventArgs& args);
    void OnKnobSoundfieldsEvent(const SkinEventArgs& args);
    void OnKnobVibeEvent(const SkinEventArgs& args);
    void OnHeadphonesEvent(const SkinEventArgs& args);
    void OnCloseEvent(const SkinEventArgs& args);
    void OnFullModeEvent(const SkinEventArgs& args);
    void OnMiniModeEvent(const SkinEventArgs& args);
};
