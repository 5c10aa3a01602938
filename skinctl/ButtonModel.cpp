#include "skinctl/ButtonModel.h"

namespace skinctl {

void ButtonModel::Press() {
    m_held = true;
    m_inside = true;
}

void ButtonModel::Track(bool inside) {
    if (m_held) m_inside = inside;
}

bool ButtonModel::Release(bool inside) {
    if (!m_held) return false;
    m_held = false;
    m_inside = false;
    if (!inside) return false;
    if (m_twoState) m_value = !m_value;
    return true;
}

bool ButtonModel::KeyClick() {
    if (m_held) return false;
    if (m_twoState) m_value = !m_value;
    return true;
}

void ButtonModel::Cancel() {
    m_held = false;
    m_inside = false;
}

}  // namespace skinctl
