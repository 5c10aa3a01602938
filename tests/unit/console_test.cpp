// The console's own logic: the knobs' steps and the texts their controls tell.
#include "console/ControlText.h"
#include "console/KnobStep.h"

#include <gtest/gtest.h>

#include <climits>

TEST(KnobStep, StepsStopAtTheBoundOnTheirSide) {
    EXPECT_EQ(KnobStep::Apply(10, 3), 11);
    EXPECT_EQ(KnobStep::Apply(1, -3), 0);
    EXPECT_EQ(KnobStep::Apply(11, 1), 11);
    EXPECT_EQ(KnobStep::Apply(0, -1), 0);
    EXPECT_EQ(KnobStep::Apply(5, -1), 4);
    EXPECT_EQ(KnobStep::Apply(5, 3), 8);
}

TEST(KnobStep, OutOfRangeValuesOnlyBoundedTowardsTheStep) {
    EXPECT_EQ(KnobStep::Apply(20, 1), 11);   // up from above 11 gives 11
    EXPECT_EQ(KnobStep::Apply(20, -3), 17);  // down from above 11 only subtracts
    EXPECT_EQ(KnobStep::Apply(-5, -1), 0);   // down from below 0 gives 0
    EXPECT_EQ(KnobStep::Apply(-5, 3), -2);   // up from below 0 only adds
    EXPECT_EQ(KnobStep::Apply(INT_MIN, -3), 0);
    EXPECT_EQ(KnobStep::Apply(INT_MAX, 3), 11);
}

TEST(KnobStep, CommandsMapToKnobsAndSteps) {
    struct Case {
        unsigned cmd;
        int knob;
        int32_t step;
    };
    const Case cases[] = {{32771, 0, -3}, {32772, 0, -1}, {32773, 0, 1},  {32774, 0, 3},
                          {32775, 1, -3}, {32778, 1, 3},  {32779, 2, -3}, {32782, 2, 3}};
    for (const Case& c : cases) {
        int knob = -1;
        int32_t step = 0;
        ASSERT_TRUE(KnobStep::ForCommand(c.cmd, knob, step)) << c.cmd;
        EXPECT_EQ(knob, c.knob) << c.cmd;
        EXPECT_EQ(step, c.step) << c.cmd;
    }
    int knob;
    int32_t step;
    EXPECT_FALSE(KnobStep::ForCommand(32783, knob, step));  // the headphones toggle
    EXPECT_FALSE(KnobStep::ForCommand(32770, knob, step));
}

namespace {

ControlText::Texts For(int id, int32_t value) {
    ControlText::Texts texts;
    EXPECT_TRUE(ControlText::ForControl(id, value, texts)) << id;
    return texts;
}

}  // namespace

// The texts themselves are checked byte for byte against the running console
// (e2e_access); here what it cannot easily reach.
TEST(ControlText, KnobLevelsOutsideTheRangeAreToldAtTheStopShown) {
    EXPECT_EQ(For(1000, 20).name, "3D 11 von 11");
    EXPECT_EQ(For(1001, -3).tip, "Vibe: 0 von 11");
    EXPECT_EQ(For(1002, INT32_MIN).name, "Soundfields 0 von 11");
    EXPECT_EQ(For(1002, INT32_MAX).tip, "Soundfields: 11 von 11");
}

TEST(ControlText, NoTextsForOtherControls) {
    ControlText::Texts texts;
    EXPECT_FALSE(ControlText::ForControl(1003, 0, texts));  // the animation
    EXPECT_FALSE(ControlText::ForControl(1012, 0, texts));
}
