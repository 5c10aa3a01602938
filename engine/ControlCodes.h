// Control codes of the audio engine's devices and wave hook. Every code is
// FILE_DEVICE_UNKNOWN, METHOD_BUFFERED, FILE_ANY_ACCESS: 0x220000 + function * 4.
#pragma once

#include <stdint.h>

constexpr uint32_t EngineCode(uint32_t function) {
    return 0x220000u + function * 4u;
}

constexpr uint32_t IOCTL_3D_ENABLE = EngineCode(0x000);
constexpr uint32_t IOCTL_3D_LEVEL = EngineCode(0x001);
constexpr uint32_t IOCTL_3D_LEVEL_SCALED = EngineCode(0x002);
constexpr uint32_t IOCTL_VIBE_ENABLE = EngineCode(0x010);
constexpr uint32_t IOCTL_VIBE_LEVEL_1 = EngineCode(0x011);
constexpr uint32_t IOCTL_VIBE_LEVEL_2 = EngineCode(0x012);
constexpr uint32_t IOCTL_VIBE_LEVEL_3 = EngineCode(0x013);
constexpr uint32_t IOCTL_HEADPHONES_ENABLE = EngineCode(0x020);
constexpr uint32_t IOCTL_HEADPHONES_3D_LEVEL = EngineCode(0x021);
constexpr uint32_t IOCTL_GET_STATUS = EngineCode(0x031);
constexpr uint32_t IOCTL_SET_STATUS = EngineCode(0x032);
constexpr uint32_t IOCTL_AUX_ENABLE = EngineCode(0x040);
constexpr uint32_t IOCTL_SOUNDFIELDS_LEVEL = EngineCode(0x050);
constexpr uint32_t IOCTL_SOUNDFIELDS_ENABLE = EngineCode(0x051);
constexpr uint32_t IOCTL_MASTER_VOLUME = EngineCode(0xFF2);

static_assert(IOCTL_SOUNDFIELDS_ENABLE == 0x220144, "code layout");
static_assert(IOCTL_MASTER_VOLUME == 0x223FC8, "code layout");
