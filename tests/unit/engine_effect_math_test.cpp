// Payload bit patterns for every knob position (row 0 gives headphones 8,
// as 1 does; each scaled level is its level over 8, exactly). The expected values were
// worked out independently with exact rational arithmetic: the product of a
// position and the single-precision 1/11 is exact in double precision, then
// rounded once, to nearest even, to single precision.
#include "engine/ControlCodes.h"
#include "engine/EffectMath.h"
#include "engine/EngineMessage.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct PositionCase {
    int32_t position;
    uint32_t level3D;
    uint32_t level3DScaled;
    int32_t headphones;
};

const PositionCase kCases[] = {
    {0, 0x00000000, 0x00000000, 8},  {1, 0x3DBA2E8C, 0x3C3A2E8C, 8},   {2, 0x3E3A2E8C, 0x3CBA2E8C, 16},
    {3, 0x3E8BA2E9, 0x3D0BA2E9, 24}, {4, 0x3EBA2E8C, 0x3D3A2E8C, 32},  {5, 0x3EE8BA2F, 0x3D68BA2F, 40},
    {6, 0x3F0BA2E9, 0x3D8BA2E9, 49}, {7, 0x3F22E8BA, 0x3DA2E8BA, 57},  {8, 0x3F3A2E8C, 0x3DBA2E8C, 65},
    {9, 0x3F51745E, 0x3DD1745E, 73}, {10, 0x3F68BA2F, 0x3DE8BA2F, 81}, {11, 0x3F800000, 0x3E000000, 90},
};

TEST(EffectMath, OneEleventhInBothPrecisions) {
    EXPECT_EQ(EffectMath::FloatBits(EffectMath::K32), 0x3DBA2E8Cu);
    EXPECT_EQ(EffectMath::K64, 1.0 / 11.0);
}

TEST(EffectMath, EveryPositionBitExact) {
    for (const PositionCase& c : kCases) {
        SCOPED_TRACE(c.position);
        EXPECT_EQ(EffectMath::FloatBits(EffectMath::Level3D(c.position)), c.level3D);
        EXPECT_EQ(EffectMath::FloatBits(EffectMath::Level3DScaled(c.position)), c.level3DScaled);
        EXPECT_EQ(EffectMath::FloatBits(EffectMath::KnobLevel(c.position)), c.level3D);
        EXPECT_EQ(EffectMath::HeadphonesLevel(c.position), c.headphones);
    }
}

TEST(EffectMath, HeadphonesLevelIsNotClamped) {
    // Not clamped: the knob's own value goes through unchanged.
    EXPECT_EQ(EffectMath::HeadphonesLevel(22), 180);
    EXPECT_EQ(EffectMath::HeadphonesLevel(-11), -90);
}

TEST(EffectMath, MasterGainIsOneDecibelPerStep) {
    EXPECT_EQ(EffectMath::MasterGain(20), 1.0f);
    EXPECT_FLOAT_EQ(EffectMath::MasterGain(10), 0.31622776f);
    EXPECT_FLOAT_EQ(EffectMath::MasterGain(0), 0.1f);
}

TEST(EngineMessage, PayloadsAreLittleEndianAndFloatBitsUnchanged) {
    EngineMessage i = EngineMessage::Int(IOCTL_HEADPHONES_3D_LEVEL, 49);
    EXPECT_EQ(i.code, 0x220084u);
    const unsigned char expectInt[4] = {49, 0, 0, 0};
    EXPECT_EQ(std::memcmp(i.payload, expectInt, 4), 0);

    EngineMessage f = EngineMessage::Float(IOCTL_3D_LEVEL, EffectMath::Level3D(3));
    const unsigned char expectFloat[4] = {0xE9, 0xA2, 0x8B, 0x3E};
    EXPECT_EQ(std::memcmp(f.payload, expectFloat, 4), 0);
}

TEST(ControlCodes, FunctionNumbersGiveTheCodes) {
    EXPECT_EQ(IOCTL_3D_ENABLE, 0x220000u);
    EXPECT_EQ(IOCTL_VIBE_LEVEL_3, 0x22004Cu);
    EXPECT_EQ(IOCTL_GET_STATUS, 0x2200C4u);
    EXPECT_EQ(IOCTL_SET_STATUS, 0x2200C8u);
    EXPECT_EQ(IOCTL_AUX_ENABLE, 0x220100u);
    EXPECT_EQ(IOCTL_SOUNDFIELDS_LEVEL, 0x220140u);
}

}  // namespace
