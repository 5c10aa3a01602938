// The driver's state read as the console's messages and applied to the shared
// effect parameters (the engine host's side of the driver's state device).
#include "fxengine/statelink/DriverStateParams.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/common/FloatBits.h"

namespace {

FxDriverState FreshState() {
    const uint32_t codes[FXDRV_CODE_COUNT] = FXDRV_CODES;
    FxDriverState s;
    std::memset(&s, 0, sizeof s);
    s.size = sizeof s;
    s.serial = 1;
    s.count = FXDRV_CODE_COUNT;
    for (int i = 0; i < FXDRV_CODE_COUNT; ++i) s.entries[i].code = codes[i];
    return s;
}

void Receive(FxDriverState* s, uint32_t code, uint32_t payload) {
    for (FxDriverEntry& e : s->entries)
        if (e.code == code) {
            e.received = 1;
            e.payload = payload;
            return;
        }
    ADD_FAILURE() << "no entry for " << std::hex << code;
}

TEST(DriverState, OnlyReceivedCodesBecomeMessagesInTheDriversOrder) {
    FxDriverState s = FreshState();
    DriverMessage out[FXDRV_CODE_COUNT];
    EXPECT_EQ(DriverState_Messages(s, out, FXDRV_CODE_COUNT), 0u) << "nothing received yet";

    Receive(&s, 0x223FC8, Bits(0.5f));
    Receive(&s, 0x220040, 1);
    Receive(&s, 0x220144, 0);
    ASSERT_EQ(DriverState_Messages(s, out, FXDRV_CODE_COUNT), 3u);
    EXPECT_EQ(out[0].code, 0x220040u);
    EXPECT_EQ(out[0].payload, 1u);
    EXPECT_EQ(out[1].code, 0x220144u);
    EXPECT_EQ(out[1].payload, 0u);
    EXPECT_EQ(out[2].code, 0x223FC8u);
    EXPECT_EQ(out[2].payload, Bits(0.5f));
    EXPECT_EQ(DriverState_Messages(s, out, 2), 2u) << "never more than the room given";
}

TEST(DriverState, AStateOfAnotherLayoutIsNotRead) {
    struct Case {
        const char* what;
        void (*spoil)(FxDriverState*);
    };
    const Case cases[] = {
        {"size", [](FxDriverState* s) { s->size -= 4; }},
        {"count", [](FxDriverState* s) { s->count = FXDRV_CODE_COUNT + 1; }},
        {"a code", [](FxDriverState* s) { s->entries[5].code = 0x2200C8; }},
    };
    for (const Case& c : cases) {
        FxDriverState s = FreshState();
        Receive(&s, 0x220040, 1);
        c.spoil(&s);
        DriverMessage out[FXDRV_CODE_COUNT];
        EXPECT_FALSE(DriverState_IsOurs(s)) << c.what;
        EXPECT_EQ(DriverState_Messages(s, out, FXDRV_CODE_COUNT), 0u) << c.what;
    }
    EXPECT_TRUE(DriverState_IsOurs(FreshState()));
}

TEST(DriverState, AppliedStateSetsTheParametersAndOnlyAChangeCounts) {
    // Every level and switch but the headphones' own, which stays as it was:
    // the parameters are what the same messages give sent one by one.
    const DriverMessage received[] = {
        {0x220000, 1},
        {0x220004, Bits(0.27272728f)},
        {0x220008, Bits(0.03409091f)},
        {0x220040, 1},
        {0x220044, Bits(0.1f)},
        {0x220048, Bits(0.2f)},
        {0x22004C, Bits(0.3f)},
        {0x220084, 49},  // headphones level, an integer
        {0x220140, Bits(0.75f)},
        {0x220144, 1},
        {0x223FC8, Bits(0.316f)},
    };
    FxDriverState s = FreshState();
    fx::FxParams p, sent;
    fx::FxParams_Reset(&p);
    fx::FxParams_Reset(&sent);
    for (const DriverMessage& r : received) {
        Receive(&s, r.code, r.payload);
        ASSERT_TRUE(fx::FxParams_Apply(&sent, r.code, &r.payload, 4)) << std::hex << r.code;
    }
    DriverMessage m[FXDRV_CODE_COUNT];
    size_t n = DriverState_Messages(s, m, FXDRV_CODE_COUNT);
    EXPECT_TRUE(DriverState_Apply(&p, m, n));
    EXPECT_EQ(memcmp(&p, &sent, sizeof p), 0);
    EXPECT_EQ(p.headphonesLevel, 49);
    EXPECT_EQ(p.enableHeadphones, 0u) << "never received: left as it was";
    EXPECT_EQ(p.masterGain, 0.316f);

    const uint32_t serial = p.serial;
    EXPECT_FALSE(DriverState_Apply(&p, m, n)) << "the same state again changes nothing";
    EXPECT_EQ(p.serial, serial);

    // The console's close: five zeros.
    for (uint32_t code : {0x220000u, 0x220040u, 0x220080u, 0x220100u, 0x220144u}) Receive(&s, code, 0);
    n = DriverState_Messages(s, m, FXDRV_CODE_COUNT);
    EXPECT_TRUE(DriverState_Apply(&p, m, n));
    EXPECT_EQ(p.enable3D | p.enableVibe | p.enableHeadphones | p.enableAux | p.enableSoundfields, 0u);
    EXPECT_EQ(p.masterGain, 0.316f) << "levels stay as they were";
}

}  // namespace
