// The journal line: what the shared C formatter writes, and what the parser
// accepts back.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sim/core/JournalFormat.h"
#include "sim/core/JournalRecord.h"

using sim::JournalRecord;

namespace {

std::string Text(const JournalLine& line) {
    EXPECT_EQ(std::string(line.text).size(), line.length);
    return std::string(line.text, line.length);
}

// Every field of the record a line parses to (kinds: 0 open, 1 close, 2 ioctl, 3 call).
std::string Fields(const std::string& line) {
    const auto r = JournalRecord::Parse(line);
    if (!r) return "rejected";
    std::ostringstream s;
    s << r->ms << ' ' << sim::ChannelName(r->channel) << " kind " << static_cast<int>(r->kind) << std::hex << " code "
      << r->code << " value " << (r->value ? std::to_string(*r->value) : "-") << " length " << std::dec << r->length
      << " name " << r->name;
    return s.str();
}

TEST(SimJournalFormat, WritesTheSixFieldShapes) {
    JournalLine line;
    JournalLine_Event(&line, 13379500000123ull, "VXD", "OPEN");
    EXPECT_EQ(Text(line), "13379500000123 VXD OPEN - - -\r\n");

    const unsigned char payload[4] = {0xE9, 0xA2, 0x8B, 0x3E};  // 0.27272728f
    JournalLine_Ioctl(&line, 7, "WDM", 0x220004, 1, JournalLine_LoadU32(payload), 4);
    EXPECT_EQ(Text(line), "7 WDM IOCTL 0x00220004 0x3E8BA2E9 4\r\n");

    JournalLine_Ioctl(&line, 0, "HOOK", 0x223FC8, 0, 0, 0);
    EXPECT_EQ(Text(line), "0 HOOK IOCTL 0x00223FC8 - 0\r\n");

    JournalLine_Call(&line, 18446744073709551615ull, "INST", "InstallFilterOverSoundDrivers", 1, 0xFFFFFFFFu);
    EXPECT_EQ(Text(line), "18446744073709551615 INST CALL InstallFilterOverSoundDrivers 0xFFFFFFFF -\r\n");

    JournalLine_Call(&line, 1, "HOOK", "QuorWav9xHook", 0, 0);
    EXPECT_EQ(Text(line), "1 HOOK CALL QuorWav9xHook - -\r\n");
}

TEST(SimJournalFormat, KeepsSixFieldsForAnyName) {
    JournalLine line;
    JournalLine_Call(&line, 1, "HOOK", "two words\tand\r\nbreaks", 0, 0);
    EXPECT_EQ(Text(line), "1 HOOK CALL two_words_and__breaks - -\r\n");
    EXPECT_TRUE(JournalRecord::Parse(line.text).has_value());

    JournalLine_Call(&line, 1, "HOOK", "", 0, 0);
    EXPECT_EQ(Text(line), "1 HOOK CALL - - -\r\n");

    // An overlong name is cut; the line still ends in CRLF within the buffer.
    const std::string longName(500, 'x');
    JournalLine_Call(&line, 18446744073709551615ull, "HOOK", longName.c_str(), 1, 1);
    const std::string text = Text(line);
    EXPECT_LT(text.size(), static_cast<size_t>(JOURNAL_LINE_MAX));
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_NE(text.find(std::string(JOURNAL_TEXT_MAX, 'x') + " 0x00000001 -"), std::string::npos);
}

TEST(SimJournalFormat, ConvertsSystemTimeToMilliseconds) {
    EXPECT_EQ(JournalLine_Milliseconds(133795000001239999ull), 13379500000123ull);
}

TEST(SimJournalRecord, ParsesEachKind) {
    EXPECT_EQ(Fields("5 VXD OPEN - - -\r\n"), "5 VXD kind 0 code 0 value - length 0 name ");
    EXPECT_EQ(Fields("13379500000123 WDM IOCTL 0x002200C4 0x0000BEEF 4"),
              "13379500000123 WDM kind 2 code 2200c4 value 48879 length 4 name ");
    EXPECT_EQ(Fields("1 HOOK IOCTL 0x00220000 - 2\r"), "1 HOOK kind 2 code 220000 value - length 2 name ");
    EXPECT_EQ(Fields("1 HOOK CALL QuorWav9xCanUnloadNow 0x00000000 -"),
              "1 HOOK kind 3 code 0 value 0 length 0 name QuorWav9xCanUnloadNow");
}

TEST(SimJournalRecord, RejectsMalformedLines) {
    const char* const bad[] = {
        "",
        "1 WDM OPEN - -",                       // five fields
        "1 WDM OPEN - - - -",                   // seven
        "1 WDM  OPEN - - -",                    // empty field
        "x WDM OPEN - - -",                     // ms not decimal
        "18446744073709551616 WDM OPEN - - -",  // ms overflows 64 bits
        "1 wdm OPEN - - -",                     // channel case
        "1 ABC OPEN - - -",
        "1 WDM OPEN 0x00000000 - -",          // OPEN carries nothing
        "1 WDM IOCTL 0x2200C4 0x00000001 4",  // code not eight digits
        "1 WDM IOCTL 0x0022000G 0x00000001 4",
        "1 WDM IOCTL 0x00220004 0x00000001 -",  // length missing
        "1 WDM IOCTL 0x00220004 0x00000001 4294967296",
        "1 WDM IOCTL - 0x00000001 4",
        "1 HOOK CALL - - -",              // CALL needs a name
        "1 HOOK CALL QuorWav9xHook 1 -",  // result not hex
        "1 HOOK CALL QuorWav9xHook - 0",
    };
    for (const char* line : bad) EXPECT_EQ(Fields(line), "rejected") << '"' << line << '"';
}

TEST(SimJournalRecord, ReadsBackWhatTheFormatterWrites) {
    JournalLine line;
    JournalLine_Ioctl(&line, 123456789012345ull, "VXD", 0x223FC8, 1, 0x3F800000, 4);
    EXPECT_EQ(Fields(line.text), "123456789012345 VXD kind 2 code 223fc8 value 1065353216 length 4 name ");
}

}  // namespace
