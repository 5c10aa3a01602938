// korvfx's settings: knob positions to the console's messages, journals to
// the engine state, the command line's effect options.
#include "korvfx/EffectOptions.h"
#include "korvfx/JournalParams.h"
#include "korvfx/KnobMessages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

uint32_t Payload(const EngineMessage& m) {
    uint32_t v;
    std::memcpy(&v, m.payload, 4);
    return v;
}

TEST(KorvfxKnobs, LoudspeakerMessagesAsTheConsoleSendsThem) {
    korvfx::KnobSettings s;
    s.position3D = 3;
    s.vibe = 6;
    s.soundfields = 11;
    s.masterDb = 0;
    std::vector<EngineMessage> m = korvfx::KnobMessages(s);
    const uint32_t codes[] = {0x220080, 0x220000, 0x220004, 0x220008, 0x220048, 0x22004C,
                              0x220044, 0x220140, 0x220040, 0x220144, 0x223FC8};
    const uint32_t payloads[] = {0,          1,          0x3E8BA2E9, 0x3D0BA2E9, 0x3F0BA2E9, 0x3F0BA2E9,
                                 0x3F0BA2E9, 0x3F800000, 1,          1,          0x3F800000};
    ASSERT_EQ(m.size(), 11u);
    for (size_t i = 0; i < m.size(); ++i) {
        EXPECT_EQ(m[i].code, codes[i]) << i;
        EXPECT_EQ(Payload(m[i]), payloads[i]) << i;
    }
    fx::FxParams p = korvfx::ParamsFromMessages(m);
    EXPECT_EQ(p.enable3D, 1u);
    EXPECT_EQ(p.enableHeadphones, 0u);
    EXPECT_EQ(p.soundfields, 1.0f);
    EXPECT_EQ(p.masterGain, 1.0f);
}

TEST(KorvfxKnobs, HeadphonesAndMasterVolume) {
    korvfx::KnobSettings s;
    s.headphones = true;
    s.position3D = 0;  // counts as 1: level 8
    s.masterDb = -6;
    fx::FxParams p = korvfx::ParamsFromMessages(korvfx::KnobMessages(s));
    EXPECT_EQ(p.enableHeadphones, 1u);
    EXPECT_EQ(p.enable3D, 0u);
    EXPECT_EQ(p.headphonesLevel, 8);
    EXPECT_NEAR(p.masterGain, std::pow(10.0, -6.0 / 20.0), 1e-6);
    std::string error;
    s.masterDb = 1;
    EXPECT_FALSE(korvfx::Validate(s, &error));
    s.masterDb = -20;
    s.vibe = 12;
    EXPECT_FALSE(korvfx::Validate(s, &error));
    s.vibe = 11;
    EXPECT_TRUE(korvfx::Validate(s, &error));
}

// A console run on Windows 98: settings to all three channels, the status
// relay to the hook, and the switch-off on closing (devices only).
const char kJournal[] =
    "100 VXD OPEN - - -\r\n"
    "101 WDM OPEN - - -\r\n"
    "102 HOOK CALL QuorWav9xHook - -\r\n"
    "110 VXD IOCTL 0x00220004 0x3F800000 4\r\n"
    "111 WDM IOCTL 0x00220004 0x3F800000 4\r\n"
    "112 HOOK IOCTL 0x00220004 0x3F800000 4\r\n"
    "113 VXD IOCTL 0x00220000 0x00000001 4\r\n"
    "114 WDM IOCTL 0x00220000 0x00000001 4\r\n"
    "115 HOOK IOCTL 0x00220000 0x00000001 4\r\n"
    "116 WDM IOCTL 0x00220040 0x00000001 4\r\n"
    "117 HOOK IOCTL 0x00220040 0x00000001 4\r\n"
    "118 HOOK IOCTL 0x00220044 0x3F000000 4\r\n"
    "119 WDM IOCTL 0x00220044 0x3F000000 4\r\n"
    "120 WDM IOCTL 0x002200C4 0x00001234 4\r\n"
    "121 HOOK IOCTL 0x002200C8 0x00001234 4\r\n"
    "122 HOOK IOCTL 0x00220140 - 2\r\n"
    "not a record\r\n"
    "130 WDM IOCTL 0x00220000 0x00000000 4\r\n"
    "131 WDM IOCTL 0x00220040 0x00000000 4\r\n"
    "132 WDM IOCTL 0x00220080 0x00000000 4\r\n"
    "133 WDM IOCTL 0x00220100 0x00000000 4\r\n"
    "134 WDM IOCTL 0x00220144 0x00000000 4\r\n"
    "135 WDM CLOSE - - -\r\n";

