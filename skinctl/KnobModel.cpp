#include "skinctl/KnobModel.h"

namespace skinctl {

void KnobModel::BeginDrag(int x, int y) {
    m_dragging = true;
    m_lastX = x;
    m_lastY = y;
    m_dragRest = 0;
}

bool KnobModel::DragTo(int x, int y) {
    if (!m_dragging) return false;
    // Screen y grows downwards, so moving up is a positive turn. 64-bit: a
    // captured pointer can report any 16-bit coordinate on either side.
    const int64_t travel = int64_t(m_dragRest) + (int64_t(x) - m_lastX) + (int64_t(m_lastY) - y);
    m_lastX = x;
    m_lastY = y;
    const int64_t steps = travel / PIXELS_PER_STEP;
    m_dragRest = int(travel - steps * PIXELS_PER_STEP);
    // More than twelve steps at once can only end at a stop.
    const int bounded = steps > 12 ? 12 : steps < -12 ? -12 : int(steps);
    return Step(bounded);
}

bool KnobModel::Wheel(int delta) {
    const int64_t total = int64_t(m_wheelRest) + delta;
    const int64_t steps = total / WHEEL_NOTCH;
    m_wheelRest = int(total - steps * WHEEL_NOTCH);
    const int bounded = steps > 12 ? 12 : steps < -12 ? -12 : int(steps);
    return Step(bounded);
}

bool KnobModel::Key(KeyTurn turn) {
    switch (turn) {
        case KEY_STEP_DOWN: return Step(-1);
        case KEY_STEP_UP: return Step(1);
        case KEY_PAGE_DOWN: return Step(-3);
        case KEY_PAGE_UP: return Step(3);
        // A stored value far outside the range would overflow as a step count.
        case KEY_LOWEST: return MoveTo(MIN_POSITION);
        case KEY_HIGHEST: return MoveTo(MAX_POSITION);
    }
    return false;
}

bool KnobModel::MoveTo(int32_t target) {
    if (target == m_value) return false;
    m_value = target;
    return true;
}

bool KnobModel::Step(int steps) {
    if (steps == 0) return false;
    int64_t target = int64_t(m_value) + steps;
    if (target < MIN_POSITION) target = MIN_POSITION;
    if (target > MAX_POSITION) target = MAX_POSITION;
    if (target == m_value) return false;
    m_value = int32_t(target);
    return true;
}

}  // namespace skinctl
