#include "sim/core/EngineState.h"

#include <stdio.h>

namespace sim {

void EngineState::Apply(const JournalRecord& record) {
    const Channel channel = record.channel;
    m_seen[Index(channel)] = true;
    switch (record.kind) {
        case Kind::Open:
            if (channel == Channel::Vxd || channel == Channel::Wdm) ++m_openHandles[Index(channel)];
            break;
        case Kind::Close:
            if ((channel == Channel::Vxd || channel == Channel::Wdm) && m_openHandles[Index(channel)] > 0)
                --m_openHandles[Index(channel)];
            break;
        case Kind::Ioctl:
            if (channel != Channel::Inst) m_effects[Index(channel)].Apply(record.code, record.value);
            break;
        case Kind::Call: ApplyCall(record); break;
    }
}

void EngineState::ApplyCall(const JournalRecord& record) {
    const std::string& name = record.name;
    if (name == "QuorWav9xHook") {
        m_bHooked = true;
        m_bPrepared = false;
        m_unloadQuestions = 0;
        m_lastUnloadAnswer.reset();
    } else if (name == "QuorWav9xUnHook") {
        m_bHooked = false;
    } else if (name == "QuorWav9xPrepareForUnloading") {
        m_bPrepared = true;
        m_unloadQuestions = 0;
    } else if (name == "QuorWav9xCanUnloadNow") {
        ++m_unloadQuestions;
        m_lastUnloadAnswer = record.value && *record.value != 0;
    } else if (name == "InstallDriverRegEntries") {
        m_bRegEntries = true;
    } else if (name == "InstallFilterOverSoundDrivers") {
        m_installAnswer = record.value;
    }
}

const ChannelState* EngineState::Effects(Channel channel) const {
    return channel == Channel::Inst ? nullptr : &m_effects[Index(channel)];
}

int EngineState::OpenHandles(Channel channel) const {
    return (channel == Channel::Vxd || channel == Channel::Wdm) ? m_openHandles[Index(channel)] : 0;
}

std::string EngineState::Describe(Channel channel) const {
    std::string text = std::string(ChannelName(channel)) + ": ";
    if (channel == Channel::Inst) {
        text += m_bRegEntries ? "driver entries installed" : "driver entries not installed";
        text += ", filter ";
        if (!m_installAnswer) {
            text += "not installed";
        } else {
            char hex[16];
            snprintf(hex, sizeof(hex), "0x%08X", static_cast<unsigned>(*m_installAnswer));
            text += std::string("answered ") + hex + (*m_installAnswer == 1 ? " (restart)" : "");
        }
        return text;
    }
    text += m_effects[Index(channel)].Describe();
    if (channel == Channel::Hook) {
        text += m_bHooked ? ", hooked" : ", not hooked";
        if (m_bPrepared) text += ", prepared for unloading";
        if (m_lastUnloadAnswer)
            text += std::string(", unload ") + (*m_lastUnloadAnswer ? "agreed" : "refused") + " (asked " +
                    std::to_string(m_unloadQuestions) + ")";
    } else {
        text += ", handles " + std::to_string(m_openHandles[Index(channel)]);
    }
    return text;
}

}  // namespace sim
