// The effect settings one channel (VxD, WDM driver or wave hook) holds: the
// last payload of each control code it received.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>

namespace sim {

struct ChannelState {
    float level3D = 0.0f;
    float scaled3D = 0.0f;
    bool enable3D = false;
    float vibe[3] = {0.0f, 0.0f, 0.0f};  // levels 1, 2, 3
    bool enableVibe = false;
    bool enableHeadphones = false;
    int32_t headphones3D = 0;
    bool enableAux = false;
    float soundfields = 0.0f;
    bool enableSoundfields = false;
    float masterGain = 1.0f;
    std::optional<uint32_t> status;  // read (WDM) or relayed to it (hook)
    uint32_t unknownCodes = 0;

    // Applies one control message; a message without payload changes nothing
    // but the status read.
    void Apply(uint32_t code, std::optional<uint32_t> payload);

    // "3D 0.2727 (scaled 0.0341) on, headphones off (level 8), Vibe 0.5455 on,
    //  Soundfields 0.0000 on, aux off, master 1.0000"
    std::string Describe() const;
};

}  // namespace sim
