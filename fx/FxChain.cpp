#include "fx/FxChain.h"

#include <string.h>

namespace fx {

FxChain::FxChain() : m_format(), m_bOpen(false) {}

bool FxChain::Open(const FxFormat& f) {
    m_format = f;
    m_bOpen = FxFormat_Supported(f);
    Reset();
    return m_bOpen;
}

void FxChain::Reset() {}

void FxChain::Process(const FxParams& p, const void* in, void* out, uint32_t bytes) {
    (void)p;
    if (in != out) memmove(out, in, bytes);
}

}  // namespace fx
