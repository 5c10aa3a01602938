// A wave hook that faults, or raises a software exception nothing inside it
// catches, in its control entry while the console sends the Soundfields
// level: that send ends there, the console goes on, and every other message
// still reaches every channel.
#include "EngineTest.h"

#include "harness/FileSwap.h"
#include "harness/InputDriver.h"
#include "harness/SettingsKey.h"

namespace {

class HookFaultTest : public EngineTest {};

TEST_F(HookFaultTest, AnExceptionDuringTheSoundfieldsSendCostsOnlyThatSend) {
    const struct {
        const char* what;
        const char* variant;
    } hooks[] = {{"a write through null", "WavHok32-faultSoundfields.dll"},
                 {"a C++ exception of another compiler", "WavHok32-raiseSoundfields.dll"}};
    for (const auto& hook : hooks) {
        SCOPED_TRACE(hook.what);
        StoreSettings(2, 9, 4, 0, 0);
        FileSwap file(kHookPath);
        ASSERT_TRUE(file.ReplaceWith(std::string("C:\\korvane-sim\\variants\\") + hook.variant));
        KorvaneProcess* p = nullptr;
        // The start already sends the stored level: the hook raises right there.
        HWND console = StartToEngine("win98", &p);
        ASSERT_NE(console, nullptr) << "the start sequence did not finish";
        ASSERT_TRUE(CaughtUp(console));
        // The hook journals each message before it raises, so it is listed too.
        const std::vector<Delivered> start = Expected(kAll).Start(2, 9, 4, false).Get();
        EXPECT_TRUE(SameMessages(Levels(Journal::Read(LaunchMark())), start));

        const unsigned long long mark = Journal::Mark();
        ASSERT_TRUE(InputDriver::Activate(console));
        for (WORD vk : {VK_F11, VK_F7, VK_F11}) ASSERT_TRUE(InputDriver::Key(vk));
        ASSERT_TRUE(CaughtUp(console)) << "the console stopped after the exception";
        const std::vector<Delivered> live = Expected(kAll).ApplySoundfields(5).ApplyVibe(10).ApplySoundfields(6).Get();
        EXPECT_TRUE(SameMessages(Levels(Journal::Read(mark)), live));
        // The status relay goes on reaching the hook.
        EXPECT_TRUE(WaitForJournal(Journal::Mark(), "HOOK", "IOCTL", "0x002200C8", kUiMs));

        ASSERT_TRUE(CloseAndWait(*p, console));
        EXPECT_EQ(p->ExitCode(), 0u);
        EXPECT_EQ(SettingsKey::GetDword("Soundfields volume"), 6u);
        EXPECT_EQ(SettingsKey::GetDword("Vibe volume"), 10u);
        file.Restore();
    }
}

}  // namespace
