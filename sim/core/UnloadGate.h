// When the wave hook agrees to be unloaded. Armed with the test setting
// "CanUnloadAfter": 0 agrees at the first question, N refuses the first N
// questions and agrees afterwards, kNever refuses for good.
#pragma once

#include <stdint.h>

namespace sim {

class UnloadGate {
public:
    static constexpr uint32_t kNever = 0xFFFFFFFFu;

    // Starts a new count of questions with this refusal limit.
    void Arm(uint32_t refusals);
    bool IsArmed() const { return m_bArmed; }

    // One QuorWav9xCanUnloadNow question: true when the hook may be unloaded.
    bool Ask();

    uint32_t Questions() const { return m_questions; }

private:
    bool m_bArmed = false;
    uint32_t m_refusals = 0;
    uint32_t m_questions = 0;
};

}  // namespace sim
