// The wave hook library: its exports by plain name, the variants that lack
// one, the journal of its calls and the unload answer set by CanUnloadAfter.
#include <gtest/gtest.h>

#include <string>

#include "SimTestSupport.h"
#include "engine/ControlCodes.h"

using sim::Channel;
using simtest::Call;
using simtest::Ioctl;
using simtest::Library;

namespace {

using VoidFn = DWORD(WINAPI*)();
using IoCtlFn = DWORD(WINAPI*)(DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD);

class HookTest : public ::testing::Test {
protected:
    void SetUp() override {
        simtest::RemoveJournal();
        simtest::SetSimDword("Journal", true, 1);
        simtest::SetSimDword("CanUnloadAfter", false);
        ASSERT_TRUE(m_lib.IsLoaded()) << simtest::SimDll("WavHok32.dll");
        m_prepare = m_lib.As<VoidFn>("QuorWav9xPrepareForUnloading");
        m_canUnload = m_lib.As<VoidFn>("QuorWav9xCanUnloadNow");
        ASSERT_TRUE(m_prepare && m_canUnload);
    }
    void TearDown() override { simtest::SetSimDword("CanUnloadAfter", false); }

    // Prepares with the setting given (absent when `present` is false) and
    // asks `questions` times; returns the answers as a string of 0s and 1s.
    std::string Answers(bool present, DWORD setting, int questions) {
        simtest::SetSimDword("CanUnloadAfter", present, setting);
        m_prepare();
        std::string answers;
        for (int i = 0; i < questions; ++i) answers += m_canUnload() ? '1' : '0';
        return answers;
    }

    Library m_lib{simtest::SimDll("WavHok32.dll")};
    VoidFn m_prepare = nullptr;
    VoidFn m_canUnload = nullptr;
};

TEST_F(HookTest, JournalsLifecycleAndMessages) {
    auto hook = m_lib.As<VoidFn>("QuorWav9xHook");
    auto unhook = m_lib.As<VoidFn>("QuorWav9xUnHook");
    auto ioctl = m_lib.As<IoCtlFn>("QuorWav9xIoCtl");
    ASSERT_TRUE(hook && unhook && ioctl);

    hook();
    DWORD status = 0x01234567;
    DWORD returned = 0xFFFFFFFF;
    ioctl(IOCTL_SET_STATUS, &status, 4, nullptr, 0, &returned);
    EXPECT_EQ(returned, 0u);
    ioctl(IOCTL_AUX_ENABLE, nullptr, 0, nullptr, 0, nullptr);  // no payload, no count
    m_prepare();
    m_canUnload();
    unhook();

    simtest::ExpectRecords(
        simtest::ReadJournal(), Channel::Hook,
        {Call("QuorWav9xHook"), Ioctl(IOCTL_SET_STATUS, 0x01234567u, 4), Ioctl(IOCTL_AUX_ENABLE, std::nullopt, 0),
         Call("QuorWav9xPrepareForUnloading"), Call("QuorWav9xCanUnloadNow", 1), Call("QuorWav9xUnHook")});

    const std::string text = simtest::ReadJournalText();
    EXPECT_NE(text.find(" HOOK CALL QuorWav9xCanUnloadNow 0x00000001 -\r\n"), std::string::npos);
    EXPECT_NE(text.find(" HOOK CALL QuorWav9xHook - -\r\n"), std::string::npos);
}

TEST_F(HookTest, CanUnloadAfterSetsTheNumberOfRefusals) {
    EXPECT_EQ(Answers(false, 0, 3), "111");
    EXPECT_EQ(Answers(true, 0, 2), "11");
    EXPECT_EQ(Answers(true, 1, 3), "011");
    EXPECT_EQ(Answers(true, 3, 5), "00011");
    // More questions than the program's 5-second wait ever asks.
    EXPECT_EQ(Answers(true, 0xFFFFFFFF, 60), std::string(60, '0'));
    // A new preparation starts a new count with the setting as it is then.
    EXPECT_EQ(Answers(true, 2, 3), "001");

    const auto records = simtest::ReadJournal();
    int refusals = 0, agreements = 0;
    for (const auto& r : records) {
        if (r.name != "QuorWav9xCanUnloadNow") continue;
        ASSERT_TRUE(r.value.has_value());
        (*r.value ? agreements : refusals)++;
    }
    EXPECT_EQ(refusals, 0 + 0 + 1 + 3 + 60 + 2);
    EXPECT_EQ(agreements, 3 + 2 + 2 + 2 + 0 + 1);
}

// Each variant lacks exactly the export its name says, and has the others.
TEST(HookVariants, EachLacksExactlyOneExport) {
    simtest::ExpectEachVariantLacksItsExport("WavHok32", {"QuorWav9xHook", "QuorWav9xUnHook", "QuorWav9xIoCtl",
                                                          "QuorWav9xPrepareForUnloading", "QuorWav9xCanUnloadNow"});
}

}  // namespace
