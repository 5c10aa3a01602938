#include <gtest/gtest.h>

#include "skinctl/KnobDial.h"
#include "skinctl/KnobModel.h"

using namespace skinctl;

TEST(SkinctlKnobModel, DragUpOrRightTurnsUpOneStepPerSixPixels) {
    KnobModel knob;
    knob.SetValue(5);
    knob.BeginDrag(100, 100);
    EXPECT_FALSE(knob.DragTo(100, 95));  // 5 px: not yet a step
    EXPECT_TRUE(knob.DragTo(100, 94));
    EXPECT_EQ(6, knob.Value());
    EXPECT_TRUE(knob.DragTo(106, 94));  // right counts as up
    EXPECT_EQ(7, knob.Value());
    EXPECT_TRUE(knob.DragTo(106, 106));  // down 12 px
    EXPECT_EQ(5, knob.Value());
    EXPECT_TRUE(knob.DragTo(94, 106));  // left 12 px
    EXPECT_EQ(3, knob.Value());
    // Up and left at once cancel out.
    EXPECT_FALSE(knob.DragTo(88, 100));
    EXPECT_EQ(3, knob.Value());
}

TEST(SkinctlKnobModel, DragClampsAtTheStopsAndTurnsBackAtOnce) {
    KnobModel knob;
    knob.SetValue(10);
    knob.BeginDrag(0, 0);
    EXPECT_TRUE(knob.DragTo(0, -600));
    EXPECT_EQ(11, knob.Value());
    EXPECT_FALSE(knob.DragTo(0, -900));  // at the stop: no change, no event
    EXPECT_TRUE(knob.DragTo(0, -894));   // six pixels back
    EXPECT_EQ(10, knob.Value());
    EXPECT_TRUE(knob.DragTo(0, 30000));
    EXPECT_EQ(0, knob.Value());
    EXPECT_FALSE(knob.DragTo(0, 32767));
}

TEST(SkinctlKnobModel, NoDragWithoutPressAndNoneAfterRelease) {
    KnobModel knob;
    EXPECT_FALSE(knob.DragTo(0, -60));
    knob.BeginDrag(0, 0);
    knob.EndDrag();
    EXPECT_FALSE(knob.DragTo(0, -60));
    EXPECT_EQ(0, knob.Value());
    // A new drag starts from its own press point, not the last one.
    knob.BeginDrag(50, 50);
    EXPECT_TRUE(knob.DragTo(50, 44));
    EXPECT_EQ(1, knob.Value());
}

TEST(SkinctlKnobModel, WheelStepsPerNotchAndGathersFineDeltas) {
    KnobModel knob;
    knob.SetValue(4);
    EXPECT_TRUE(knob.Wheel(120));
    EXPECT_EQ(5, knob.Value());
    EXPECT_TRUE(knob.Wheel(-240));
    EXPECT_EQ(3, knob.Value());
    EXPECT_FALSE(knob.Wheel(40));
    EXPECT_FALSE(knob.Wheel(40));
    EXPECT_TRUE(knob.Wheel(40));
    EXPECT_EQ(4, knob.Value());
    knob.SetValue(11);
    EXPECT_FALSE(knob.Wheel(120));
    EXPECT_EQ(11, knob.Value());
    EXPECT_TRUE(knob.Wheel(-32768));  // the largest notch count a message can carry
    EXPECT_EQ(0, knob.Value());
}

TEST(SkinctlKnobModel, ProgrammaticValuesAreKeptAndOnlyUserStepsClamp) {
    KnobModel knob;
    knob.SetValue(42);
    EXPECT_EQ(42, knob.Value());
    knob.SetValue(-7);
    EXPECT_EQ(-7, knob.Value());
    EXPECT_TRUE(knob.Step(1));
    EXPECT_EQ(0, knob.Value());
    knob.SetValue(INT32_MAX);
    EXPECT_TRUE(knob.Step(1));  // no overflow
    EXPECT_EQ(11, knob.Value());
    knob.SetValue(INT32_MIN);
    EXPECT_TRUE(knob.Step(-1));
    EXPECT_EQ(0, knob.Value());
    EXPECT_FALSE(knob.Step(0));
}

TEST(SkinctlKnobModel, KeysStepPageAndJumpToTheStopsLikeAUserTurn) {
    KnobModel knob;
    knob.SetValue(5);
    EXPECT_TRUE(knob.Key(KnobModel::KEY_STEP_UP));
    EXPECT_EQ(6, knob.Value());
    EXPECT_TRUE(knob.Key(KnobModel::KEY_STEP_DOWN));
    EXPECT_EQ(5, knob.Value());
    EXPECT_TRUE(knob.Key(KnobModel::KEY_PAGE_UP));
    EXPECT_EQ(8, knob.Value());
    EXPECT_TRUE(knob.Key(KnobModel::KEY_PAGE_UP));  // 11: clamped, not 11 + 0
    EXPECT_EQ(11, knob.Value());
    EXPECT_FALSE(knob.Key(KnobModel::KEY_PAGE_UP));  // at the stop: no change, no event
    EXPECT_FALSE(knob.Key(KnobModel::KEY_HIGHEST));
    EXPECT_FALSE(knob.Key(KnobModel::KEY_STEP_UP));
    EXPECT_TRUE(knob.Key(KnobModel::KEY_PAGE_DOWN));
    EXPECT_EQ(8, knob.Value());
    EXPECT_TRUE(knob.Key(KnobModel::KEY_LOWEST));
    EXPECT_EQ(0, knob.Value());
    EXPECT_FALSE(knob.Key(KnobModel::KEY_STEP_DOWN));
    EXPECT_FALSE(knob.Key(KnobModel::KEY_PAGE_DOWN));
    knob.SetValue(1);
    EXPECT_TRUE(knob.Key(KnobModel::KEY_PAGE_DOWN));
    EXPECT_EQ(0, knob.Value());
}

TEST(SkinctlKnobModel, KeysBringAStoredValueFromOutsideBackIntoRange) {
    KnobModel knob;
    knob.SetValue(INT32_MIN);
    EXPECT_TRUE(knob.Key(KnobModel::KEY_HIGHEST));
    EXPECT_EQ(11, knob.Value());
    knob.SetValue(INT32_MAX);
    EXPECT_TRUE(knob.Key(KnobModel::KEY_LOWEST));
    EXPECT_EQ(0, knob.Value());
    knob.SetValue(40);
    EXPECT_TRUE(knob.Key(KnobModel::KEY_STEP_DOWN));  // clamped into range, as a drag would
    EXPECT_EQ(11, knob.Value());
    knob.SetValue(-7);
    EXPECT_TRUE(knob.Key(KnobModel::KEY_PAGE_UP));
    EXPECT_EQ(0, knob.Value());
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
