// Following a journal that grows, is truncated, deleted and recreated, and
// korvmon's printout of it.
#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "sim/core/JournalMonitor.h"
#include "sim/core/JournalTail.h"

namespace {

class SimJournalTail : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/korvsim-tail-XXXXXX";
        const int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        m_path = name;
    }
    void TearDown() override { remove(m_path.c_str()); }

    void Write(const std::string& text, std::ios::openmode mode = std::ios::app) {
        std::ofstream(m_path, std::ios::binary | mode) << text;
    }

    std::string m_path;
};

// What one poll hands out: "restarted" first if it says so, then each line.
std::string Poll(sim::JournalTail& tail) {
    const auto batch = tail.Poll();
    std::string s = batch.restarted ? "restarted" : "";
    for (const std::string& line : batch.lines) s += "|" + line;
    return s;
}

TEST_F(SimJournalTail, HandsOutCompleteLinesOnlyOnce) {
    sim::JournalTail tail(m_path);
    EXPECT_EQ(Poll(tail), "");
    Write("1 WDM OPEN - - -\r\n2 WDM IOC");
    EXPECT_EQ(Poll(tail), "|1 WDM OPEN - - -");
    Write("TL 0x00220000 0x00000001 4\r\n");
    EXPECT_EQ(Poll(tail), "|2 WDM IOCTL 0x00220000 0x00000001 4");
    EXPECT_EQ(Poll(tail), "");
}

TEST_F(SimJournalTail, StartsOverWhenTruncatedDeletedOrReplaced) {
    sim::JournalTail tail(m_path);
    Write("1 WDM OPEN - - -\r\n2 WDM CLOSE - - -\r\n");
    EXPECT_EQ(Poll(tail), "|1 WDM OPEN - - -|2 WDM CLOSE - - -");
    // Truncated and shorter than before.
    Write("3 VXD OPEN - - -\r\n", std::ios::trunc);
    EXPECT_EQ(Poll(tail), "restarted|3 VXD OPEN - - -");
    // Deleted: nothing to read (said once), then a new file.
    remove(m_path.c_str());
    EXPECT_EQ(Poll(tail), "restarted");
    EXPECT_EQ(Poll(tail), "");
    Write("4 HOOK CALL QuorWav9xHook - -\r\n");
    EXPECT_EQ(Poll(tail), "|4 HOOK CALL QuorWav9xHook - -");
    // Replaced by a longer file between two polls: the size alone would not tell.
    Write("5 INST CALL InstallDriverRegEntries - -\r\n6 INST CALL InstallDriverRegEntries - -\r\n", std::ios::trunc);
    EXPECT_EQ(Poll(tail), "restarted|5 INST CALL InstallDriverRegEntries - -|6 INST CALL InstallDriverRegEntries - -");
}

TEST(SimJournalMonitor, PrintsRecordsStateAndMalformedLines) {
    std::ostringstream out;
    sim::JournalMonitor monitor(out);
    monitor.Feed("1 WDM IOCTL 0x00220051 0x00000001 4");  // not a known code
    monitor.Feed("garbage");
    monitor.Feed("2 WDM IOCTL 0x00220144 0x00000001 4");
    monitor.Restart();
    monitor.Feed("3 INST CALL InstallFilterOverSoundDrivers 0x00000000 -");
    monitor.PrintFinalState();

    const std::string text = out.str();
    EXPECT_EQ(monitor.Malformed(), 1);
    EXPECT_NE(text.find("?? garbage\n"), std::string::npos);
    EXPECT_NE(text.find("1 WDM IOCTL 0x00220051 0x00000001 4  (unknown code)\n"), std::string::npos);
    EXPECT_NE(text.find("2 WDM IOCTL 0x00220144 0x00000001 4  IOCTL_SOUNDFIELDS_ENABLE\n    WDM: "), std::string::npos);
    EXPECT_NE(text.find("Soundfields 0.0000 on"), std::string::npos);
    // After the restart only the installer is left in the final state.
    const std::string final = text.substr(text.find("== final state =="));
    EXPECT_EQ(final, "== final state ==\nINST: driver entries not installed, filter answered 0x00000000\n");
}

TEST(SimJournalMonitor, SumsUpTheStatusRelayUnlessAskedForEveryRecord) {
    const char* lines[] = {
        "1 WDM IOCTL 0x002200C4 0x00000007 4",  "2 HOOK IOCTL 0x002200C8 0x00000007 4",
        "3 WDM IOCTL 0x002200C4 0x00000008 4",  "4 WDM IOCTL 0x00220004 0x3F800000 4",
        "5 HOOK IOCTL 0x002200C8 0x00000008 4",
    };
    std::ostringstream quiet;
    sim::JournalMonitor summed(quiet);
    for (const char* line : lines) summed.Feed(line);
    summed.PrintFinalState();
    const std::string text = quiet.str();
    EXPECT_EQ(text.find("1 WDM"), std::string::npos);
    EXPECT_NE(text.find("    .. 3 status relay records, the last: 3 WDM IOCTL 0x002200C4 0x00000008 4\n"
                        "4 WDM IOCTL 0x00220004 0x3F800000 4  IOCTL_3D_LEVEL\n"),
              std::string::npos);
    // The one after the last other record is not lost at the end either.
    EXPECT_NE(text.find("    .. 1 status relay record, the last: 5 HOOK"), std::string::npos);
    EXPECT_LT(text.find("5 HOOK"), text.find("== final state =="));
    // The state still follows every record.
    EXPECT_NE(text.find("status 0x00000008"), std::string::npos);

    std::ostringstream all;
    sim::JournalMonitor every(all, true);
    for (const char* line : lines) every.Feed(line);
    EXPECT_NE(all.str().find("1 WDM IOCTL 0x002200C4 0x00000007 4  IOCTL_GET_STATUS\n"), std::string::npos);
    EXPECT_NE(all.str().find("2 HOOK IOCTL 0x002200C8 0x00000007 4  IOCTL_SET_STATUS\n"), std::string::npos);
    EXPECT_EQ(all.str().find("status relay record"), std::string::npos);
}

}  // namespace
