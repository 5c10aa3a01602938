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
        ASSERT_TRUE(m_lib.IsLoaded());
        m_regEntries = m_lib.As<InstallFn>("InstallDriverRegEntries");
        m_filter = m_lib.As<InstallFn>("InstallFilterOverSoundDrivers");
        ASSERT_TRUE(m_regEntries && m_filter);
    }
    void TearDown() override { simtest::SetSimDword("InstallAnswer", false); }

    simtest::Library m_lib{simtest::SimDll("QuorInst.dll")};
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
        simtest::Library lib(simtest::SimDll(("QuorInst-no" + std::string(missing) + ".dll").c_str()));
        ASSERT_TRUE(lib.IsLoaded());
        for (const char* name : exports) EXPECT_EQ(lib.Entry(name) == nullptr, strcmp(name, missing) == 0) << name;
    }
}

}  // namespace
