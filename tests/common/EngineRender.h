// What the effects engine makes of a stream of buffers: one Process per
// buffer over its whole blocks, the rest copied, with the x87 unit set the
// way the engine sets it. Tests compare captured sound with this.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>

#include "fx/FxChain.h"
#include "fxengine/hook/X87Precision.h"

class EngineRender {
public:
    explicit EngineRender(const fx::FxFormat& format) : m_align(format.blockAlign ? format.blockAlign : 1) {
        m_open = m_chain.Open(format);
    }
    bool Opened() const { return m_open; }

    // Appends the engine's output for one buffer of the program.
    void Buffer(const fx::FxParams& params, const void* in, uint32_t bytes, std::string* out) {
        const size_t at = out->size();
        out->resize(at + bytes);
        char* to = &(*out)[at];
        const uint32_t whole = bytes - bytes % m_align;
        {
            fxengine::X87Precision precision;
            m_chain.Process(params, in, to, whole);
        }
        memcpy(to + whole, static_cast<const char*>(in) + whole, bytes - whole);
    }

private:
    fx::FxChain m_chain;
    uint32_t m_align;
    bool m_open = false;
};
