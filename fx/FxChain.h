// The processing chain of one open output device: 3D widening or headphones
// crossfeed, Vibe, Soundfields, master gain and a final soft peak limiter,
// following an FxParams. Fixed-size state (sized for 48 kHz): Process never
// allocates, and the chain may live in any memory the caller gives it.
#pragma once

#include <stdint.h>

#include "fx/FxFormat.h"
#include "fx/FxParams.h"

namespace fx {

class FxChain {
public:
    FxChain();

    // False: a format we do not process; Process then passes it untouched.
    bool Open(const FxFormat& f);
    // Forget history: tails, delays, glides.
    void Reset();
    // in and out may be the same buffer or different ones; bytes a whole
    // number of blocks (a partial block at the end is copied untouched).
    void Process(const FxParams& p, const void* in, void* out, uint32_t bytes);

    bool IsOpen() const { return m_bOpen; }
    const FxFormat& Format() const { return m_format; }

private:
    FxFormat m_format;
    bool m_bOpen;
};

}  // namespace fx
