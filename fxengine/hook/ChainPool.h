// Effect chains lent out for a while: a buffer needs one only while it is
// rendered (a stream keeps its state apart, fx::ChainState), so the process
// keeps a couple and every buffer borrows.
// Thread-safe; a chain handed out is the borrower's alone until given back.
#pragma once

#include "fx/ChainState.h"
#include "fx/FxChain.h"

namespace fxengine {

class ChainPool {
public:
    // A chain opened for `format` and reset; null when memory is short.
    static fx::FxChain* Borrow(const fx::FxFormat& format);
    // Any chain, holding `state`; null when memory is short.
    static fx::FxChain* Borrow(const fx::ChainState& state);
    static void GiveBack(fx::FxChain* chain);
    static void Shutdown();  // the library leaves the process
};

// Holds a borrowed chain for one scope.
class BorrowedChain {
public:
    explicit BorrowedChain(const fx::FxFormat& format) : m_chain(ChainPool::Borrow(format)) {}
    // Holding `state`, or fresh when it holds none.
    BorrowedChain(const fx::FxFormat& format, const fx::ChainState& state)
        : m_chain(state.Empty() ? ChainPool::Borrow(format) : ChainPool::Borrow(state)) {}
    ~BorrowedChain() {
        if (m_chain) ChainPool::GiveBack(m_chain);
    }
    BorrowedChain(const BorrowedChain&) = delete;
    BorrowedChain& operator=(const BorrowedChain&) = delete;
    fx::FxChain* Get() const { return m_chain; }

private:
    fx::FxChain* m_chain;
};

}  // namespace fxengine
