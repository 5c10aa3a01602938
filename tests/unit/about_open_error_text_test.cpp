#include "about/OpenErrorText.h"

#include <gtest/gtest.h>

TEST(OpenErrorText, KnownCodesGiveTheirReasonOthersTheSignedCode) {
    const std::string lead = "Unable to open hyperlink:\n\n";
    EXPECT_EQ(OpenErrorText(0), lead + "The operating system is out\nof memory or resources.");
    EXPECT_EQ(OpenErrorText(26), lead + "A sharing violation occurred. ");  // with its trailing blank
    EXPECT_EQ(OpenErrorText(30), lead +
                                     "The DDE transaction could not\nbe completed because other DDE "
                                     "transactions\nwere being processed.");
    EXPECT_EQ(OpenErrorText(32), lead + "The specified dynamic-link library was not found.");
    EXPECT_EQ(OpenErrorText(4), lead + "Unknown Error (4) occurred.");
    EXPECT_EQ(OpenErrorText(33), lead + "Unknown Error (33) occurred.");
    EXPECT_EQ(OpenErrorText(-2147483647 - 1), lead + "Unknown Error (-2147483648) occurred.");
}
