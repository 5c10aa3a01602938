// Every control code as a number, read off the engine's journal of a real
// session. Deliberately written without the program's table of codes: two
// codes swapped there would otherwise go unnoticed by every test that builds
// its expectations from the same table.
#include "EngineTest.h"

#include "harness/InputDriver.h"
#include "harness/Wait.h"

#include <algorithm>

namespace {

class CodeValuesTest : public EngineTest {
protected:
    // The messages of one channel since the mark, status relay left out.
    static std::vector<std::pair<DWORD, DWORD>> Sent(unsigned long long mark, const std::string& chan,
                                                     std::vector<DWORD>* status = nullptr) {
        std::vector<std::pair<DWORD, DWORD>> out;
        for (const JournalEntry& e : Journal::Select(Journal::Read(mark), chan, "IOCTL")) {
            const DWORD code = e.Code().value_or(0);
            if (code == 0x2200C4 || code == 0x2200C8) {
                if (status) status->push_back(code);
                continue;
            }
            out.push_back({code, e.Payload().value_or(0xDEADBEEF)});
        }
        return out;
    }
    // Waits until each channel holds at least n messages since the mark.
    static bool WaitForCount(unsigned long long mark, size_t n) {
        return WaitUntil(
            [&] {
                for (const char* chan : {"VXD", "WDM", "HOOK"})
                    if (Sent(mark, chan).size() < n) return false;
                return true;
            },
            kUiMs);
    }
    using List = std::vector<std::pair<DWORD, DWORD>>;
};

TEST_F(CodeValuesTest, EachCodeHasItsNumber) {
    StoreSettings(3, 5, 7, 0, 0);
    const unsigned long long start = Journal::Mark();
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    ASSERT_TRUE(WaitForJournal("HOOK", "IOCTL", "0x002200C8", kStartMs)) << "no status relayed to the hook";
    std::vector<DWORD> status;
    Sent(start, "WDM", &status);
    EXPECT_NE(std::find(status.begin(), status.end(), 0x2200C4u), status.end()) << "no status read from WDM";
    for (const char* chan : {"VXD", "WDM", "HOOK"}) {
        const List started = Sent(start, chan);
        SCOPED_TRACE(chan);
        EXPECT_NE(std::find(started.begin(), started.end(), std::make_pair(0x220040ul, 1ul)), started.end())
            << "Vibe on";
        EXPECT_NE(std::find(started.begin(), started.end(), std::make_pair(0x220144ul, 1ul)), started.end())
            << "Soundfields on";
    }

    ASSERT_TRUE(InputDriver::Activate(m_console));
    unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Key(VK_SPACE));  // headphones on, 3D in its headphone form
    ASSERT_TRUE(WaitForCount(mark, 3));
    ASSERT_TRUE(InputDriver::Key(VK_SPACE));  // and off again, 3D as two levels
    ASSERT_TRUE(WaitForCount(mark, 7));
    ASSERT_TRUE(InputDriver::Key(VK_F5));  // Vibe 5 -> 2: levels 2, 3, 1
    ASSERT_TRUE(WaitForCount(mark, 10));
    ASSERT_TRUE(InputDriver::Key(VK_F12));  // Soundfields 7 -> 10
    ASSERT_TRUE(WaitForCount(mark, 11));
    ASSERT_TRUE(CaughtUp(m_console));
    const List live = {{0x220080, 1},
                       {0x220000, 0},
                       {0x220084, HeadphonesLevel(3)},
                       {0x220080, 0},
                       {0x220000, 1},
                       {0x220004, Level3DBits(3)},
                       {0x220008, Level3DScaledBits(3)},
                       {0x220048, Level3DBits(2)},
                       {0x22004C, Level3DBits(2)},
                       {0x220044, Level3DBits(2)},
                       {0x220140, Level3DBits(10)}};
    for (const char* chan : {"VXD", "WDM", "HOOK"}) EXPECT_EQ(Sent(mark, chan), live) << chan;

    // Closing switches every effect off on both devices.
    mark = Journal::Mark();
    ASSERT_TRUE(CloseAndWait(*m_korvane, m_console));
    const List off = {{0x220000, 0}, {0x220040, 0}, {0x220080, 0}, {0x220100, 0}, {0x220144, 0}};
    for (const char* chan : {"VXD", "WDM"}) EXPECT_EQ(Sent(mark, chan), off) << chan;
}

}  // namespace
