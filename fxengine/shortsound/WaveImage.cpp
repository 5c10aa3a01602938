#include "WaveImage.h"

#include <string.h>

namespace fxengine {
namespace {

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

size_t WaveImage_FormBytes(const uint8_t* h) {
    if (memcmp(h, "RIFF", 4) != 0 || memcmp(h + 8, "WAVE", 4) != 0) return 0;
    return static_cast<size_t>(Le32(h + 4)) + 8;
}

bool WaveImage_Parse(const uint8_t* bytes, size_t size, WaveImage* out) {
    if (size < 12) return false;
    size_t end = WaveImage_FormBytes(bytes);
    if (end == 0) return false;
    if (end > size || end < 12) end = size;  // a form longer than what is there ends there
    out->format = nullptr;
    for (size_t at = 12; at + 8 <= end;) {
        const uint32_t declared = Le32(bytes + at + 4);
        const size_t body = at + 8;
        const size_t have = end - body < declared ? end - body : declared;
        if (!out->format && memcmp(bytes + at, "fmt ", 4) == 0) {
            if (have < 16) return false;
            out->format = bytes + body;
            out->formatBytes = static_cast<uint32_t>(have);
        } else if (out->format && memcmp(bytes + at, "data", 4) == 0) {
            const uint32_t block = out->format[12] | (out->format[13] << 8);
            if (block == 0) return false;
            out->data = bytes + body;
            out->dataBytes = static_cast<uint32_t>(have - have % block);
            return out->dataBytes != 0;
        }
        if (declared > end - body) break;
        at = body + declared + (declared & 1);
    }
    return false;
}

}  // namespace fxengine
