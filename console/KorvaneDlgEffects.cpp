// Effect operations of the console: control positions to engine messages.
#include "console/KorvaneDlg.h"

#include "console/Resource.h"
#include "engine/ControlCodes.h"
#include "engine/EffectMath.h"
#include "fault/FaultGuard.h"
#include "framework/RegKey.h"
#include "settings/SettingsRules.h"

void CKorvaneDlg::SendToEngine(const EngineMessage* messages, std::size_t count) {
    m_engine.Send(messages, count);
}

void CKorvaneDlg::Apply3D(long value) {
    if (m_btnHeadphones.GetValue()) {
        EngineMessage level = EngineMessage::Int(IOCTL_HEADPHONES_3D_LEVEL, EffectMath::HeadphonesLevel(value));
        SendToEngine(&level, 1);
        return;
    }
    const EngineMessage levels[] = {
        EngineMessage::Float(IOCTL_3D_LEVEL, EffectMath::Level3D(value)),
        EngineMessage::Float(IOCTL_3D_LEVEL_SCALED, EffectMath::Level3DScaled(value)),
    };
    SendToEngine(levels, 2);
}

// The level comes from the knob itself; the argument is not used.
void CKorvaneDlg::ApplyVibe(long) {
    float level = EffectMath::KnobLevel(m_knobVibe.GetValue());
    const EngineMessage levels[] = {
        EngineMessage::Float(IOCTL_VIBE_LEVEL_2, level),
        EngineMessage::Float(IOCTL_VIBE_LEVEL_3, level),
        EngineMessage::Float(IOCTL_VIBE_LEVEL_1, level),
    };
    SendToEngine(levels, 3);
}

// A failing send must not take the console down: neither an exception nor a
// processor fault inside the engine's channels (the wave hook's control entry
// runs code we do not control). The C++ catch stays inside the fault guard,
// so that no exception ever unwinds through the guard's frame.
void CKorvaneDlg::ApplySoundfields(long) {
    const long position = m_knobSoundfields.GetValue();
    auto send = [&] {
        try {
            EngineMessage level = EngineMessage::Float(IOCTL_SOUNDFIELDS_LEVEL, EffectMath::KnobLevel(position));
            SendToEngine(&level, 1);
        } catch (...) {
        }
    };
    fault::FaultGuard::Call(send);
}

void CKorvaneDlg::ApplyHeadphones() {
    BOOL on = m_btnHeadphones.GetValue();
    const EngineMessage modes[] = {
        EngineMessage::Int(IOCTL_HEADPHONES_ENABLE, on ? 1 : 0),
        EngineMessage::Int(IOCTL_3D_ENABLE, on ? 0 : 1),
    };
    SendToEngine(modes, 2);
    Apply3D(m_knob3D.GetValue());  // re-send the 3D level in the matching form
}

void CKorvaneDlg::OnTimer(UINT_PTR id) {
    if (id != ID_TIMER_STATUS) return;
    m_engine.RelayStatus();
}

// From the About window's trackbar: 0 to 20, one decibel a step, 20 = 0 dB.
// The position is stored (the key is created if need be) and the gain sent.
void CKorvaneDlg::AdjustMasterVolume(int position) {
    OutputDebugStringA("=> AdjustMasterVolume\n\r");
    RegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, Settings::kKeyPath, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        key.SetDword(Settings::kMasterVolume.name, static_cast<DWORD>(position));
    m_engine.SendMasterVolume(EffectMath::MasterGain(position));
    OutputDebugStringA("<= AdjustMasterVolume\n\r");
}
