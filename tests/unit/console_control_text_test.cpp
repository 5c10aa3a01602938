#include "console/ControlText.h"

#include <gtest/gtest.h>

#include <climits>

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
