#include "korvfx/Loudness.h"

#include <ebur128.h>
#include <math.h>
#include <stdio.h>

#include "korvfx/Owned.h"

namespace korvfx {
namespace {

void DestroyMeter(ebur128_state* st) {
    ebur128_destroy(&st);
}
using Meter = Owned<ebur128_state, DestroyMeter>;

std::string Figure(double v, const char* unit) {
    if (!isfinite(v)) return std::string("-inf ") + unit;
    char text[32];
    snprintf(text, sizeof text, "%.1f %s", v, unit);
    return text;
}

}  // namespace

bool MeasureLoudness(const Audio& audio, Loudness* out, std::string* error) {
    const unsigned channels = audio.format.channels;
    Meter meter(ebur128_init(channels, audio.format.sampleRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    if (!meter) {
        *error = "cannot measure loudness at " + std::to_string(audio.format.sampleRate) + " Hz";
        return false;
    }
    const size_t frames = audio.Frames();
    const void* data = audio.data.data();
    int rc = audio.format.formatTag == kFormatFloat
                 ? ebur128_add_frames_float(meter.Get(), static_cast<const float*>(data), frames)
             : audio.format.bitsPerSample == 16
                 ? ebur128_add_frames_short(meter.Get(), static_cast<const short*>(data), frames)
                 : ebur128_add_frames_int(meter.Get(), static_cast<const int*>(data), frames);
    double peak = 0.0;
    for (unsigned c = 0; c < channels && rc == EBUR128_SUCCESS; ++c) {
        double p = 0.0;
        rc = ebur128_true_peak(meter.Get(), c, &p);
        peak = p > peak ? p : peak;
    }
    if (rc == EBUR128_SUCCESS) rc = ebur128_loudness_global(meter.Get(), &out->lufs);
    if (rc != EBUR128_SUCCESS) {
        *error = "loudness could not be measured";
        return false;
    }
    out->truePeakDb = peak > 0.0 ? 20.0 * log10(peak) : -HUGE_VAL;
    return true;
}

std::string DescribeLoudness(const Loudness& l) {
    return Figure(l.lufs, "LUFS") + ", true peak " + Figure(l.truePeakDb, "dBTP");
}

}  // namespace korvfx
