#include <gtest/gtest.h>

#include "skinctl/ButtonModel.h"

using namespace skinctl;

TEST(SkinctlButtonModel, MomentaryClickFiresWithoutChangingTheValue) {
    ButtonModel button;
    button.Press();
    EXPECT_TRUE(button.ShowsPressed());
    EXPECT_TRUE(button.Release(true));
    EXPECT_FALSE(button.Value());
    EXPECT_FALSE(button.ShowsPressed());
}

TEST(SkinctlButtonModel, TwoStateClickTogglesBeforeReporting) {
    ButtonModel button;
    button.SetTwoState(true);
    button.Press();
    EXPECT_FALSE(button.Value());  // nothing changes while held
    EXPECT_TRUE(button.Release(true));
    EXPECT_TRUE(button.Value());
    button.Press();
    EXPECT_TRUE(button.Release(true));
    EXPECT_FALSE(button.Value());
}

TEST(SkinctlButtonModel, LeavingWhileHeldShowsReleasedAndReleasingOutsideIsNoClick) {
    ButtonModel button;
    button.SetTwoState(true);
    button.Press();
    button.Track(false);
    EXPECT_FALSE(button.ShowsPressed());
    EXPECT_TRUE(button.Held());
    button.Track(true);
    EXPECT_TRUE(button.ShowsPressed());
    button.Track(false);
    EXPECT_FALSE(button.Release(false));
    EXPECT_FALSE(button.Value());
    EXPECT_FALSE(button.Held());
}

TEST(SkinctlButtonModel, ReleaseWithoutPressOrAfterCancelIsNoClick) {
    ButtonModel button;
    button.SetTwoState(true);
    EXPECT_FALSE(button.Release(true));
    button.Press();
    button.Cancel();
    EXPECT_FALSE(button.Release(true));
    EXPECT_FALSE(button.Value());
    button.Track(true);  // moving after a cancel does not re-arm it
    EXPECT_FALSE(button.ShowsPressed());
}

TEST(SkinctlButtonModel, EnterClicksLikeTheMouseButNotWhileTheMouseHoldsIt) {
    ButtonModel momentary;
    EXPECT_TRUE(momentary.KeyClick());
    EXPECT_FALSE(momentary.Value());

    ButtonModel twoState;
    twoState.SetTwoState(true);
    EXPECT_TRUE(twoState.KeyClick());
    EXPECT_TRUE(twoState.Value());
    EXPECT_TRUE(twoState.KeyClick());
    EXPECT_FALSE(twoState.Value());

    // Held by the mouse: the key does nothing, the release still clicks once.
    twoState.Press();
    EXPECT_FALSE(twoState.KeyClick());
    EXPECT_FALSE(twoState.Value());
    EXPECT_TRUE(twoState.Release(true));
    EXPECT_TRUE(twoState.Value());
}
