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

TEST(ControlText, KnobsTellTheirNameAndLevel) {
    EXPECT_EQ(For(1000, 7).name, "3D 7 von 11");
    EXPECT_EQ(For(1000, 7).tip, "3D: 7 von 11");
    EXPECT_EQ(For(1001, 0).name, "Vibe 0 von 11");
    EXPECT_EQ(For(1002, 11).tip, "Soundfields: 11 von 11");
}

TEST(ControlText, KnobLevelsOutsideTheRangeAreToldAtTheStopShown) {
    EXPECT_EQ(For(1000, 20).name, "3D 11 von 11");
    EXPECT_EQ(For(1001, -3).tip, "Vibe: 0 von 11");
    EXPECT_EQ(For(1002, INT32_MIN).name, "Soundfields 0 von 11");
    EXPECT_EQ(For(1002, INT32_MAX).tip, "Soundfields: 11 von 11");
}

TEST(ControlText, ButtonsInWindows1252) {
    EXPECT_EQ(For(1005, 1).name, "Kopfh\xF6rer an");
    EXPECT_EQ(For(1005, 0).name, "Kopfh\xF6rer aus");
    EXPECT_EQ(For(1005, 1).tip, "Kopfh\xF6rer: an");
    EXPECT_EQ(For(1005, 0).tip, "Kopfh\xF6rer: aus");
    EXPECT_EQ(For(1006, 0).tip, "Minimieren");
    EXPECT_EQ(For(1010, 0).name, "Wiederherstellen");
    EXPECT_EQ(For(1008, 0).name, "Schlie\xDF"
                                 "en");
    EXPECT_EQ(For(1011, 0).tip, For(1008, 0).tip);
}

TEST(ControlText, OnlyTheConsolesControls) {
    ControlText::Texts texts;
    EXPECT_FALSE(ControlText::ForControl(1003, 0, texts));  // the animation
    EXPECT_FALSE(ControlText::ForControl(1012, 0, texts));
    EXPECT_TRUE(ControlText::HasValue(1005));
    EXPECT_FALSE(ControlText::HasValue(1008));
}
