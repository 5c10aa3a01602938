#include <string.h>

#include "fx/FxChain.h"

namespace fx {

void FxParams_Reset(FxParams* p) {
    memset(p, 0, sizeof(*p));
    p->masterGain = 1.0f;
}

bool FxParams_Apply(FxParams* p, uint32_t code, const void* payload, uint32_t size) {
    if (!payload || size < 4) return false;
    uint32_t u;
    float f;
    memcpy(&u, payload, 4);
    memcpy(&f, payload, 4);
    switch (code) {
        case 0x220000: p->enable3D = u; break;
        case 0x220004: p->level3D = f; break;
        case 0x220008: p->level3DScaled = f; break;
        case 0x220040: p->vibeEnable = u; break;
        case 0x220044: p->vibe[0] = f; break;
        case 0x220048: p->vibe[1] = f; break;
        case 0x22004C: p->vibe[2] = f; break;
        case 0x220080: p->headphonesEnable = u; break;
        case 0x220084: p->headphonesLevel = u; break;
        case 0x2200C8: p->status = u; break;
        case 0x220100: p->auxEnable = u; break;
        case 0x220140: p->soundfieldsLevel = f; break;
        case 0x220144: p->soundfieldsEnable = u; break;
        case 0x223FC8: p->masterGain = f; break;
        default: return false;
    }
    ++p->serial;
    return true;
}

bool FxChain::Open(const FxFormat& f) {
    m_format = f;
    return f.formatTag == 1 && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           (f.channels == 1 || f.channels == 2) && f.sampleRate >= 8000 && f.sampleRate <= 48000;
}

void FxChain::Process(const FxParams& p, const void* in, void* out, uint32_t bytes) {
    if (p.masterGain == 1.0f) {
        memmove(out, in, bytes);
        return;
    }
    const double gain = p.masterGain;
    if (m_format.bitsPerSample == 16) {
        for (uint32_t i = 0; i + 1 < bytes; i += 2) {
            int16_t s;
            memcpy(&s, static_cast<const char*>(in) + i, 2);
            double v = s * gain;
            v = v > 32767 ? 32767 : v < -32768 ? -32768 : v;
            s = static_cast<int16_t>(v);
            memcpy(static_cast<char*>(out) + i, &s, 2);
        }
    } else {
        for (uint32_t i = 0; i < bytes; ++i) {
            double v = (static_cast<const uint8_t*>(in)[i] - 128) * gain;
            v = v > 127 ? 127 : v < -128 ? -128 : v;
            static_cast<uint8_t*>(out)[i] = static_cast<uint8_t>(static_cast<int>(v) + 128);
        }
    }
}

}  // namespace fx
