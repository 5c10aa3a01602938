// What korvmon prints: each journal record with the control code's name,
// followed by the state of its channel in words, and the whole engine at the
// end. The status relay (ten records a second per channel) would bury every
// knob turn, so by default its records are only counted and summed up in one
// line before the next other record.
#pragma once

#include <stdint.h>

#include <ostream>
#include <string>

#include "sim/core/EngineState.h"

namespace sim {

class JournalMonitor {
public:
    explicit JournalMonitor(std::ostream& out, bool showStatusRelay = false)
        : m_out(out), m_showStatusRelay(showStatusRelay) {}

    void Feed(const std::string& line);
    void Restart();          // the journal began anew
    void PrintFinalState();  // one line per channel seen
    const EngineState& State() const { return m_state; }
    int Malformed() const { return m_malformed; }

private:
    void FlushStatusRelay();

    std::ostream& m_out;
    bool m_showStatusRelay;
    EngineState m_state;
    int m_malformed = 0;
    unsigned m_relayed = 0;     // status records not printed yet
    std::string m_lastRelayed;  // the newest of them, as it stands
};

// "IOCTL_3D_LEVEL" and the like; null for a code the engine does not know.
const char* ControlCodeName(uint32_t code);

}  // namespace sim
