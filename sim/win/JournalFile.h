// Appends journal lines from user mode (the wave hook and installer DLLs, the
// tests). Opens, appends and closes per record, like the driver, so both can
// write the same file and a test may truncate or delete it at any time.
#pragma once

#include <string>

#include "sim/core/JournalFormat.h"

namespace sim {

class JournalFile {
public:
    static const char* DefaultPath();  // C:\korvane-sim\journal.log

    static unsigned long long Now();  // the journal's shared clock, ms
    static bool Append(const JournalLine& line, const char* path = DefaultPath());

private:
    static constexpr int kOpenAttempts = 20;
    static constexpr unsigned long kTurnLockOffsetHigh = JOURNAL_TURN_LOCK_OFFSET_HIGH;
};

}  // namespace sim
