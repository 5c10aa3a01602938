// Settings of the console: read and applied at start, written at close.
#include "console/KorvaneDlg.h"

#include "settings/SettingsStore.h"

BOOL CKorvaneDlg::LoadSettings() {
    CSettingsStore store;
    if (!store.Open()) return FALSE;

    // Each value reaches its control and the engine before the next is read.
    long v = static_cast<long>(store.Read(Settings::k3DVolume));
    m_knob3D.SetValue(v);
    Apply3D(v);

    v = static_cast<long>(store.Read(Settings::kVibeVolume));
    m_knobVibe.SetValue(v);
    ApplyVibe(v);

    v = static_cast<long>(store.Read(Settings::kSoundfieldsVolume));
    m_knobSoundfields.SetValue(v);
    ApplySoundfields(v);

    v = static_cast<long>(store.Read(Settings::kHeadphonesEnabled));
    m_btnHeadphones.SetValue(v);
    ApplyHeadphones();  // also re-sends the 3D level in the right form

    m_bMiniMode = static_cast<int>(store.Read(Settings::kUiMinimized));
    return TRUE;
}

BOOL CKorvaneDlg::SaveSettings() {
    CSettingsStore store;
    if (!store.Open()) return FALSE;
    store.Write(Settings::k3DVolume, static_cast<uint32_t>(m_knob3D.GetValue()));
    store.Write(Settings::kVibeVolume, static_cast<uint32_t>(m_knobVibe.GetValue()));
    store.Write(Settings::kSoundfieldsVolume, static_cast<uint32_t>(m_knobSoundfields.GetValue()));
    store.Write(Settings::kHeadphonesEnabled, static_cast<uint32_t>(m_btnHeadphones.GetValue()));
    store.Write(Settings::kUiMinimized, static_cast<uint32_t>(m_bMiniMode));
    return TRUE;
}
