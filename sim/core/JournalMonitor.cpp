#include "sim/core/JournalMonitor.h"

#include "engine/ControlCodes.h"

namespace sim {

const char* ControlCodeName(uint32_t code) {
    switch (code) {
        case IOCTL_3D_ENABLE: return "IOCTL_3D_ENABLE";
        case IOCTL_3D_LEVEL: return "IOCTL_3D_LEVEL";
        case IOCTL_3D_LEVEL_SCALED: return "IOCTL_3D_LEVEL_SCALED";
        case IOCTL_VIBE_ENABLE: return "IOCTL_VIBE_ENABLE";
        case IOCTL_VIBE_LEVEL_1: return "IOCTL_VIBE_LEVEL_1";
        case IOCTL_VIBE_LEVEL_2: return "IOCTL_VIBE_LEVEL_2";
        case IOCTL_VIBE_LEVEL_3: return "IOCTL_VIBE_LEVEL_3";
        case IOCTL_HEADPHONES_ENABLE: return "IOCTL_HEADPHONES_ENABLE";
        case IOCTL_HEADPHONES_3D_LEVEL: return "IOCTL_HEADPHONES_3D_LEVEL";
        case IOCTL_GET_STATUS: return "IOCTL_GET_STATUS";
        case IOCTL_SET_STATUS: return "IOCTL_SET_STATUS";
        case IOCTL_AUX_ENABLE: return "IOCTL_AUX_ENABLE";
        case IOCTL_SOUNDFIELDS_LEVEL: return "IOCTL_SOUNDFIELDS_LEVEL";
        case IOCTL_SOUNDFIELDS_ENABLE: return "IOCTL_SOUNDFIELDS_ENABLE";
        case IOCTL_MASTER_VOLUME: return "IOCTL_MASTER_VOLUME";
        default: return nullptr;
    }
}

void JournalMonitor::Feed(const std::string& line) {
    if (line.empty()) return;
    const auto record = JournalRecord::Parse(line);
    if (!record) {
        FlushStatusRelay();
        ++m_malformed;
        m_out << "?? " << line << "\n";
        return;
    }
    m_state.Apply(*record);
    const bool relay =
        record->kind == Kind::Ioctl && (record->code == IOCTL_GET_STATUS || record->code == IOCTL_SET_STATUS);
    if (relay && !m_showStatusRelay) {
        ++m_relayed;
        m_lastRelayed = line;
        return;
    }
    FlushStatusRelay();
    m_out << line;
    if (record->kind == Kind::Ioctl) {
        const char* name = ControlCodeName(record->code);
        m_out << "  " << (name ? name : "(unknown code)");
    }
    m_out << "\n    " << m_state.Describe(record->channel) << "\n";
}

void JournalMonitor::FlushStatusRelay() {
    if (m_relayed == 0) return;
    m_out << "    .. " << m_relayed << " status relay record" << (m_relayed == 1 ? "" : "s")
          << ", the last: " << m_lastRelayed << "\n";
    m_relayed = 0;
}

void JournalMonitor::Restart() {
    FlushStatusRelay();
    m_state.Reset();
    m_out << "-- journal restarted --\n";
}

void JournalMonitor::PrintFinalState() {
    FlushStatusRelay();
    m_out << "== final state ==\n";
    bool any = false;
    for (Channel c : {Channel::Vxd, Channel::Wdm, Channel::Hook, Channel::Inst}) {
        if (m_state.Seen(c)) {
            m_out << m_state.Describe(c) << "\n";
            any = true;
        }
    }
    if (!any) m_out << "(empty journal)\n";
}

}  // namespace sim
