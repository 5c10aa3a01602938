// The kernel driver under Wine: both device names, the journal it writes and
// the status it answers.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include "SimTestSupport.h"
#include "engine/ControlCodes.h"
#include "sim/win/JournalFile.h"
#include "tests/common/FloatBits.h"

#include <thread>

using sim::Channel;
using simtest::Closed;
using simtest::Ioctl;
using simtest::Opened;

namespace {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { simtest::RemoveJournal(); }
};

HANDLE OpenWdm() {
    return CreateFileA("\\\\.\\Velmora1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool ReadStatus(HANDLE device, DWORD& status) {
    DWORD returned = 0;
    status = 0;
    return DeviceIoControl(device, IOCTL_GET_STATUS, nullptr, 0, &status, sizeof(status), &returned, nullptr) &&
           returned == sizeof(status);
}

TEST_F(DeviceTest, WdmJournalsOpenMessagesStatusAndCloseInOrder) {
    const unsigned long long before = simtest::NowMs();
    HANDLE wdm = OpenWdm();
    ASSERT_NE(wdm, INVALID_HANDLE_VALUE) << "driver not started? error " << GetLastError();

    DWORD returned = 0;
    const float level = 3 * (1.0f / 11.0f);
    EXPECT_TRUE(DeviceIoControl(wdm, IOCTL_3D_LEVEL, const_cast<float*>(&level), 4, nullptr, 0, &returned, nullptr));
    const int32_t headphones = 90;
    EXPECT_TRUE(DeviceIoControl(wdm, IOCTL_HEADPHONES_3D_LEVEL, const_cast<int32_t*>(&headphones), 4, nullptr, 0,
                                &returned, nullptr));
    // Fewer than four input bytes: accepted, journalled without a payload.
    const char two[2] = {1, 2};
    EXPECT_TRUE(DeviceIoControl(wdm, IOCTL_VIBE_ENABLE, const_cast<char*>(two), 2, nullptr, 0, &returned, nullptr));

    DWORD first = 0, second = 0;
    ASSERT_TRUE(ReadStatus(wdm, first));
    // Until the journal's clock, which the status counts in tenths of a second, has moved on.
    while (static_cast<DWORD>(simtest::NowMs() / 100) == first) Sleep(10);
    ASSERT_TRUE(ReadStatus(wdm, second));
    EXPECT_NE(first, second) << "the status should move with time";

    // A status buffer too small for the value is refused, not overrun.
    WORD small = 0;
    EXPECT_FALSE(DeviceIoControl(wdm, IOCTL_GET_STATUS, nullptr, 0, &small, sizeof(small), &returned, nullptr));
    EXPECT_TRUE(CloseHandle(wdm));

    const auto records = simtest::WaitForRecords(8);
    const unsigned long long after = simtest::NowMs();  // the close is journalled late
    simtest::ExpectRecords(records, Channel::Wdm,
                           {Opened(), Ioctl(IOCTL_3D_LEVEL, Bits(level), 4), Ioctl(IOCTL_HEADPHONES_3D_LEVEL, 90, 4),
                            Ioctl(IOCTL_VIBE_ENABLE, std::nullopt, 2), Ioctl(IOCTL_GET_STATUS, first, 4),
                            Ioctl(IOCTL_GET_STATUS, second, 4), Ioctl(IOCTL_GET_STATUS, std::nullopt, 2), Closed()});
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_GE(records[i].ms, i ? records[i - 1].ms : before);
        EXPECT_LE(records[i].ms, after);
    }

    // The exact text of one line, as other tests parse it.
    const std::string text = simtest::ReadJournalText();
    char expected[64];
    snprintf(expected, sizeof(expected), " WDM IOCTL 0x%08X 0x%08X 4\r\n", static_cast<unsigned>(IOCTL_3D_LEVEL),
             static_cast<unsigned>(Bits(level)));
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    EXPECT_NE(text.find(" WDM OPEN - - -\r\n"), std::string::npos) << text;
}

// Both device names open the way the program opens them, on a Windows 9x and
// an NT-family system; the probe checks the version Wine reports to it.
TEST_F(DeviceTest, BothDevicesOpenPosingAsWin98AndWinXp) {
    const uint32_t unity = Bits(1.0f);
    for (const char* version : {"win98", "winxp"}) {
        SCOPED_TRACE(version);
        simtest::RemoveJournal();
        const bool win9x = strcmp(version, "win98") == 0;
        ASSERT_EQ(simtest::RunAsVersion(SIM_PROBE_EXE, win9x ? "9x" : "nt", version), 0)
            << "10 wrong platform, 11 Velmora1, 12 Win9xDS, 13 send failed";

        const auto records = simtest::WaitForRecords(6);
        for (Channel channel : {Channel::Vxd, Channel::Wdm}) {
            SCOPED_TRACE(sim::ChannelName(channel));
            simtest::ExpectRecords(simtest::OfChannel(records, channel), channel,
                                   {Opened(), Ioctl(IOCTL_MASTER_VOLUME, unity, 4), Closed()});
        }
    }
}

// A record of each writer goes into the same file, even after the file was
// deleted in between: the driver and the DLLs create it again.
TEST_F(DeviceTest, DriverRecreatesDeletedJournal) {
    HANDLE wdm = OpenWdm();
    ASSERT_NE(wdm, INVALID_HANDLE_VALUE);
    // Wine hands the create request to the driver without waiting for it; a
    // control request is answered, and comes after it, so once it returns the
    // OPEN record is written.
    DWORD status = 0;
    ASSERT_TRUE(ReadStatus(wdm, status));
    simtest::RemoveJournal();
    ASSERT_TRUE(ReadStatus(wdm, status));
    CloseHandle(wdm);
    const auto records = simtest::WaitForRecords(2);
    simtest::ExpectRecords(records, Channel::Wdm, {Ioctl(IOCTL_GET_STATUS, status, 4), Closed()});
}

// The driver (in Wine's device process) and two DLL threads append at once.
// Wine finds the end and writes there in two steps: without taking turns,
// one writer's line lands on another's and both are lost or cut.
TEST_F(DeviceTest, WritersAtOnceLoseNoRecord) {
    HANDLE wdm = OpenWdm();
    ASSERT_NE(wdm, INVALID_HANDLE_VALUE);
    constexpr size_t kEach = 500;
    auto appendAs = [](const char* channel) {
        JournalLine line;
        for (size_t i = 0; i < kEach; ++i) {
            JournalLine_Call(&line, simtest::NowMs(), channel, "QuorWav9xHook", 0, 0);
            sim::JournalFile::Append(line);
        }
    };
    std::thread hook(appendAs, "HOOK"), inst(appendAs, "INST");
    DWORD status = 0;
    for (size_t i = 0; i < kEach; ++i) ReadStatus(wdm, status);
    hook.join();
    inst.join();
    CloseHandle(wdm);
    const auto records = simtest::WaitForRecords(3 * kEach + 2);
    EXPECT_EQ(simtest::OfChannel(records, Channel::Hook).size(), kEach);
    EXPECT_EQ(simtest::OfChannel(records, Channel::Inst).size(), kEach);
    EXPECT_EQ(simtest::OfChannel(records, Channel::Wdm).size(), kEach + 2);
}

}  // namespace
