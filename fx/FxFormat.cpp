#include "fx/FxFormat.h"

namespace fx {

uint16_t FxFormat_ValidBits(const FxFormat& f) {
    return f.validBits ? f.validBits : f.bitsPerSample;
}

bool FxFormat_Supported(const FxFormat& f) {
    if (f.channels < 1 || f.sampleRate < kMinRate || f.sampleRate > kMaxRate) return false;
    const uint16_t valid = FxFormat_ValidBits(f);
    if (f.formatTag == kFormatFloat) {
        if (f.bitsPerSample != 32 || valid != 32) return false;
    } else if (f.formatTag == kFormatPcm) {
        const uint16_t bits = f.bitsPerSample;
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
        // 8-bit is unsigned: a part of its byte cannot carry the sound.
        if (valid > bits || (bits == 8 ? valid != 8 : valid < 8)) return false;
    } else {
        return false;
    }
    const uint32_t block = static_cast<uint32_t>(f.channels) * (f.bitsPerSample / 8);
    return block <= kMaxBlock && f.blockAlign == block;
}

}  // namespace fx
