#include "fx/ChainState.h"

#include <stdlib.h>
#include <string.h>

namespace fx {

ChainState::~ChainState() {
    free(m_data);
}

ChainState::ChainState(ChainState&& other) noexcept
    : m_data(other.m_data), m_capacity(other.m_capacity), m_used(other.m_used) {
    other.m_data = nullptr;
    other.m_capacity = other.m_used = 0;
}

ChainState& ChainState::operator=(ChainState&& other) noexcept {
    if (this != &other) {
        free(m_data);
        m_data = other.m_data;
        m_capacity = other.m_capacity;
        m_used = other.m_used;
        other.m_data = nullptr;
        other.m_capacity = other.m_used = 0;
    }
    return *this;
}

bool ChainState::Reserve(size_t bytes) {
    m_used = 0;
    if (bytes <= m_capacity) return true;
    void* grown = realloc(m_data, bytes);
    if (!grown) return false;
    m_data = static_cast<unsigned char*>(grown);
    m_capacity = bytes;
    return true;
}

bool ChainState::Save(const FxChain& chain) {
    const size_t bytes = chain.StateBytes();
    if (!Reserve(bytes)) return false;
    chain.SaveState(m_data);
    m_used = bytes;
    return true;
}

bool ChainState::CopyFrom(const ChainState& other) {
    if (this == &other) return true;
    if (!Reserve(other.m_used)) return false;
    if (other.m_used) memcpy(m_data, other.m_data, other.m_used);
    m_used = other.m_used;
    return true;
}

void ChainState::Load(FxChain* chain) const {
    if (m_used) chain->LoadState(m_data);
}

}  // namespace fx
