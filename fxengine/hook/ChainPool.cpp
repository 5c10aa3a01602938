#include "ChainPool.h"

#include <windows.h>

#include <string.h>

#include <new>

namespace fxengine {
namespace {

// Kept for the next borrower; more than this many at once are made and freed.
constexpr int kKept = 2;

volatile LONG g_ready = 0;  // 0 nothing, 1 being made, 2 ready
CRITICAL_SECTION g_lock;
fx::FxChain* g_kept[kKept] = {};

bool Ready() {
    if (__atomic_load_n(&g_ready, __ATOMIC_ACQUIRE) == 2) return true;
    if (InterlockedCompareExchange(&g_ready, 1, 0) == 0) {
        InitializeCriticalSection(&g_lock);
        __atomic_store_n(&g_ready, 2, __ATOMIC_RELEASE);
    }
    while (__atomic_load_n(&g_ready, __ATOMIC_ACQUIRE) != 2) Sleep(0);
    return true;
}

bool SameFormat(const fx::FxFormat& a, const fx::FxFormat& b) {
    return a.formatTag == b.formatTag && a.channels == b.channels && a.sampleRate == b.sampleRate &&
           a.bitsPerSample == b.bitsPerSample && a.blockAlign == b.blockAlign && a.validBits == b.validBits;
}

}  // namespace

fx::FxChain* ChainPool::Borrow(const fx::FxFormat& format) {
    Ready();
    fx::FxChain* chain = nullptr;
    EnterCriticalSection(&g_lock);
    // One opened for the same format first: opening costs more than a reset.
    for (int pass = 0; pass < 2 && !chain; ++pass)
        for (fx::FxChain*& kept : g_kept)
            if (kept && (pass == 1 || SameFormat(kept->Format(), format))) {
                chain = kept;
                kept = nullptr;
                break;
            }
    LeaveCriticalSection(&g_lock);
    if (!chain) chain = new (std::nothrow) fx::FxChain;
    if (!chain) return nullptr;
    if (!chain->IsOpen() || !SameFormat(chain->Format(), format)) {
        if (!chain->Open(format)) {
            delete chain;
            return nullptr;
        }
    } else {
        chain->Reset();
    }
    return chain;
}

fx::FxChain* ChainPool::Borrow(const fx::ChainState& state) {
    Ready();
    fx::FxChain* chain = nullptr;
    EnterCriticalSection(&g_lock);
    for (fx::FxChain*& kept : g_kept)
        if (kept) {
            chain = kept;
            kept = nullptr;
            break;
        }
    LeaveCriticalSection(&g_lock);
    if (!chain) chain = new (std::nothrow) fx::FxChain;
    if (chain) state.Load(chain);  // the whole state: nothing of the chain's own is left
    return chain;
}

void ChainPool::GiveBack(fx::FxChain* chain) {
    Ready();
    EnterCriticalSection(&g_lock);
    for (fx::FxChain*& kept : g_kept)
        if (!kept) {
            kept = chain;
            chain = nullptr;
            break;
        }
    LeaveCriticalSection(&g_lock);
    delete chain;
}

void ChainPool::Shutdown() {
    if (__atomic_load_n(&g_ready, __ATOMIC_ACQUIRE) != 2) return;
    for (fx::FxChain*& kept : g_kept) {
        delete kept;
        kept = nullptr;
    }
    DeleteCriticalSection(&g_lock);
    g_ready = 0;
}

}  // namespace fxengine
