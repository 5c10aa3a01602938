// One control message: a code and its 4-byte payload, as the engine gets it.
#pragma once

#include "engine/EffectMath.h"

#include <cstdint>
#include <cstring>

struct EngineMessage {
    uint32_t code;
    unsigned char payload[4];

    static EngineMessage Int(uint32_t code, int32_t value) {
        EngineMessage m{code, {}};
        std::memcpy(m.payload, &value, 4);
        return m;
    }
    static EngineMessage Float(uint32_t code, float value) {
        EngineMessage m{code, {}};
        std::memcpy(m.payload, &value, 4);
        return m;
    }
};
