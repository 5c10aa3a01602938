#include "WaveFormat.h"

#include <string.h>

namespace fxengine {
namespace {

unsigned Le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
unsigned long Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
}

// The GUID tail every KSDATAFORMAT_SUBTYPE_* of a plain format tag shares.
const unsigned char kSubtypeTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

}  // namespace

bool WaveFormat_ToFx(const void* waveFormat, size_t bytes, fx::FxFormat* out) {
    // wFormatTag, nChannels, nSamplesPerSec, nAvgBytesPerSec, nBlockAlign,
    // wBitsPerSample, cbSize; the extensible form adds 22 bytes.
    if (!waveFormat || bytes < 16) return false;
    const unsigned char* f = static_cast<const unsigned char*>(waveFormat);
    unsigned tag = Le16(f);
    unsigned validBits = 0;
    if (tag == kWaveFormatExtensible) {
        if (bytes < 18 + 22 || Le16(f + 16) < 22) return false;
        const unsigned char* guid = f + 18 + 6;  // after validBits and channelMask
        if (guid[2] != 0 || guid[3] != 0 || memcmp(guid + 4, kSubtypeTail, sizeof kSubtypeTail) != 0) return false;
        tag = Le16(guid);
        validBits = Le16(f + 18);
        // Fewer valid bits than the container: the samples are still whole containers.
        if (validBits > Le16(f + 14)) return false;
    }
    if (tag != fx::kFormatPcm && tag != kWaveFormatFloat) return false;
    out->formatTag = static_cast<uint16_t>(tag);
    out->channels = static_cast<uint16_t>(Le16(f + 2));
    out->sampleRate = static_cast<uint32_t>(Le32(f + 4));
    out->blockAlign = static_cast<uint16_t>(Le16(f + 12));
    out->bitsPerSample = static_cast<uint16_t>(Le16(f + 14));
    out->validBits = static_cast<uint16_t>(validBits);
    return out->blockAlign != 0;
}

}  // namespace fxengine
