// Stand-in (see FxParams.h): takes the formats the real chain takes, but
// only applies the master gain; everything else is a plain copy.
#pragma once

#include "fx/FxFormat.h"
#include "fx/FxParams.h"

namespace fx {

class FxChain {
public:
    bool Open(const FxFormat& f);
    void Reset() {}
    void Process(const FxParams& p, const void* in, void* out, uint32_t bytes);

private:
    FxFormat m_format = {};
};

}  // namespace fx
