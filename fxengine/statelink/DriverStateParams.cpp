#include "fxengine/statelink/DriverStateParams.h"

namespace {

const uint32_t kCodes[FXDRV_CODE_COUNT] = FXDRV_CODES;

}  // namespace

bool DriverState_IsOurs(const FxDriverState& state) {
    if (state.size != sizeof(FxDriverState) || state.count != FXDRV_CODE_COUNT) return false;
    for (size_t i = 0; i < FXDRV_CODE_COUNT; ++i)
        if (state.entries[i].code != kCodes[i]) return false;
    return true;
}

size_t DriverState_Messages(const FxDriverState& state, DriverMessage* out, size_t capacity) {
    if (!DriverState_IsOurs(state)) return 0;
    size_t n = 0;
    for (size_t i = 0; i < FXDRV_CODE_COUNT && n < capacity; ++i) {
        const FxDriverEntry& e = state.entries[i];
        if (e.received) out[n++] = DriverMessage{e.code, e.payload};
    }
    return n;
}

bool DriverState_Apply(fx::FxParams* params, const DriverMessage* messages, size_t count) {
    const uint32_t before = params->serial;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = messages[i].payload;
        // The payload's bytes in the order the console sent them.
        const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        fx::FxParams_Apply(params, messages[i].code, bytes, sizeof bytes);
    }
    return params->serial != before;
}
