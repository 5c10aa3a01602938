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

    // Turns the 3D knob by `steps` with the wheel; the state the hook then has.
    fx::FxParams Turn3D(int steps) {
        const unsigned long long mark = Journal::Mark();
        EXPECT_TRUE(WheelOn(m_console, 1000, steps * WHEEL_DELTA));
        EXPECT_TRUE(HookLevelsCame(m_console, mark, 2)) << "the turn never reached the hook";
        return HookState(JournalSinceStart());
    }

    TestPlayer m_player;
};
