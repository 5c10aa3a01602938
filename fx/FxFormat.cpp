#include "fx/FxFormat.h"

namespace fx {

bool FxFormat_Supported(const FxFormat& f) {
    if (f.formatTag != kFormatPcm) return false;
    if (f.channels != 1 && f.channels != 2) return false;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
    if (f.sampleRate < 8000 || f.sampleRate > 48000) return false;
    return f.blockAlign == f.channels * (f.bitsPerSample / 8);
}

}  // namespace fx
