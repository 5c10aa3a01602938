// A wave hook that faults inside its control entry while the console sends
// the Soundfields level: that send ends there, the console goes on, and
// every other message still reaches every channel.
#include "EngineTest.h"

#include "harness/FileSwap.h"
#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"
#include "harness/Wait.h"

namespace {

class HookFaultTest : public EngineTest {};

TEST_F(HookFaultTest, AFaultDuringTheSoundfieldsSendCostsOnlyThatSend) {
    StoreSettings(2, 9, 4, 0, 0);
    FileSwap hook(kHookPath);
    ASSERT_TRUE(hook.ReplaceWith("C:\\korvane-sim\\variants\\WavHok32-faultSoundfields.dll"));
    KorvaneProcess* p = nullptr;
    // The start already sends the stored level: the hook faults right there.
    HWND console = StartToConsole("win98", &p);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(WaitForJournal("HOOK", "IOCTL", "0x00220144", 15000)) << "the start sequence did not finish";
    ASSERT_TRUE(CaughtUp(console));
    // The hook journals each message before it faults, so it is listed too.
    const std::vector<Delivered> start =
        Expected(kAll).Apply3D(2, false).ApplyVibe(9).ApplySoundfields(4).ApplyHeadphones(false, 2).SwitchOn().Get();
    EXPECT_TRUE(SameMessages(Levels(JournalSinceStart()), start));

    const unsigned long long mark = Journal::Mark();
    ASSERT_TRUE(InputDriver::Activate(console));
    for (WORD vk : {VK_F11, VK_F7, VK_F11}) ASSERT_TRUE(InputDriver::Key(vk));
    ASSERT_TRUE(CaughtUp(console)) << "the console stopped after the fault";
    const std::vector<Delivered> live = Expected(kAll).ApplySoundfields(5).ApplyVibe(10).ApplySoundfields(6).Get();
    EXPECT_TRUE(SameMessages(Levels(Journal::Read(mark)), live));
    // The status relay goes on reaching the hook.
    const unsigned long long relayMark = Journal::Mark();
    EXPECT_TRUE(WaitUntil([&] { return !Journal::Select(Journal::Read(relayMark), "HOOK", "IOCTL", "0x002200C8").empty(); },
                          kUiMs));

    ASSERT_TRUE(CloseAndWait(*p, console));
    EXPECT_EQ(p->ExitCode(), 0u);
    EXPECT_EQ(SettingsKey::GetDword("Soundfields volume"), 6u);
    EXPECT_EQ(SettingsKey::GetDword("Vibe volume"), 10u);
}

}  // namespace
