// The test player (korvplay.exe) as the tests drive it: started posing as a
// Windows version, paced chunk by chunk through its sync events, its exit
// code, and what the session's capture device heard of it.
#pragma once

#include <windows.h>

#include <string>

#include "framework/KernelHandle.h"

class TestPlayer {
public:
    // sync: the name of the pacing events (NAME.wrote, NAME.go); none when empty.
    explicit TestPlayer(const std::string& sync = "");
    ~TestPlayer();
    TestPlayer(const TestPlayer&) = delete;
    TestPlayer& operator=(const TestPlayer&) = delete;

    // The Windows version Wine shows the program `exe` (a file name) from
    // its next start on.
    static bool PoseAs(const std::string& exe, const std::string& version);
    // The capture device's file seen from Windows; empty outside tools/run-tests.sh.
    const std::string& CapturePath() const { return m_capture; }
    // Empties the capture and starts the player with these words (sync= is
    // added when the player has a name), posing as `version`.
    bool Start(const std::string& version, const std::string& words);
    // Until the player says it wrote (drain=1: and played) a chunk; false
    // when it ended instead or took more than a minute.
    bool Wrote();
    void Go();
    // Until the player ends: its exit code; 99 when it did not end in time
    // (it is ended then), 98 when none was started.
    DWORD Finish(DWORD timeoutMs = 120000);
    // Ends it from outside, as a task manager does; true once it is gone.
    bool Kill();
    // Lets the player go (ended first when still running).
    void Forget();
    // What the capture device heard since the start.
    std::string Heard() const;

private:
    std::string m_sync, m_capture;
    ObjectHandle m_wrote, m_go, m_process;
};
