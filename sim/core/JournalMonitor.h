// What korvmon prints: each journal record followed by the state of its
// channel in words, and the whole engine at the end.
#pragma once

#include <ostream>
#include <string>

#include "sim/core/EngineState.h"

namespace sim {

class JournalMonitor {
public:
    explicit JournalMonitor(std::ostream& out) : m_out(out) {}

    void Feed(const std::string& line);
    void Restart();              // the journal began anew
    void PrintFinalState();      // one line per channel seen
    const EngineState& State() const { return m_state; }
    int Malformed() const { return m_malformed; }

private:
    std::ostream& m_out;
    EngineState m_state;
    int m_malformed = 0;
};

}  // namespace sim
