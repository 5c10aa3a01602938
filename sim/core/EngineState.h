// The simulated engine as a journal describes it: the effect settings of the
// VxD, the WDM driver and the wave hook, the open handles of the devices, the
// hook's lifecycle and the installer's calls. Built by replaying records.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>

#include "sim/core/ChannelState.h"
#include "sim/core/JournalRecord.h"

namespace sim {

class EngineState {
public:
    void Apply(const JournalRecord& record);
    void Reset() { *this = EngineState(); }

    // Null for the installer, which has no effect settings.
    const ChannelState* Effects(Channel channel) const;
    int OpenHandles(Channel channel) const;
    bool Seen(Channel channel) const { return m_seen[Index(channel)]; }

    bool Hooked() const { return m_bHooked; }
    std::optional<bool> LastUnloadAnswer() const { return m_lastUnloadAnswer; }
    std::optional<uint32_t> InstallAnswer() const { return m_installAnswer; }

    // One line in words, e.g. "WDM: 3D 0.2727 (scaled 0.0341) on, ...".
    std::string Describe(Channel channel) const;

private:
    static int Index(Channel channel) { return static_cast<int>(channel); }
    void ApplyCall(const JournalRecord& record);

    ChannelState m_effects[3];      // VXD, WDM, HOOK
    int m_openHandles[2] = {0, 0};  // VXD, WDM
    bool m_seen[4] = {false, false, false, false};
    bool m_bHooked = false;
    bool m_bPrepared = false;
    uint32_t m_unloadQuestions = 0;
    std::optional<bool> m_lastUnloadAnswer;
    bool m_bRegEntries = false;
    std::optional<uint32_t> m_installAnswer;
};

}  // namespace sim
