#include "about/OpenCommand.h"

#include <gtest/gtest.h>

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
