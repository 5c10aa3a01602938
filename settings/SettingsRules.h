// Where the console's settings live, their defaults, and what is accepted
// when they are read back.
#pragma once

#include <cstdint>

namespace Settings {

constexpr const char* kKeyPath = "SOFTWARE\\Velmora\\Korvane";

struct ValueSpec {
    const char* name;
    uint32_t defaultValue;
};

constexpr ValueSpec k3DVolume{"3D Volume", 6};
constexpr ValueSpec kVibeVolume{"Vibe volume", 6};
constexpr ValueSpec kSoundfieldsVolume{"Soundfields volume", 0};
constexpr ValueSpec kHeadphonesEnabled{"Headphones enabled", 0};
constexpr ValueSpec kUiMinimized{"UI minimized", 0};
constexpr ValueSpec kMasterVolume{"Master volume", 20};

constexpr uint32_t kHighestAccepted = 11;

// The stored value when it could be read as 4 bytes and is at most 11 read
// as unsigned; otherwise the default.
uint32_t Accept(const ValueSpec& spec, bool readOk, uint32_t stored);

}  // namespace Settings
