// An effect chain's state kept between uses (FxChain::SaveState): a stream
// keeps a few of these, a few tens of KB each, instead of whole chains, and
// runs them on a chain it borrows. The memory grows to the largest state it
// held and no further.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "fx/FxChain.h"

namespace fx {

class ChainState {
public:
    ChainState() = default;
    ~ChainState();
    ChainState(ChainState&& other) noexcept;
    ChainState& operator=(ChainState&& other) noexcept;
    ChainState(const ChainState&) = delete;
    ChainState& operator=(const ChainState&) = delete;

    // False when memory is short (then it holds nothing).
    bool Save(const FxChain& chain);
    bool CopyFrom(const ChainState& other);
    // Only when it holds a state.
    void Load(FxChain* chain) const;

    bool Empty() const { return m_used == 0; }
    void Clear() { m_used = 0; }
    size_t Capacity() const { return m_capacity; }

private:
    bool Reserve(size_t bytes);

    unsigned char* m_data = nullptr;
    size_t m_capacity = 0, m_used = 0;
};

}  // namespace fx
