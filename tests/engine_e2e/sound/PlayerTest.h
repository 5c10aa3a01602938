// The sound tests' fixture: the test player and the session's capture device.
#pragma once

#include "EngineTest.h"
#include "sound/TestPlayer.h"

class PlayerTest : public EngineTest {
protected:
    // sync: the name of the player's pacing events (see TestPlayer).
    explicit PlayerTest(const std::string& sync = "") : m_player(sync) {}
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_FALSE(m_player.CapturePath().empty()) << "no capture device: run under tools/run-tests.sh";
    }

    TestPlayer m_player;
};
