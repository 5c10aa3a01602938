#include "sim/core/JournalMonitor.h"

namespace sim {

void JournalMonitor::Feed(const std::string& line)
{
    if (line.empty())
        return;
    const auto record = JournalRecord::Parse(line);
    if (!record) {
        ++m_malformed;
        m_out << "?? " << line << "\n";
        return;
    }
    m_state.Apply(*record);
    m_out << line << "\n    " << m_state.Describe(record->channel) << "\n";
}

void JournalMonitor::Restart()
{
    m_state.Reset();
    m_out << "-- journal restarted --\n";
}

void JournalMonitor::PrintFinalState()
{
    m_out << "== final state ==\n";
    bool any = false;
    for (Channel c : {Channel::Vxd, Channel::Wdm, Channel::Hook, Channel::Inst}) {
        if (m_state.Seen(c)) {
            m_out << m_state.Describe(c) << "\n";
            any = true;
        }
    }
    if (!any)
        m_out << "(empty journal)\n";
}

}  // namespace sim
