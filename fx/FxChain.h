// The processing chain of one open output device: 3D widening or headphones
// crossfeed, Vibe, Soundfields, master gain and a final look-ahead limiter,
// following an FxParams. Fixed-size state (sized for 96 kHz): Process never
// allocates, and the chain may live in any memory the caller gives it.
#pragma once

#include <stdint.h>

#include "fx/Ambience.h"
#include "fx/Biquad.h"
#include "fx/FxFormat.h"
#include "fx/FxParams.h"
#include "fx/Glide.h"
#include "fx/PcmSample.h"
#include "fx/PeakLimiter.h"

namespace fx {

class FxChain {
public:
    FxChain();

    // False: a format we do not process; Process then passes it untouched.
    bool Open(const FxFormat& f);
    // Forget history: tails, delays, glides.
    void Reset();
    // in and out may be the same buffer or different ones; any number of
    // bytes. A frame split between calls is processed whole when its end
    // arrives: its first bytes, due before then, repeat the previous output
    // frame's bytes of the processed channels (as they are while bypassed),
    // its other bytes are its own processed ones. Settings are taken once per
    // call; with constant settings the result does not depend on how a
    // stream is cut into calls.
    void Process(const FxParams& p, const void* in, void* out, uint32_t bytes);

    bool IsOpen() const { return m_bOpen; }
    const FxFormat& Format() const { return m_format; }
    // Samples of the ambience tail still to come after its input stopped.
    uint32_t TailLeft() const { return m_tailLeft; }
    // Frames by which the sound comes out late while the effects are on (the
    // limiter's look-ahead); bypassed it is never late.
    uint32_t Latency() const { return m_bOpen ? m_limiter.Latency() : 0; }

    // The chain's whole state in StateBytes() bytes: everything but the
    // parts of its delay lines that are never read again, and nothing of a
    // stage at rest (tens of KB where the chain is about 190 KB). Loaded into
    // any chain, it goes on exactly as this one would.
    uint32_t StateBytes() const;
    void SaveState(void* to) const;
    void LoadState(const void* from);

private:
    static const uint32_t kSideDelaySize = 1024;  // > 9 ms at 96 kHz
    static const uint32_t kCrossDelaySize = 32;   // > 0.3 ms at 96 kHz
    static const uint32_t kRings = 1 + Ambience::kRings + PeakLimiter::kRings;

    // The work of Open and Process, with the floating-point unit in our mode;
    // apart, so that no value is held in an x87 register while it is switched.
    __attribute__((noinline)) bool OpenInMode(const FxFormat& f);
    __attribute__((noinline)) void ProcessInMode(const FxParams& p, const void* in, void* out, uint32_t bytes);
    void SetTargets(const FxParams& p);
    void PrepareStages(uint32_t frames);
    bool Bypassed() const;
    void Rings(StateRing* out);  // in memory order
    void FlushFilters();
    void ProcessFrames(const unsigned char* in, unsigned char* out, uint32_t frames);
    void EmitPartial(unsigned char* out, uint32_t offset, uint32_t bytes) const;
    template <class Sample, int kChannels>
    void Run(const unsigned char* in, unsigned char* out, uint32_t frames);
    template <class Sample>
    void RunChannels(const unsigned char* in, unsigned char* out, uint32_t frames);

    FxFormat m_format;
    bool m_bOpen;
    bool m_bFresh;   // no buffer since Open or Reset: settings apply at once
    bool m_bAnyOut;  // a frame has gone out since Open or Reset
    float m_ceiling;
    PcmQuant m_quant;

    // Stage switches, decided per call.
    bool m_bWiden, m_bCross, m_bVibe, m_bAmbience, m_bLimit;  // m_bLimit: the limiter is wanted

    Glide m_width, m_depth, m_feed, m_bass, m_harmonics, m_bright, m_wet, m_master;

    // 3D: the side signal above the bass, louder and with a short echo.
    Biquad m_sideHigh;
    float m_sideDelay[kSideDelaySize];
    uint32_t m_sideDelayLength;

    // Headphones: each ear hears the other channel late and dull.
    float m_crossDelay[2][kCrossDelaySize];
    uint32_t m_crossDelayLength;
    Biquad m_crossLow[2], m_directLow[2];

    // Vibe: the bass band of the mid, its even harmonics, each channel's top
    // octaves.
    Biquad m_bassLow, m_bassHigh, m_harmBand, m_brightHigh[2];

    Biquad m_sendHigh;  // the room gets no boom below 120 Hz
    Ambience m_ambience;
    uint32_t m_tailLeft;

    // The limiter's late, limited sound and the plain one (master gain only)
    // crossfade, so the chain goes in and out of the delay without a step.
    PeakLimiter m_limiter;
    bool m_bLimiting;  // the limiter runs: wanted, or still fading out
    float m_mix;       // 0: plain, 1: limited
    float m_mixStep;
    uint32_t m_warm;  // frames before the fade in: the delay fills first
    uint32_t m_pos;

    // A frame split between calls: its bytes so far, and the last frame out.
    unsigned char m_carry[kMaxBlock];
    uint32_t m_carryLen;
    unsigned char m_lastOut[kMaxBlock];
};

}  // namespace fx
