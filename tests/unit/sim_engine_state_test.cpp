// Replaying journal records into the engine state and describing it in words.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "engine/ControlCodes.h"
#include "sim/core/EngineState.h"
#include "sim/core/UnloadGate.h"
#include "tests/common/FloatBits.h"

using sim::Channel;
using sim::EngineState;
using sim::JournalRecord;

namespace {

void Feed(EngineState& state, const std::string& line) {
    const auto record = JournalRecord::Parse(line);
    ASSERT_TRUE(record) << line;
    state.Apply(*record);
}

void Send(EngineState& state, const char* channel, uint32_t code, uint32_t payload) {
    char line[96];
    snprintf(line, sizeof(line), "1 %s IOCTL 0x%08X 0x%08X 4", channel, static_cast<unsigned>(code),
             static_cast<unsigned>(payload));
    Feed(state, line);
}

// What Korvane sends when it starts with 3D at 3, Vibe at 6, Soundfields at 0.
TEST(SimEngineState, DescribesAStartedConsole) {
    EngineState state;
    Feed(state, "1 WDM OPEN - - -");
    Send(state, "WDM", IOCTL_HEADPHONES_ENABLE, 0);
    Send(state, "WDM", IOCTL_3D_ENABLE, 1);
    Send(state, "WDM", IOCTL_3D_LEVEL, Bits(3 * (1.0f / 11)));
    Send(state, "WDM", IOCTL_3D_LEVEL_SCALED, Bits(3 * (1.0f / 11) * 0.125f));
    for (uint32_t code : {IOCTL_VIBE_LEVEL_2, IOCTL_VIBE_LEVEL_3, IOCTL_VIBE_LEVEL_1})
        Send(state, "WDM", code, Bits(6 * (1.0f / 11)));
    Send(state, "WDM", IOCTL_SOUNDFIELDS_LEVEL, Bits(0.0f));
    Send(state, "WDM", IOCTL_VIBE_ENABLE, 1);
    Send(state, "WDM", IOCTL_SOUNDFIELDS_ENABLE, 1);

    EXPECT_EQ(state.Describe(Channel::Wdm),
              "WDM: 3D 0.2727 (scaled 0.0341) on, headphones off (level 0), Vibe 0.5455 on, "
              "Soundfields 0.0000 on, aux off, master 1.0000, handles 1");
    // Other channels are untouched.
    EXPECT_FALSE(state.Seen(Channel::Vxd));
    EXPECT_FALSE(state.Effects(Channel::Hook)->enableVibe);
}

TEST(SimEngineState, KeepsChannelsApartAndTracksStatusAndGain) {
    EngineState state;
    Send(state, "VXD", IOCTL_HEADPHONES_ENABLE, 1);
    Send(state, "VXD", IOCTL_HEADPHONES_3D_LEVEL, 8);
    Send(state, "WDM", IOCTL_MASTER_VOLUME, Bits(0.31622776f));
    Feed(state, "2 WDM IOCTL 0x002200C4 0x0000002A 4");
    Send(state, "HOOK", IOCTL_SET_STATUS, 0x2A);
    Send(state, "HOOK", IOCTL_VIBE_LEVEL_1, Bits(0.25f));  // levels 2 and 3 still 0

    const sim::ChannelState* vxd = state.Effects(Channel::Vxd);
    EXPECT_TRUE(vxd->enableHeadphones);
    EXPECT_EQ(vxd->headphones3D, 8);
    EXPECT_FLOAT_EQ(vxd->masterGain, 1.0f);
    EXPECT_FLOAT_EQ(state.Effects(Channel::Wdm)->masterGain, 0.31622776f);
    EXPECT_NE(state.Describe(Channel::Wdm).find("master 0.3162, status 0x0000002A"), std::string::npos);
    EXPECT_NE(state.Describe(Channel::Hook).find("Vibe 0.2500/0.0000/0.0000 off"), std::string::npos);
    EXPECT_NE(state.Describe(Channel::Hook).find("status 0x0000002A"), std::string::npos);
}

TEST(SimEngineState, IgnoresMessagesWithoutPayloadAndCountsUnknownCodes) {
    EngineState state;
    Send(state, "WDM", IOCTL_AUX_ENABLE, 1);
    Feed(state, "1 WDM IOCTL 0x00220100 - 2");  // short payload changes nothing
    Send(state, "WDM", 0x00229999, 5);
    EXPECT_TRUE(state.Effects(Channel::Wdm)->enableAux);
    EXPECT_EQ(state.Effects(Channel::Wdm)->unknownCodes, 1u);
    // A failed status read (no value) forgets the old status.
    Feed(state, "1 WDM IOCTL 0x002200C4 0x00000007 4");
    Feed(state, "1 WDM IOCTL 0x002200C4 - 2");
    EXPECT_FALSE(state.Effects(Channel::Wdm)->status.has_value());
}

TEST(SimEngineState, CountsHandlesAndFollowsTheHookAndInstaller) {
    EngineState state;
    Feed(state, "1 VXD OPEN - - -");
    Feed(state, "1 VXD OPEN - - -");
    Feed(state, "1 VXD CLOSE - - -");
    Feed(state, "1 WDM CLOSE - - -");  // a close without an open does not go negative
    EXPECT_EQ(state.OpenHandles(Channel::Vxd), 1);
    EXPECT_EQ(state.OpenHandles(Channel::Wdm), 0);

    Feed(state, "1 HOOK CALL QuorWav9xHook - -");
    EXPECT_TRUE(state.Hooked());
    Feed(state, "1 HOOK CALL QuorWav9xPrepareForUnloading - -");
    Feed(state, "1 HOOK CALL QuorWav9xCanUnloadNow 0x00000000 -");
    Feed(state, "1 HOOK CALL QuorWav9xCanUnloadNow 0x00000001 -");
    Feed(state, "1 HOOK CALL QuorWav9xUnHook - -");
    EXPECT_FALSE(state.Hooked());
    EXPECT_EQ(state.LastUnloadAnswer(), true);
    EXPECT_NE(state.Describe(Channel::Hook).find("not hooked, prepared for unloading, unload agreed (asked 2)"),
              std::string::npos);

    EXPECT_EQ(state.Describe(Channel::Inst), "INST: driver entries not installed, filter not installed");
    Feed(state, "1 INST CALL InstallDriverRegEntries - -");
    Feed(state, "1 INST CALL InstallFilterOverSoundDrivers 0x00000001 -");
    EXPECT_EQ(state.InstallAnswer(), 1u);
    EXPECT_EQ(state.Describe(Channel::Inst), "INST: driver entries installed, filter answered 0x00000001 (restart)");

    state.Reset();
    EXPECT_FALSE(state.Seen(Channel::Hook));
    EXPECT_EQ(state.OpenHandles(Channel::Vxd), 0);
}

TEST(SimUnloadGate, RefusesTheConfiguredNumberOfQuestions) {
    sim::UnloadGate gate;
    gate.Arm(0);
    EXPECT_TRUE(gate.Ask());

    gate.Arm(2);
    EXPECT_FALSE(gate.Ask());
    EXPECT_FALSE(gate.Ask());
    EXPECT_TRUE(gate.Ask());
    EXPECT_TRUE(gate.Ask());

    // Re-arming starts a new count.
    gate.Arm(1);
    EXPECT_FALSE(gate.Ask());
    EXPECT_TRUE(gate.Ask());

    gate.Arm(sim::UnloadGate::kNever);
    for (int i = 0; i < 1000; ++i) ASSERT_FALSE(gate.Ask());

    // The largest finite limit: refuses exactly that many (counting saturates,
    // so it never wraps round into early agreement).
    gate.Arm(0xFFFFFFFEu);
    EXPECT_FALSE(gate.Ask());
    EXPECT_EQ(gate.Questions(), 1u);
}

}  // namespace
