#include "korvfx/KnobMessages.h"

#include "engine/ControlCodes.h"
#include "engine/EffectMath.h"

namespace korvfx {

bool Validate(const KnobSettings& s, std::string* error) {
    const int32_t knobs[] = {s.position3D, s.vibe, s.soundfields};
    for (int32_t k : knobs) {
        if (k < 0 || k > 11) {
            *error = "knob positions are 0 to 11";
            return false;
        }
    }
    if (s.masterDb < -20 || s.masterDb > 0) {
        *error = "the master volume is -20 to 0 dB";
        return false;
    }
    return true;
}

std::vector<EngineMessage> KnobMessages(const KnobSettings& s) {
    std::vector<EngineMessage> m;
    const int32_t h = s.headphones ? 1 : 0;
    m.push_back(EngineMessage::Int(IOCTL_HEADPHONES_ENABLE, h));
    m.push_back(EngineMessage::Int(IOCTL_3D_ENABLE, h ? 0 : 1));
    if (h) {
        m.push_back(EngineMessage::Int(IOCTL_HEADPHONES_3D_LEVEL, EffectMath::HeadphonesLevel(s.position3D)));
    } else {
        m.push_back(EngineMessage::Float(IOCTL_3D_LEVEL, EffectMath::Level3D(s.position3D)));
        m.push_back(EngineMessage::Float(IOCTL_3D_LEVEL_SCALED, EffectMath::Level3DScaled(s.position3D)));
    }
    const float vibe = EffectMath::KnobLevel(s.vibe);
    m.push_back(EngineMessage::Float(IOCTL_VIBE_LEVEL_2, vibe));
    m.push_back(EngineMessage::Float(IOCTL_VIBE_LEVEL_3, vibe));
    m.push_back(EngineMessage::Float(IOCTL_VIBE_LEVEL_1, vibe));
    m.push_back(EngineMessage::Float(IOCTL_SOUNDFIELDS_LEVEL, EffectMath::KnobLevel(s.soundfields)));
    m.push_back(EngineMessage::Int(IOCTL_VIBE_ENABLE, 1));
    m.push_back(EngineMessage::Int(IOCTL_SOUNDFIELDS_ENABLE, 1));
    // The trackbar's position is 0..20 for -20..0 dB.
    m.push_back(EngineMessage::Float(IOCTL_MASTER_VOLUME, EffectMath::MasterGain(s.masterDb + 20)));
    return m;
}

fx::FxParams ParamsFromMessages(const std::vector<EngineMessage>& messages) {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    for (const EngineMessage& m : messages) fx::FxParams_Apply(&p, m.code, m.payload, 4);
    return p;
}

}  // namespace korvfx