TEST(KorvfxJournal, TheHookChannelWhenThereIsOne) {
    std::istringstream in(kJournal);
    korvfx::JournalParams j = korvfx::ParamsFromJournal(in);
    EXPECT_EQ(j.channel, "HOOK");
    EXPECT_EQ(j.messages, 5u);  // the short Soundfields payload is not one
    EXPECT_FALSE(j.closingSkipped);
    EXPECT_EQ(j.params.level3D, 1.0f);
    EXPECT_EQ(j.params.vibe[0], 0.5f);
    EXPECT_EQ(j.params.status, 0x1234u);
    EXPECT_EQ(j.params.soundfields, 0.0f);
}

TEST(KorvfxJournal, TheDeviceStateBeforeTheClosingSwitchOff) {
    // Without the hook's lines (an NT-family system), the WDM driver's.
    std::istringstream all(kJournal);
    std::string text, line;
    while (std::getline(all, line))
        if (line.find(" HOOK ") == std::string::npos) text += line + "\n";
    std::istringstream in(text);
    korvfx::JournalParams j = korvfx::ParamsFromJournal(in);
    EXPECT_EQ(j.channel, "WDM");
    EXPECT_TRUE(j.closingSkipped);
    EXPECT_EQ(j.params.enable3D, 1u);
    EXPECT_EQ(j.params.enableVibe, 1u);
    EXPECT_EQ(j.params.vibe[0], 0.5f);
    EXPECT_EQ(j.params.status, 0u);  // a status read is no setting

    std::istringstream empty("");
    korvfx::JournalParams none = korvfx::ParamsFromJournal(empty);
    EXPECT_EQ(none.channel, "");
    EXPECT_EQ(none.params.masterGain, 1.0f);
}

TEST(KorvfxOptions, KnobsOrJournalNotBoth) {
    korvfx::EffectOptions o;
    std::string error;
    ASSERT_TRUE(korvfx::ParseEffectOptions({"--3d", "11", "--vibe", "3", "--master", "-20"}, &o, &error)) << error;
    EXPECT_EQ(o.params.level3D, 1.0f);
    EXPECT_EQ(o.params.level3DScaled, 0.125f);
    EXPECT_NEAR(o.params.masterGain, 0.1f, 1e-7);
    EXPECT_FALSE(korvfx::ParseEffectOptions({"--3d", "12"}, &o, &error));
    EXPECT_FALSE(korvfx::ParseEffectOptions({"--3d"}, &o, &error));
    EXPECT_FALSE(korvfx::ParseEffectOptions({"--vibe", "2x"}, &o, &error));
    EXPECT_FALSE(korvfx::ParseEffectOptions({"--loud"}, &o, &error));
    EXPECT_FALSE(korvfx::ParseEffectOptions({"--3d", "2", "--journal", "j.log"}, &o, &error));
    EXPECT_FALSE(korvfx::ParseEffectOptions({"--journal", "/nonexistent/journal.log"}, &o, &error));

    const char* path = "korvfx_options_test_journal.log";
    ASSERT_TRUE(std::ofstream(path, std::ios::binary) << kJournal);
    ASSERT_TRUE(korvfx::ParseEffectOptions({"--journal", path}, &o, &error)) << error;
    std::remove(path);
    EXPECT_EQ(o.params.vibe[0], 0.5f);
    EXPECT_NE(o.summary.find("HOOK"), std::string::npos);

    ASSERT_TRUE(korvfx::ParseEffectOptions({}, &o, &error));
    EXPECT_EQ(o.params.enable3D, 1u);  // the console's start with every knob at 0
    EXPECT_EQ(o.params.level3D, 0.0f);
}

}  // namespace
