#include "about/LinkRect.h"

#include <gtest/gtest.h>

static std::string Fit(int textWidth, int textHeight, unsigned long style, LinkRect box = {10, 20, 110, 36}) {
    const LinkRect r = FitLinkRectToText(box, textWidth, textHeight, style);
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(LinkRect, LeftAlignedKeepsTheTopLeftAndTakesTheTextSize) {
    EXPECT_EQ(Fit(57, 13, 0), "10,20,67,33");
    EXPECT_EQ(Fit(140, 19, 0), "10,20,150,39");  // grows as well
}

TEST(LinkRect, CentredSidesSplitTheDifferenceOnePixelOffWhenItIsOdd) {
    EXPECT_EQ(Fit(60, 16, 0x0001), "30,20,90,36");
    EXPECT_EQ(Fit(57, 16, 0x0001), "31,20,89,36");    // 58 wide for 57
    EXPECT_EQ(Fit(103, 16, 0x0001), "9,20,111,36");   // 102 wide for 103
    EXPECT_EQ(Fit(60, 16, 0x0003), "30,20,90,36");    // SS_CENTER before SS_RIGHT
    EXPECT_EQ(Fit(100, 13, 0x0200), "10,21,110,35");  // 14 high for 13
    EXPECT_EQ(Fit(100, 19, 0x0200), "10,19,110,37");  // 18 high for 19
}

TEST(LinkRect, RightAlignedKeepsTheRightEdge) {
    EXPECT_EQ(Fit(57, 13, 0x0002), "53,20,110,33");
    EXPECT_EQ(Fit(120, 13, 0x0002), "-10,20,110,33");
}
