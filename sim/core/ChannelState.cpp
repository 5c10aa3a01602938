#include "sim/core/ChannelState.h"

#include <stdio.h>
#include <string.h>

#include "engine/ControlCodes.h"

namespace sim {
namespace {

float AsFloat(uint32_t bits) {
    float f;
    static_assert(sizeof(f) == sizeof(bits), "IEEE single");
    memcpy(&f, &bits, sizeof(f));
    return f;
}

const char* OnOff(bool on) {
    return on ? "on" : "off";
}

std::string Level(float f) {
    char text[48];
    snprintf(text, sizeof(text), "%.4f", static_cast<double>(f));
    return text;
}

}  // namespace

void ChannelState::Apply(uint32_t code, std::optional<uint32_t> payload) {
    if (code == IOCTL_GET_STATUS || code == IOCTL_SET_STATUS) {
        status = payload;
        return;
    }
    if (!payload) return;
    const uint32_t v = *payload;
    switch (code) {
        case IOCTL_3D_ENABLE: enable3D = v != 0; break;
        case IOCTL_3D_LEVEL: level3D = AsFloat(v); break;
        case IOCTL_3D_LEVEL_SCALED: scaled3D = AsFloat(v); break;
        case IOCTL_VIBE_ENABLE: enableVibe = v != 0; break;
        case IOCTL_VIBE_LEVEL_1: vibe[0] = AsFloat(v); break;
        case IOCTL_VIBE_LEVEL_2: vibe[1] = AsFloat(v); break;
        case IOCTL_VIBE_LEVEL_3: vibe[2] = AsFloat(v); break;
        case IOCTL_HEADPHONES_ENABLE: enableHeadphones = v != 0; break;
        case IOCTL_HEADPHONES_3D_LEVEL: headphones3D = static_cast<int32_t>(v); break;
        case IOCTL_AUX_ENABLE: enableAux = v != 0; break;
        case IOCTL_SOUNDFIELDS_LEVEL: soundfields = AsFloat(v); break;
        case IOCTL_SOUNDFIELDS_ENABLE: enableSoundfields = v != 0; break;
        case IOCTL_MASTER_VOLUME: masterGain = AsFloat(v); break;
        default: ++unknownCodes; break;
    }
}

std::string ChannelState::Describe() const {
    // The three Vibe levels are sent together; show one number while they agree.
    std::string vibeText = Level(vibe[0]);
    if (memcmp(&vibe[0], &vibe[1], sizeof(float)) != 0 || memcmp(&vibe[0], &vibe[2], sizeof(float)) != 0)
        vibeText += "/" + Level(vibe[1]) + "/" + Level(vibe[2]);

    std::string text = "3D " + Level(level3D) + " (scaled " + Level(scaled3D) + ") " + OnOff(enable3D) +
                       ", headphones " + OnOff(enableHeadphones) + " (level " + std::to_string(headphones3D) +
                       "), Vibe " + vibeText + " " + OnOff(enableVibe) + ", Soundfields " + Level(soundfields) + " " +
                       OnOff(enableSoundfields) + ", aux " + OnOff(enableAux) + ", master " + Level(masterGain);
    if (status) {
        char hex[16];
        snprintf(hex, sizeof(hex), "0x%08X", static_cast<unsigned>(*status));
        text += std::string(", status ") + hex;
    }
    if (unknownCodes) text += ", unknown codes " + std::to_string(unknownCodes);
    return text;
}

}  // namespace sim
