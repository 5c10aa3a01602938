// The installer library: both exports, the answer set by InstallAnswer, the
// variants without one export.
#include <gtest/gtest.h>

#include <string>

#include "SimTestSupport.h"

namespace {

using InstallFn = int(WINAPI*)(void);

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        simtest::RemoveJournal();
        simtest::SetSimDword("InstallAnswer", false);
        m_h = LoadLibraryA(simtest::SimDll("QuorInst.dll").c_str());
        ASSERT_NE(m_h, nullptr);
        m_regEntries = reinterpret_cast<InstallFn>(GetProcAddress(m_h, "InstallDriverRegEntries"));
        m_filter = reinterpret_cast<InstallFn>(GetProcAddress(m_h, "InstallFilterOverSoundDrivers"));
        ASSERT_TRUE(m_regEntries && m_filter);
    }
    void TearDown() override {
        simtest::SetSimDword("InstallAnswer", false);
        if (m_h) FreeLibrary(m_h);
    }

    HMODULE m_h = nullptr;
    InstallFn m_regEntries = nullptr;
    InstallFn m_filter = nullptr;
};

TEST_F(InstallerTest, AnswersTheConfiguredValueAndJournalsBothCalls) {
    m_regEntries();
    EXPECT_EQ(m_filter(), 0);  // nothing configured
    simtest::SetSimDword("InstallAnswer", true, 1);
    EXPECT_EQ(m_filter(), 1);
    simtest::SetSimDword("InstallAnswer", true, 2);
    EXPECT_EQ(m_filter(), 2);

    const auto records = simtest::ReadJournal();
    ASSERT_EQ(records.size(), 4u) << simtest::ReadJournalText();
    for (const auto& r : records) {
        EXPECT_EQ(r.channel, sim::Channel::Inst);
        EXPECT_EQ(r.kind, sim::Kind::Call);
    }
    EXPECT_EQ(records[0].name, "InstallDriverRegEntries");
    EXPECT_FALSE(records[0].value.has_value());
    EXPECT_EQ(records[1].value, 0u);
    EXPECT_EQ(records[2].value, 1u);
    EXPECT_EQ(records[3].value, 2u);
    EXPECT_NE(simtest::ReadJournalText().find(" INST CALL InstallFilterOverSoundDrivers 0x00000001 -\r\n"),
              std::string::npos);
}

TEST(InstallerVariants, EachLacksExactlyOneExport) {
    const char* const exports[] = {"InstallDriverRegEntries", "InstallFilterOverSoundDrivers"};
    for (const char* missing : exports) {
        SCOPED_TRACE(missing);
        HMODULE h = LoadLibraryA(simtest::SimDll(("QuorInst-no" + std::string(missing) + ".dll").c_str()).c_str());
        ASSERT_NE(h, nullptr);
        for (const char* name : exports)
            EXPECT_EQ(GetProcAddress(h, name) == nullptr, strcmp(name, missing) == 0) << name;
        FreeLibrary(h);
    }
}

}  // namespace
