#include <gtest/gtest.h>

#include "skinctl/KnobDial.h"
#include "skinctl/KnobModel.h"

using namespace skinctl;

namespace {

// A user step's answer (whether the value changed) and the value after it.
::testing::AssertionResult Gives(bool changed, bool wantChanged, int want, const KnobModel& knob) {
    if (changed == wantChanged && knob.Value() == want) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "changed " << changed << ", value " << knob.Value();
}

}  // namespace

TEST(SkinctlKnobModel, DragUpOrRightTurnsUpOneStepPerSixPixels) {
    KnobModel knob;
    knob.SetValue(5);
    knob.BeginDrag(100, 100);
    EXPECT_FALSE(knob.DragTo(100, 95));  // 5 px: not yet a step
    EXPECT_TRUE(Gives(knob.DragTo(100, 94), true, 6, knob));
    EXPECT_TRUE(Gives(knob.DragTo(106, 94), true, 7, knob));   // right counts as up
    EXPECT_TRUE(Gives(knob.DragTo(106, 106), true, 5, knob));  // down 12 px
    EXPECT_TRUE(Gives(knob.DragTo(94, 106), true, 3, knob));   // left 12 px
    // Up and left at once cancel out.
    EXPECT_TRUE(Gives(knob.DragTo(88, 100), false, 3, knob));
}

TEST(SkinctlKnobModel, DragClampsAtTheStopsAndTurnsBackAtOnce) {
    KnobModel knob;
    knob.SetValue(10);
    knob.BeginDrag(0, 0);
    EXPECT_TRUE(Gives(knob.DragTo(0, -600), true, 11, knob));
    EXPECT_FALSE(knob.DragTo(0, -900));                        // at the stop: no change, no event
    EXPECT_TRUE(Gives(knob.DragTo(0, -894), true, 10, knob));  // six pixels back
    EXPECT_TRUE(Gives(knob.DragTo(0, 30000), true, 0, knob));
    EXPECT_FALSE(knob.DragTo(0, 32767));
}

TEST(SkinctlKnobModel, NoDragWithoutPressAndNoneAfterRelease) {
    KnobModel knob;
    EXPECT_FALSE(knob.DragTo(0, -60));
    knob.BeginDrag(0, 0);
    knob.EndDrag();
    EXPECT_TRUE(Gives(knob.DragTo(0, -60), false, 0, knob));
    // A new drag starts from its own press point, not the last one.
    knob.BeginDrag(50, 50);
    EXPECT_TRUE(Gives(knob.DragTo(50, 44), true, 1, knob));
}

TEST(SkinctlKnobModel, WheelStepsPerNotchAndGathersFineDeltas) {
    KnobModel knob;
    knob.SetValue(4);
    EXPECT_TRUE(Gives(knob.Wheel(120), true, 5, knob));
    EXPECT_TRUE(Gives(knob.Wheel(-240), true, 3, knob));
    EXPECT_FALSE(knob.Wheel(40));
    EXPECT_FALSE(knob.Wheel(40));
    EXPECT_TRUE(Gives(knob.Wheel(40), true, 4, knob));
    knob.SetValue(11);
    EXPECT_TRUE(Gives(knob.Wheel(120), false, 11, knob));
    EXPECT_TRUE(Gives(knob.Wheel(-32768), true, 0, knob));  // the largest notch count a message can carry
}

TEST(SkinctlKnobModel, ProgrammaticValuesAreKeptAndOnlyUserStepsClamp) {
    KnobModel knob;
    knob.SetValue(42);
    EXPECT_EQ(42, knob.Value());
    knob.SetValue(-7);
    EXPECT_EQ(-7, knob.Value());
    EXPECT_TRUE(Gives(knob.Step(1), true, 0, knob));
    knob.SetValue(INT32_MAX);
    EXPECT_TRUE(Gives(knob.Step(1), true, 11, knob));  // no overflow
    knob.SetValue(INT32_MIN);
    EXPECT_TRUE(Gives(knob.Step(-1), true, 0, knob));
    EXPECT_FALSE(knob.Step(0));
}

TEST(SkinctlKnobModel, KeysStepPageAndJumpToTheStopsLikeAUserTurn) {
    KnobModel knob;
    knob.SetValue(5);
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_STEP_UP), true, 6, knob));
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_STEP_DOWN), true, 5, knob));
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_PAGE_UP), true, 8, knob));
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_PAGE_UP), true, 11, knob));  // 11: clamped, not 11 + 0
    EXPECT_FALSE(knob.Key(KnobModel::KEY_PAGE_UP));                        // at the stop: no change, no event
    EXPECT_FALSE(knob.Key(KnobModel::KEY_HIGHEST));
    EXPECT_FALSE(knob.Key(KnobModel::KEY_STEP_UP));
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_PAGE_DOWN), true, 8, knob));
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_LOWEST), true, 0, knob));
    EXPECT_FALSE(knob.Key(KnobModel::KEY_STEP_DOWN));
    EXPECT_FALSE(knob.Key(KnobModel::KEY_PAGE_DOWN));
    knob.SetValue(1);
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_PAGE_DOWN), true, 0, knob));
}

TEST(SkinctlKnobModel, KeysBringAStoredValueFromOutsideBackIntoRange) {
    KnobModel knob;
    knob.SetValue(INT32_MIN);
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_HIGHEST), true, 11, knob));
    knob.SetValue(INT32_MAX);
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_LOWEST), true, 0, knob));
    knob.SetValue(40);
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_STEP_DOWN), true, 11, knob));  // clamped into range, as a drag would
    knob.SetValue(-7);
    EXPECT_TRUE(Gives(knob.Key(KnobModel::KEY_PAGE_UP), true, 0, knob));
}

TEST(SkinctlKnobDial, PositionsSweepFromLowerLeftToLowerRight) {
    const DialPoint first = KnobDial::PointAt(20, 20, 10, KnobDial::PositionAngle(0));
    const DialPoint last = KnobDial::PointAt(20, 20, 10, KnobDial::PositionAngle(11));
    EXPECT_LT(first.x, 20);
    EXPECT_GT(first.y, 20);
    EXPECT_GT(last.x, 20);
    EXPECT_GT(last.y, 20);
    EXPECT_EQ(first.y, last.y);
    // Half way is straight up.
    const double middle = (KnobDial::PositionAngle(5) + KnobDial::PositionAngle(6)) / 2;
    EXPECT_DOUBLE_EQ(90.0, middle);
    // Stored values beyond the stops are drawn at the stops.
    EXPECT_DOUBLE_EQ(KnobDial::PositionAngle(11), KnobDial::PositionAngle(42));
    EXPECT_DOUBLE_EQ(KnobDial::PositionAngle(0), KnobDial::PositionAngle(-3));
}
