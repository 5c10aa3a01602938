// FxChain's saved state: the object's bytes outside its rings, then the live
// windows of the rings of running stages.
#include <string.h>

#include <type_traits>

#include "fx/FxChain.h"

namespace fx {
namespace {

static_assert(std::is_trivially_copyable<FxChain>::value, "a chain's state is its bytes");

// The bytes of `object` between its rings, in address order.
template <class F>
void ForEachGap(const void* object, size_t size, const StateRing* rings, uint32_t n, F f) {
    const unsigned char* at = static_cast<const unsigned char*>(object);
    const unsigned char* end = at + size;
    for (uint32_t i = 0; i < n; ++i) {
        const unsigned char* ring = static_cast<const unsigned char*>(rings[i].base);
        f(static_cast<size_t>(at - static_cast<const unsigned char*>(object)), static_cast<size_t>(ring - at));
        at = ring + static_cast<size_t>(rings[i].elemBytes) * rings[i].size;
    }
    f(static_cast<size_t>(at - static_cast<const unsigned char*>(object)), static_cast<size_t>(end - at));
}

// A ring's window as one or two runs of bytes.
template <class F>
void ForEachRun(const StateRing& r, F f) {
    unsigned char* base = static_cast<unsigned char*>(r.base);
    const uint32_t first = r.first < r.size ? r.first : 0;
    const uint32_t count = r.count < r.size ? r.count : r.size;
    const uint32_t run = count < r.size - first ? count : r.size - first;
    f(base + static_cast<size_t>(first) * r.elemBytes, static_cast<size_t>(run) * r.elemBytes);
    if (count > run) f(base, static_cast<size_t>(count - run) * r.elemBytes);
}

}  // namespace

void FxChain::Rings(StateRing* out) {
    // A stage at rest has had its history cleared (the limiter is cleared
    // when it starts again instead); a chain never opened keeps nothing.
    const auto kind = [this](bool running, StateRing::Kind resting) {
        return !m_bOpen ? StateRing::kStale : running ? StateRing::kLive : resting;
    };
    *out++ = {m_sideDelay,       sizeof(float),
              kSideDelaySize,    (m_pos - m_sideDelayLength) & (kSideDelaySize - 1),
              m_sideDelayLength, kind(m_bWiden, StateRing::kSilent)};
    m_ambience.Rings(out, kind(m_bAmbience, StateRing::kSilent));
    m_limiter.Rings(out + Ambience::kRings, kind(m_bLimiting, StateRing::kStale));
}

uint32_t FxChain::StateBytes() const {
    StateRing rings[kRings];
    const_cast<FxChain*>(this)->Rings(rings);
    size_t bytes = sizeof *this;
    for (const StateRing& r : rings) {
        bytes -= static_cast<size_t>(r.elemBytes) * r.size;
        if (r.kind == StateRing::kLive) ForEachRun(r, [&](void*, size_t n) { bytes += n; });
    }
    return static_cast<uint32_t>(bytes);
}

void FxChain::SaveState(void* to) const {
    StateRing rings[kRings];
    const_cast<FxChain*>(this)->Rings(rings);
    unsigned char* out = static_cast<unsigned char*>(to);
    const unsigned char* self = reinterpret_cast<const unsigned char*>(this);
    ForEachGap(this, sizeof *this, rings, kRings, [&](size_t at, size_t n) {
        memcpy(out, self + at, n);
        out += n;
    });
    for (const StateRing& r : rings)
        if (r.kind == StateRing::kLive)
            ForEachRun(r, [&](void* p, size_t n) {
                memcpy(out, p, n);
                out += n;
            });
}

void FxChain::LoadState(const void* from) {
    // The gaps first: the rings' positions and stages come with them.
    StateRing rings[kRings];
    Rings(rings);
    const unsigned char* in = static_cast<const unsigned char*>(from);
    unsigned char* self = reinterpret_cast<unsigned char*>(this);
    ForEachGap(this, sizeof *this, rings, kRings, [&](size_t at, size_t n) {
        memcpy(self + at, in, n);
        in += n;
    });
    Rings(rings);
    for (const StateRing& r : rings) {
        if (r.kind == StateRing::kLive)
            ForEachRun(r, [&](void* p, size_t n) {
                memcpy(p, in, n);
                in += n;
            });
        else if (r.kind == StateRing::kSilent)
            ForEachRun(r, [](void* p, size_t n) { memset(p, 0, n); });
    }
}

}  // namespace fx
