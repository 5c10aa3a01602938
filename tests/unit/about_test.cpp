// The About box's logic: the link's rectangle, the command that opens it,
// and the text shown when it cannot be opened.
#include "about/LinkRect.h"
#include "about/OpenCommand.h"
#include "about/OpenErrorText.h"

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

// A double-byte code page in miniature: 0x81 to 0x9F lead a two-byte character.
static bool TestLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0x9F;
}

static std::string Build(const std::string& tmpl, const std::string& address = "http://a.example/x",
                         std::size_t capacity = 520) {
    std::string command = "untouched";
    return BuildOpenCommand(tmpl, address, TestLeadByte, capacity, command) ? command : "refused, " + command;
}

TEST(OpenCommand, ThePlaceholderAndWhatFollowsGiveWayToTheAddress) {
    // The blank before the quoted placeholder stays: two blanks before the address.
    EXPECT_EQ(Build("\"C:\\b.exe\" \"%1\""), "\"C:\\b.exe\"  http://a.example/x");
    EXPECT_EQ(Build("b.exe -nohome \"%1\" -new"), "b.exe -nohome  http://a.example/x");
    EXPECT_EQ(Build("b.exe -url=%1,new"), "b.exe -url= http://a.example/x");
    EXPECT_EQ(Build("C:\\b.exe -nohome"), "C:\\b.exe -nohome http://a.example/x");  // none: appended
}

TEST(OpenCommand, TheQuotedPlaceholderIsOnlyFoundOnCharacterBoundaries) {
    // The quote after 0x90 is that character's second byte: the bare %1 cuts.
    EXPECT_EQ(Build("b\x90\"%1\" x"), "b\x90\" http://a.example/x");
    EXPECT_EQ(Build("\x90x \"%1\""), "\x90x  http://a.example/x");
    EXPECT_EQ(Build("b.exe \x90"), "b.exe \x90 http://a.example/x");  // a lead byte last
}

TEST(OpenCommand, ALineThatDoesNotFitIsRefused) {
    EXPECT_EQ(Build("b.exe %1", std::string(512, 'a')), "b.exe  " + std::string(512, 'a'));  // 519 + zero
    EXPECT_EQ(Build("b.exe %1", std::string(513, 'a')), "refused, untouched");
    EXPECT_EQ(Build(std::string(600, 'x') + " %1"), "refused, untouched");
}

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
