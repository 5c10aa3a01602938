#include "settings/SettingsRules.h"

#include <gtest/gtest.h>

using namespace Settings;

TEST(SettingsRules, AcceptsZeroToElevenOnly) {
    EXPECT_EQ(Accept(k3DVolume, true, 0), 0u);
    EXPECT_EQ(Accept(k3DVolume, true, 11), 11u);
    EXPECT_EQ(Accept(k3DVolume, true, 12), 6u);
    // Compared as unsigned: a stored -1 is far above 11.
    EXPECT_EQ(Accept(kSoundfieldsVolume, true, 0xFFFFFFFFu), 0u);
    EXPECT_EQ(Accept(kVibeVolume, true, 0x80000000u), 6u);
}

TEST(SettingsRules, UnreadableValuesTakeTheirDefaults) {
    EXPECT_EQ(Accept(k3DVolume, false, 3), 6u);
    EXPECT_EQ(Accept(kVibeVolume, false, 3), 6u);
    EXPECT_EQ(Accept(kSoundfieldsVolume, false, 3), 0u);
    EXPECT_EQ(Accept(kHeadphonesEnabled, false, 1), 0u);
    EXPECT_EQ(Accept(kUiMinimized, false, 1), 0u);
}

TEST(SettingsRules, BooleansKeepTheirStoredNumber) {
    // "Headphones enabled" 5 and "UI minimized" 3 are accepted as they are;
    // the controls and the console decide what they mean.
    EXPECT_EQ(Accept(kHeadphonesEnabled, true, 5), 5u);
    EXPECT_EQ(Accept(kUiMinimized, true, 3), 3u);
}

TEST(SettingsRules, NamesAndKeyAsStored) {
    EXPECT_STREQ(kKeyPath, "SOFTWARE\\Velmora\\Korvane");
    EXPECT_STREQ(k3DVolume.name, "3D Volume");
    EXPECT_STREQ(kVibeVolume.name, "Vibe volume");
    EXPECT_STREQ(kSoundfieldsVolume.name, "Soundfields volume");
    EXPECT_STREQ(kHeadphonesEnabled.name, "Headphones enabled");
    EXPECT_STREQ(kUiMinimized.name, "UI minimized");
    EXPECT_EQ(kMasterVolume.defaultValue, 20u);
}
