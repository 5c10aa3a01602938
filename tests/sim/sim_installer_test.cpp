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

    const char* const filter = "InstallFilterOverSoundDrivers";
    simtest::ExpectRecords(simtest::ReadJournal(), sim::Channel::Inst,
                           {simtest::Call("InstallDriverRegEntries"), simtest::Call(filter, 0),
                            simtest::Call(filter, 1), simtest::Call(filter, 2)});
    EXPECT_NE(simtest::ReadJournalText().find(" INST CALL InstallFilterOverSoundDrivers 0x00000001 -\r\n"),
              std::string::npos);
}

TEST(InstallerVariants, EachLacksExactlyOneExport) {
    simtest::ExpectEachVariantLacksItsExport("QuorInst", {"InstallDriverRegEntries", "InstallFilterOverSoundDrivers"});
}

}  // namespace
