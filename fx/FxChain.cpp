#include "fx/FxChain.h"

#include "fx/FpuGuard.h"

#include <math.h>
#include <string.h>

namespace fx {
namespace {

const double kGlideSeconds = 0.008;

// The sound design, at full level.
const float kWidthMax = 1.2f;      // side above the bass: up to 2.2 times
const float kDepthMax = 0.5f;      // share of the delayed side echo
const double kSideHighHz = 250.0;  // the bass stays where it is (mono-safe)
const double kSideDelayMs = 9.0;
const float kCrossMax = 0.4f;  // at headphones level 90
const double kCrossDelayMs = 0.3;
const double kCrossLowHz = 700.0;
const float kBassMax = 1.6f;
const float kHarmonicsMax = 0.6f;
const float kBrightMax = 0.35f;

float Unit(float v) {
    if (!(v > 0.0f)) return 0.0f;  // NaN too
    return v < 1.0f ? v : 1.0f;
}

float SaneGain(float g) {
    if (g != g) return 1.0f;
    if (!(g > 0.0f)) return 0.0f;
    return g < 16.0f ? g : 16.0f;
}

float Abs(float x) {
    return x < 0.0f ? -x : x;
}

}  // namespace

FxChain::FxChain()
    : m_format(),
      m_bOpen(false),
      m_bFresh(true),
      m_bAnyOut(false),
      m_ceiling(1.0f),
      m_quant(),
      m_bWiden(false),
      m_bCross(false),
      m_bVibe(false),
      m_bAmbience(false),
      m_bLimit(false),
      m_sideDelayLength(1),
      m_crossDelayLength(1),
      m_tailLeft(0),
      m_bLimiting(false),
      m_mix(0.0f),
      m_mixStep(1.0f),
      m_warm(0),
      m_pos(0),
      m_carryLen(0) {
    memset(m_sideDelay, 0, sizeof m_sideDelay);
    memset(m_crossDelay, 0, sizeof m_crossDelay);
    memset(m_carry, 0, sizeof m_carry);
    memset(m_lastOut, 0, sizeof m_lastOut);
}

bool FxChain::Open(const FxFormat& f) {
    FpuGuard mode;
    return OpenInMode(f);
}

bool FxChain::OpenInMode(const FxFormat& f) {
    m_format = f;
    m_bOpen = FxFormat_Supported(f);
    if (!m_bOpen) return false;

    const double fs = f.sampleRate;
    const uint32_t glide = static_cast<uint32_t>(kGlideSeconds * fs);
    Glide* glides[] = {&m_width, &m_depth, &m_feed, &m_bass, &m_harmonics, &m_bright, &m_wet, &m_master};
    for (Glide* g : glides) g->SetLength(glide);

    m_sideHigh.HighPass(fs, kSideHighHz, 0.7071);
    m_sideDelayLength = static_cast<uint32_t>(kSideDelayMs * 0.001 * fs);
    uint32_t cross = static_cast<uint32_t>(kCrossDelayMs * 0.001 * fs + 0.5);
    m_crossDelayLength = cross ? cross : 1;
    for (int c = 0; c < 2; ++c) {
        m_crossLow[c].LowPass1(fs, kCrossLowHz);
        m_directLow[c].LowPass1(fs, kCrossLowHz);
        m_brightHigh[c].HighPass(fs, 6000.0, 0.7071);
    }
    // First-order low pass: added to the dry sound it can only lift, so no
    // dip opens above the boost; the high pass keeps subsonics out.
    m_bassLow.LowPass1(fs, 70.0);
    m_bassHigh.HighPass(fs, 35.0, 0.7071);
    m_harmBand.BandPass(fs, 180.0, 0.7);
    m_sendHigh.HighPass(fs, 120.0, 0.7071);
    m_ambience.Open(fs);

    // Two steps under full scale: rounding can never reach the largest code
    // (for deep formats, float's own steps just under 1.0 decide).
    const uint16_t valid = f.formatTag == kFormatFloat ? 24 : FxFormat_ValidBits(f);
    const double fullScale = ldexp(1.0, valid - 1);
    m_quant.scale = fullScale;
    m_quant.lo = -fullScale;
    m_quant.hi = fullScale - 1.0;
    m_quant.shift = f.bitsPerSample - valid;
    const double margin = 2.0 / fullScale;
    m_ceiling = static_cast<float>(1.0 - (margin > 1.0 / 1048576.0 ? margin : 1.0 / 1048576.0));
    m_limiter.Open(fs, m_ceiling);
    m_mixStep = 1.0f / static_cast<float>(glide ? glide : 1);
    Reset();
    return true;
}

void FxChain::Reset() {
    memset(m_sideDelay, 0, sizeof m_sideDelay);
    memset(m_crossDelay, 0, sizeof m_crossDelay);
    m_sideHigh.Clear();
    for (int c = 0; c < 2; ++c) {
        m_crossLow[c].Clear();
        m_directLow[c].Clear();
        m_brightHigh[c].Clear();
    }
    m_bassLow.Clear();
    m_bassHigh.Clear();
    m_harmBand.Clear();
    m_sendHigh.Clear();
    m_ambience.Clear();
    m_limiter.Clear();
    Glide* glides[] = {&m_width, &m_depth, &m_feed, &m_bass, &m_harmonics, &m_bright, &m_wet};
    for (Glide* g : glides) g->Snap(0.0f);
    m_master.Snap(1.0f);
    m_bWiden = m_bCross = m_bVibe = m_bAmbience = m_bLimit = false;
    m_tailLeft = 0;
    m_bLimiting = false;
    m_mix = 0.0f;
    m_warm = 0;
    m_pos = 0;
    m_bFresh = true;
    m_bAnyOut = false;
    m_carryLen = 0;
    // Silence, for a split frame before any frame went out.
    const bool unsignedBytes = m_format.formatTag == kFormatPcm && m_format.bitsPerSample == 8;
    memset(m_lastOut, unsignedBytes ? 0x80 : 0, sizeof m_lastOut);
}

void FxChain::SetTargets(const FxParams& p) {
    const bool stereo = m_format.channels >= 2;  // the front pair of more
    const bool widen = stereo && p.enable3D && !p.enableHeadphones;
    const bool cross = stereo && p.enableHeadphones;
    float hp = static_cast<float>(p.headphonesLevel < 0 ? 0 : p.headphonesLevel > 90 ? 90 : p.headphonesLevel);

    float targets[8] = {
        widen ? kWidthMax * Unit(p.level3D) : 0.0f,
        widen ? kDepthMax * Unit(p.level3DScaled * 8.0f) : 0.0f,
        cross ? kCrossMax * hp / 90.0f : 0.0f,
        p.enableVibe ? kBassMax * Unit(p.vibe[0]) : 0.0f,
        p.enableVibe ? kHarmonicsMax * Unit(p.vibe[1]) : 0.0f,
        p.enableVibe ? kBrightMax * Unit(p.vibe[2]) : 0.0f,
        p.enableSoundfields ? Unit(p.soundfields) : 0.0f,
        SaneGain(p.masterGain),
    };
    Glide* glides[] = {&m_width, &m_depth, &m_feed, &m_bass, &m_harmonics, &m_bright, &m_wet, &m_master};
    for (int i = 0; i < 8; ++i) {
        if (m_bFresh)
            glides[i]->Snap(targets[i]);
        else
            glides[i]->SetTarget(targets[i]);
    }
    m_bFresh = false;
}

// A stage runs while its amounts are not at rest at zero; when it stops, its
// history goes, so that it starts from silence next time.
void FxChain::PrepareStages(uint32_t frames) {
    bool widen = !m_width.Idle() || !m_depth.Idle();
    if (m_bWiden && !widen) {
        m_sideHigh.Clear();
        memset(m_sideDelay, 0, sizeof m_sideDelay);
    }
    m_bWiden = widen;

    bool cross = !m_feed.Idle();
    if (m_bCross && !cross) {
        memset(m_crossDelay, 0, sizeof m_crossDelay);
        for (int c = 0; c < 2; ++c) {
            m_crossLow[c].Clear();
            m_directLow[c].Clear();
        }
    }
    m_bCross = cross;

    bool vibe = !m_bass.Idle() || !m_harmonics.Idle() || !m_bright.Idle();
    if (m_bVibe && !vibe) {
        m_bassLow.Clear();
        m_bassHigh.Clear();
        m_harmBand.Clear();
        for (int c = 0; c < 2; ++c) m_brightHigh[c].Clear();
    }
    m_bVibe = vibe;

    // The room keeps ringing after its input stopped, until the tail is gone.
    if (!m_wet.Idle()) {
        m_tailLeft = m_ambience.TailSamples();
    } else if (m_tailLeft) {
        m_tailLeft = m_tailLeft > frames ? m_tailLeft - frames : 0;
        if (!m_tailLeft) {
            m_sendHigh.Clear();
            m_ambience.Clear();
        }
    }
    bool ambience = !m_wet.Idle() || m_tailLeft;
    m_bAmbience = ambience;

    bool limit = widen || cross || vibe || ambience || m_master.Current() > 1.0f || m_master.Target() > 1.0f;
    if (limit && !m_bLimiting) {
        // A new stream starts late at once; a playing one stays plain until
        // the delay holds its sound, then fades over.
        m_limiter.Clear();
        m_mix = m_bAnyOut ? 0.0f : 1.0f;
        m_warm = m_bAnyOut ? m_limiter.Latency() : 0;
    }
    m_bLimit = limit;
    m_bLimiting = limit || m_mix > 0.0f;
}

void FxChain::FlushFilters() {
    m_sideHigh.Flush();
    m_sendHigh.Flush();
    m_bassLow.Flush();
    m_bassHigh.Flush();
    m_harmBand.Flush();
    for (int c = 0; c < 2; ++c) {
        m_crossLow[c].Flush();
        m_directLow[c].Flush();
        m_brightHigh[c].Flush();
    }
}

bool FxChain::Bypassed() const {
    return !m_bWiden && !m_bCross && !m_bVibe && !m_bAmbience && !m_bLimiting && !m_master.Moving() &&
           m_master.Current() == 1.0f;
}

template <class Sample, int kChannels>
void FxChain::Run(const unsigned char* in, unsigned char* out, uint32_t frames) {
    const uint32_t frameBytes = m_format.blockAlign;
    // Channels after the front pair pass as they are.
    const uint32_t ownBytes = kChannels * Sample::kBytes, otherBytes = frameBytes - ownBytes;
    const bool copyOthers = otherBytes && in != out;
    const bool widen = m_bWiden, cross = m_bCross, vibe = m_bVibe, ambience = m_bAmbience;
    const bool limiting = m_bLimiting, fadeIn = m_bLimit, dry = !widen && !cross && !vibe && !ambience;
    float mix = m_mix;
    uint32_t warm = m_warm;
    uint32_t pos = m_pos;

    for (uint32_t n = 0; n < frames; ++n, in += frameBytes, out += frameBytes, ++pos) {
        // At fixed points of the stream, so buffer cuts do not matter.
        if ((pos & 63) == 0) FlushFilters();
        float x[kChannels], plain[kChannels];
        for (int c = 0; c < kChannels; ++c) plain[c] = x[c] = Sample::Read(in + c * Sample::kBytes);

        if (kChannels == 2) {
            if (widen) {
                // Only the side changes, so L+R (what a mono listener hears) stays.
                float w = m_width.Next(), depth = m_depth.Next();
                float mid = 0.5f * (x[0] + x[1]), side = 0.5f * (x[0] - x[1]);
                float high = m_sideHigh.Process(side);
                float echo = m_sideDelay[(pos - m_sideDelayLength) & (kSideDelaySize - 1)];
                m_sideDelay[pos & (kSideDelaySize - 1)] = high;
                side += w * high + depth * echo;
                x[0] = mid + side;
                x[1] = mid - side;
            }
            if (cross) {
                // Each ear gets the other channel 0.3 ms late and low-passed, and
                // as much of its own bass less, so a centred sound keeps its level.
                float f = m_feed.Next();
                uint32_t back = (pos - m_crossDelayLength) & (kCrossDelaySize - 1), now = pos & (kCrossDelaySize - 1);
                float lateL = m_crossDelay[0][back], lateR = m_crossDelay[1][back];
                m_crossDelay[0][now] = x[0];
                m_crossDelay[1][now] = x[1];
                float toR = m_crossLow[0].Process(lateL), toL = m_crossLow[1].Process(lateR);
                float ownL = m_directLow[0].Process(x[0]), ownR = m_directLow[1].Process(x[1]);
                x[0] += f * (toL - ownL);
                x[1] += f * (toR - ownR);
            }
        }

        if (vibe) {
            // The bass and its harmonics come from the mid and go to both
            // channels alike: the low end stays centred and mono-safe.
            float gb = m_bass.Next(), gh = m_harmonics.Next(), gt = m_bright.Next();
            float mid = kChannels == 2 ? 0.5f * (x[0] + x[1]) : x[0];
            float bass = m_bassHigh.Process(m_bassLow.Process(mid));
            float low = gb * bass + gh * m_harmBand.Process(Abs(bass));
            // Unrolled, so the samples stay in registers.
#pragma GCC unroll 2
            for (int c = 0; c < kChannels; ++c) x[c] += low + gt * m_brightHigh[c].Process(x[c]);
        }

        if (ambience) {
            float wet = m_wet.Next();
            float send = kChannels == 2 ? 0.5f * (x[0] + x[1]) : x[0];
            float rl, rr;
            m_ambience.Process(m_sendHigh.Process(wet * send), &rl, &rr);
            if (kChannels == 2) {
                x[0] += rl;
                x[1] += rr;
            } else {
                x[0] += 0.7071f * (rl + rr);
            }
        }

        float g = m_master.Next();
        for (int c = 0; c < kChannels; ++c) x[c] *= g;
        if (limiting) {
            m_limiter.Process<kChannels>(x);
            if (fadeIn) {
                if (warm)
                    --warm;
                else if (mix < 1.0f)
                    mix = mix + m_mixStep < 1.0f ? mix + m_mixStep : 1.0f;
            } else if (mix > 0.0f) {
                mix = mix > m_mixStep ? mix - m_mixStep : 0.0f;
            }
            if (mix != 1.0f) {
                for (int c = 0; c < kChannels; ++c) x[c] = g * plain[c] + mix * (x[c] - g * plain[c]);
            }
        }

        if (dry && mix == 0.0f && g == 1.0f) {
            // Plain again: the very bytes (a float cannot carry every 32-bit sample).
            if (in != out) memcpy(out, in, ownBytes);
        } else {
            for (int c = 0; c < kChannels; ++c) Sample::Write(out + c * Sample::kBytes, x[c], m_quant);
        }
        if (copyOthers) memcpy(out + ownBytes, in + ownBytes, otherBytes);
    }
    m_mix = mix;
    m_warm = warm;
    m_pos = pos;
}

template <class Sample>
void FxChain::RunChannels(const unsigned char* in, unsigned char* out, uint32_t frames) {
    if (m_format.channels == 1)
        Run<Sample, 1>(in, out, frames);
    else
        Run<Sample, 2>(in, out, frames);
}

void FxChain::Process(const FxParams& p, const void* in, void* out, uint32_t bytes) {
    FpuGuard mode;
    ProcessInMode(p, in, out, bytes);
}

void FxChain::ProcessInMode(const FxParams& p, const void* in, void* out, uint32_t bytes) {
    if (!m_bOpen || !in || !out) {
        if (in && out && in != out) memmove(out, in, bytes);
        return;
    }
    const unsigned char* src = static_cast<const unsigned char*>(in);
    unsigned char* dst = static_cast<unsigned char*>(out);
    const uint32_t block = m_format.blockAlign;
    SetTargets(p);
    PrepareStages(0);  // what a split frame's early bytes are depends on it

    if (m_carryLen) {
        // The rest of the frame split at the end of the last call. (Input is
        // read before output is written: in and out may be one buffer.)
        const uint32_t need = block - m_carryLen, take = bytes < need ? bytes : need;
        memcpy(m_carry + m_carryLen, src, take);
        if (take < need) {
            EmitPartial(dst, m_carryLen, take);
            m_carryLen += take;
            return;
        }
        unsigned char done[kMaxBlock];
        ProcessFrames(m_carry, done, 1);
        memcpy(dst, done + m_carryLen, take);
        src += take;
        dst += take;
        bytes -= take;
        m_carryLen = 0;
    }

    const uint32_t frames = bytes / block, whole = frames * block;
    if (frames) ProcessFrames(src, dst, frames);
    if (whole != bytes) {
        m_carryLen = bytes - whole;
        memcpy(m_carry, src + whole, m_carryLen);
        PrepareStages(0);  // a fade that ended in this call is bypass already
        EmitPartial(dst + whole, 0, m_carryLen);
    }
}

void FxChain::ProcessFrames(const unsigned char* in, unsigned char* out, uint32_t frames) {
    PrepareStages(frames);
    if (Bypassed()) {
        if (in != out) memmove(out, in, frames * m_format.blockAlign);
    } else if (m_format.formatTag == kFormatFloat) {
        RunChannels<SampleF32>(in, out, frames);
    } else {
        switch (m_format.bitsPerSample) {
            case 8: RunChannels<SampleU8>(in, out, frames); break;
            case 16: RunChannels<SampleS16>(in, out, frames); break;
            case 24: RunChannels<SampleS24>(in, out, frames); break;
            default: RunChannels<SampleS32>(in, out, frames); break;
        }
    }
    memcpy(m_lastOut, out + (frames - 1) * m_format.blockAlign, m_format.blockAlign);
    m_bAnyOut = true;
}

// Bytes of a split frame that must go out before the frame is whole. Its
// processed channels cannot be computed yet: they repeat the last frame out
// (a one-frame hold, never a raw sample at another gain); bypassed, and for
// the channels we leave alone, they are the input's own.
void FxChain::EmitPartial(unsigned char* out, uint32_t offset, uint32_t bytes) const {
    const uint32_t ownBytes = (m_format.channels < 2 ? m_format.channels : 2) * (m_format.bitsPerSample / 8);
    const bool plain = Bypassed();
    for (uint32_t i = 0; i < bytes; ++i) {
        const uint32_t at = offset + i;
        out[i] = !plain && at < ownBytes ? m_lastOut[at] : m_carry[at];
    }
}

}  // namespace fx
