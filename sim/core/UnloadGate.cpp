#include "sim/core/UnloadGate.h"

namespace sim {

void UnloadGate::Arm(uint32_t refusals) {
    m_bArmed = true;
    m_refusals = refusals;
    m_questions = 0;
}

bool UnloadGate::Ask() {
    // Saturate: a caller polling for ever must not wrap round into agreement.
    const uint32_t asked = m_questions;
    if (m_questions != kNever) ++m_questions;
    if (m_refusals == kNever) return false;
    return asked >= m_refusals;
}

}  // namespace sim
