// Control messages decoded into the effect state, with the codes and payload
// bytes as the console sends them (literal values, not the shared table).
#include "fx/FxParams.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A four-byte payload: a float or an int32_t.
template <class T>
bool Send(fx::FxParams* p, uint32_t code, T v) {
    static_assert(sizeof(T) == 4, "payloads are four bytes");
    return fx::FxParams_Apply(p, code, &v, 4);
}

TEST(FxParams, ResetIsEverythingOffAtUnityGain) {
    fx::FxParams p;
    std::memset(&p, 0xA5, sizeof p);
    fx::FxParams_Reset(&p);
    EXPECT_EQ(p.enable3D | p.enableVibe | p.enableHeadphones | p.enableSoundfields | p.enableAux, 0u);
    EXPECT_EQ(p.level3D, 0.0f);
    EXPECT_EQ(p.vibe[0] + p.vibe[1] + p.vibe[2], 0.0f);
    EXPECT_EQ(p.soundfields, 0.0f);
    EXPECT_EQ(p.headphonesLevel, 0);
    EXPECT_EQ(p.masterGain, 1.0f);
    EXPECT_EQ(p.serial, 0u);
}

TEST(FxParams, EachCodeReachesItsField) {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    EXPECT_TRUE(Send(&p, 0x220000, 1));
    EXPECT_TRUE(Send(&p, 0x220004, 0.27272728f));
    EXPECT_TRUE(Send(&p, 0x220008, 0.03409091f));
    EXPECT_TRUE(Send(&p, 0x220040, 1));
    EXPECT_TRUE(Send(&p, 0x220044, 0.1f));
    EXPECT_TRUE(Send(&p, 0x220048, 0.2f));
    EXPECT_TRUE(Send(&p, 0x22004C, 0.3f));
    EXPECT_TRUE(Send(&p, 0x220080, 1));
    EXPECT_TRUE(Send(&p, 0x220084, 57));
    EXPECT_TRUE(Send(&p, 0x2200C8, 0x12345678));
    EXPECT_TRUE(Send(&p, 0x220100, 1));
    EXPECT_TRUE(Send(&p, 0x220140, 0.5f));
    EXPECT_TRUE(Send(&p, 0x220144, 1));
    EXPECT_TRUE(Send(&p, 0x223FC8, 0.5011872f));

    EXPECT_EQ(p.enable3D, 1u);
    EXPECT_EQ(p.level3D, 0.27272728f);
    EXPECT_EQ(p.level3DScaled, 0.03409091f);
    EXPECT_EQ(p.enableVibe, 1u);
    EXPECT_EQ(p.vibe[0], 0.1f);  // level 1 is 0x11
    EXPECT_EQ(p.vibe[1], 0.2f);
    EXPECT_EQ(p.vibe[2], 0.3f);
    EXPECT_EQ(p.enableHeadphones, 1u);
    EXPECT_EQ(p.headphonesLevel, 57);
    EXPECT_EQ(p.status, 0x12345678u);
    EXPECT_EQ(p.enableAux, 1u);
    EXPECT_EQ(p.soundfields, 0.5f);
    EXPECT_EQ(p.enableSoundfields, 1u);
    EXPECT_EQ(p.masterGain, 0.5011872f);
    EXPECT_EQ(p.serial, 14u);

    // Any nonzero enable payload is "on"; zero switches off.
    EXPECT_TRUE(Send(&p, 0x220040, 0));
    EXPECT_EQ(p.enableVibe, 0u);
    EXPECT_TRUE(Send(&p, 0x220040, -7));
    EXPECT_EQ(p.enableVibe, 1u);
}

TEST(FxParams, UnknownCodesAndShortPayloadsChangeNothing) {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    Send(&p, 0x220004, 0.5f);
    fx::FxParams before = p;
    const int32_t one = 1;
    // The status query is for the device, not the engine state; 0x220010 is
    // between codes; 0x223FC4 is next to master volume.
    EXPECT_FALSE(fx::FxParams_Apply(&p, 0x2200C4, &one, 4));
    EXPECT_FALSE(fx::FxParams_Apply(&p, 0x220010, &one, 4));
    EXPECT_FALSE(fx::FxParams_Apply(&p, 0x223FC4, &one, 4));
    EXPECT_FALSE(fx::FxParams_Apply(&p, 0x220004, &one, 3));
    EXPECT_FALSE(fx::FxParams_Apply(&p, 0x220004, nullptr, 4));
    EXPECT_EQ(std::memcmp(&before, &p, sizeof p), 0);
}

TEST(FxParams, SerialCountsChangesOnly) {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    Send(&p, 0x220140, 0.25f);
    uint32_t serial = p.serial;
    EXPECT_TRUE(Send(&p, 0x220140, 0.25f));  // the same value again
    EXPECT_EQ(p.serial, serial);
    EXPECT_TRUE(Send(&p, 0x220144, 5));
    EXPECT_TRUE(Send(&p, 0x220144, 1));  // still "on"
    EXPECT_EQ(p.serial, serial + 1);
    // A longer buffer is read for its first four bytes.
    const float twoFloats[2] = {0.75f, 9.0f};
    EXPECT_TRUE(fx::FxParams_Apply(&p, 0x220140, twoFloats, 8));
    EXPECT_EQ(p.soundfields, 0.75f);
    EXPECT_EQ(p.serial, serial + 2);
}

}  // namespace
