#include "korvfx/Render.h"

#include <ebur128.h>
#include <math.h>
#include <stdio.h>

#include <future>
#include <memory>

#include "fx/FxChain.h"
#include "korvfx/Owned.h"

namespace korvfx {
namespace {

void DestroyMeter(ebur128_state* st) {
    ebur128_destroy(&st);
}

std::string Figure(double v, const char* unit) {
    char text[32] = "-inf";
    if (isfinite(v)) snprintf(text, sizeof text, "%.1f", v);
    return std::string(text) + " " + unit;
}

}  // namespace

bool MeasureLoudness(const Audio& audio, Loudness* out, std::string* error) {
    const unsigned channels = audio.format.channels;
    Owned<ebur128_state, DestroyMeter> meter(
        ebur128_init(channels, audio.format.sampleRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    const void* data = audio.data.data();
    const size_t frames = audio.Frames();
    int rc = !meter ? EBUR128_ERROR_NOMEM
             : audio.format.formatTag == fx::kFormatFloat
                 ? ebur128_add_frames_float(meter.Get(), static_cast<const float*>(data), frames)
             : audio.format.bitsPerSample == 16
                 ? ebur128_add_frames_short(meter.Get(), static_cast<const short*>(data), frames)
                 : ebur128_add_frames_int(meter.Get(), static_cast<const int*>(data), frames);
    double peak = 0.0, p = 0.0;
    for (unsigned c = 0; c < channels && rc == EBUR128_SUCCESS; ++c, peak = fmax(peak, p))
        rc = ebur128_true_peak(meter.Get(), c, &p);
    if (rc == EBUR128_SUCCESS) rc = ebur128_loudness_global(meter.Get(), &out->lufs);
    out->truePeakDb = peak > 0.0 ? 20.0 * log10(peak) : -HUGE_VAL;
    if (rc != EBUR128_SUCCESS) *error = "the loudness could not be measured";
    return rc == EBUR128_SUCCESS;
}

std::string DescribeLoudness(const Loudness& l) {
    return Figure(l.lufs, "LUFS") + ", true peak " + Figure(l.truePeakDb, "dBTP");
}

bool RenderAudio(const Audio& in, const fx::FxParams& params, Audio* out, std::string* error) {
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);  // large: not on the stack
    if (!chain->Open(in.format)) {
        fx::FxFormat usual = in.format;
        usual.sampleRate = 44100;
        *error = DescribeAudio(in) + ": " +
                 (fx::FxFormat_Supported(usual) ? "the effects do not take " + std::to_string(in.format.sampleRate) +
                                                      " Hz; convert it to 44100 or 48000 Hz first"
                                                : std::string("not a layout the effects take"));
        return false;
    }
    Audio result = in;
    const size_t buffer = static_cast<size_t>(in.format.blockAlign) * 2048;
    for (size_t at = 0; at < in.data.size(); at += buffer) {
        size_t n = in.data.size() - at < buffer ? in.data.size() - at : buffer;
        chain->Process(params, &in.data[at], &result.data[at], static_cast<uint32_t>(n));
    }
    *out = std::move(result);
    return true;
}

bool RenderCompared(const Audio& in, const fx::FxParams& params, bool matchLoudness, Comparison* out,
                    std::string* error) {
    // The before is measured on the other core while the effects run: the
    // true peak's oversampling costs more than the effects themselves.
    std::string beforeError;
    std::future<bool> before =
        std::async(std::launch::async, [&] { return MeasureLoudness(in, &out->before, &beforeError); });
    bool ok = RenderAudio(in, params, &out->after, error) && MeasureLoudness(out->after, &out->afterLoudness, error);
    if (!before.get()) *error = beforeError;
    if (!ok || !beforeError.empty()) return false;
    // The master gain does not stay linear once the limiter bends the peaks:
    // a few corrections from what came out.
    fx::FxParams p = params;
    for (int pass = 0; matchLoudness && pass < 4 && isfinite(out->before.lufs) && isfinite(out->afterLoudness.lufs);
         ++pass) {
        double missing = out->before.lufs - out->afterLoudness.lufs;
        if (fabs(missing) < 0.02) break;
        out->matchDb += missing;
        p.masterGain = static_cast<float>(params.masterGain * pow(10.0, out->matchDb / 20.0));
        if (!RenderAudio(in, p, &out->after, error) || !MeasureLoudness(out->after, &out->afterLoudness, error))
            return false;
    }
    return true;
}

}  // namespace korvfx
