// What each control does to the sound, measured.
#include "fx_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace fxtest;

namespace {

const double kRate = 44100.0;

double Db(double ratio) {
    return 20.0 * std::log10(ratio);
}

// 16-bit stereo at 44.1 kHz through a chain of its own.
std::vector<int16_t> Stereo(const fx::FxParams& p, const std::vector<int16_t>& in) {
    return Renderer(Pcm(2, 44100, 16)).Run(p, in);
}

// `in` with `a` up to frame `half`, `b` after: no sample near the switch (from `settle`) steps further than elsewhere.
std::vector<int16_t> Switched(const std::vector<int16_t>& in, size_t half, const fx::FxParams& a, const fx::FxParams& b,
                              size_t settle) {
    std::vector<int16_t> first(in.begin(), in.begin() + 2 * half), second(in.begin() + 2 * half, in.end());
    Renderer r(Pcm(2, 44100, 16));
    auto out = r.Run(a, first, 4 * 441);
    auto rest = r.Run(b, second, 4 * 441);
    out.insert(out.end(), rest.begin(), rest.end());
    const size_t end = in.size() / 2;
    for (int ch = 0; ch < 2; ++ch) {
        int own = std::max(MaxStep(out, 2, ch, 8820, settle), MaxStep(out, 2, ch, half + 8820, end));
        int during = MaxStep(out, 2, ch, settle == half ? half - 1 : settle, half + 8820);
        EXPECT_LE(during, own * 5 / 4 + 2) << "channel " << ch << ", own " << own;
    }
    return out;
}

TEST(FxSound, WideningKeepsTheMonoSum) {
    // Different material left and right, so there is a side to widen.
    const size_t frames = 30000;
    std::vector<int16_t> in(2 * frames);
    for (size_t n = 0; n < frames; ++n) {
        in[2 * n] = static_cast<int16_t>(6000 * std::sin(2 * kPi * 440 * n / kRate) +
                                         2000 * std::sin(2 * kPi * 90 * n / kRate));
        in[2 * n + 1] = static_cast<int16_t>(5000 * std::sin(2 * kPi * 1250 * n / kRate) +
                                             2000 * std::sin(2 * kPi * 90 * n / kRate));
    }
    Renderer r(Pcm(2, 44100, 16));
    auto out = r.Run(Knobs(1.0f, 0.0f, 0.0f), in);
    const size_t late = r.Chain().Latency();
    ASSERT_GT(late, 0u);
    int sideChange = 0;
    for (size_t n = 0; n + late < frames; ++n) {
        size_t m = n + late;
        int sumIn = in[2 * n] + in[2 * n + 1], sumOut = out[2 * m] + out[2 * m + 1];
        ASSERT_LE(std::abs(sumOut - sumIn), 1) << n;  // each channel rounds once
        sideChange = std::max(sideChange, std::abs(out[2 * m] - in[2 * n]));
    }
    EXPECT_GT(sideChange, 2000);  // and it did widen
}

TEST(FxSound, HeadphonesFeedTheOtherEarLateAndDull) {
    const fx::FxParams p = Knobs(1.0f, 0.0f, 0.0f, true, 90);
    // A click hard left at frame 100.
    std::vector<int16_t> click(2 * 2000, 0);
    click[200] = 20000;
    Renderer r(Pcm(2, 44100, 16));
    auto out = r.Run(p, click);
    const size_t at = 100 + r.Chain().Latency();
    EXPECT_NE(out[2 * at], 0);
    const size_t delay = 13;  // 0.3 ms
    for (size_t n = 0; n < at + delay; ++n) ASSERT_EQ(out[2 * n + 1], 0) << n;
    int reached = 0;
    for (size_t n = at + delay; n < at + delay + 20; ++n) reached = std::max(reached, std::abs(out[2 * n + 1]));
    EXPECT_GT(reached, 200);

    // Bass crosses over, treble much less.
    auto crossed = [&](double hz) {
        return ToneAmplitude(Stereo(p, Sine(kRate, hz, 10000, 0, 22050)), 2, 1, kRate, hz, 11025, 11025);
    };
    double low = crossed(200), high = crossed(8000);
    EXPECT_GT(low, 2000);
    EXPECT_LT(high, low / 4);

    // The amount follows the integer level: 8 is subtle, 90 strong.
    auto o8 = Stereo(Knobs(0.0f, 0.0f, 0.0f, true, 8), Sine(kRate, 200, 10000, 0, 22050));
    double low8 = ToneAmplitude(o8, 2, 1, kRate, 200, 11025, 11025);
    EXPECT_GT(low8, 100);
    EXPECT_LT(low8, low / 5);
}

TEST(FxSound, VibeLiftsTheBassNotTheMiddle) {
    auto gainDb = [](double hz) {
        auto out = Stereo(Knobs(0.0f, 1.0f, 0.0f), Sine(kRate, hz, 4000, 4000, 44100));
        return Db(ToneAmplitude(out, 2, 0, kRate, hz, 22050, 22050) / 4000.0);
    };
    EXPECT_GT(gainDb(60), 4.0);
    EXPECT_LT(std::fabs(gainDb(1000)), 1.0);
    EXPECT_GT(gainDb(12000), 0.5);  // a little brightness
}

TEST(FxSound, SoundfieldsTailDecaysToDigitalSilence) {
    const size_t frames = 6 * 44100;
    std::vector<int16_t> in(2 * frames, 0);
    in[0] = in[1] = 20000;
    auto out = Stereo(Knobs(0.0f, 0.0f, 1.0f), in);
    auto energy = [&](double from, double to) {
        double e = 0;
        for (size_t n = static_cast<size_t>(from * kRate); n < static_cast<size_t>(to * kRate); ++n)
            e += double(out[2 * n]) * out[2 * n] + double(out[2 * n + 1]) * out[2 * n + 1];
        return e;
    };
    EXPECT_GT(energy(0.05, 0.3), 1e6);                     // a tail grew
    EXPECT_LT(energy(0.6, 0.85), energy(0.05, 0.3) / 10);  // and decays
    for (size_t n = 4 * 44100; n < frames; ++n) ASSERT_EQ(out[2 * n] | out[2 * n + 1], 0) << n;
    // Left and right are different rooms, not one echo twice.
    size_t differ = 0;
    for (size_t n = 2205; n < 22050; ++n) differ += out[2 * n] != out[2 * n + 1];
    EXPECT_GT(differ, 10000u);
}

TEST(FxSound, TurningOffRingsOutThenBypasses) {
    auto in = Sine(kRate, 300, 8000, 8000, 44100);
    Renderer r(Pcm(2, 44100, 16));
    r.Run(Knobs(1.0f, 1.0f, 1.0f), in);
    EXPECT_GT(r.Chain().TailLeft(), 0u);
    std::vector<int16_t> silence(2 * 7 * 44100, 0);
    auto tail = r.Run(Off(), silence);
    EXPECT_NE(tail, silence);  // the room rings on after the switch
    EXPECT_EQ(r.Chain().TailLeft(), 0u);
    EXPECT_EQ(r.Run(Off(), in), in);
}

TEST(FxSound, LevelChangesGlideWithoutSteps) {
    // A 200 Hz tone, different left and right; each control jumps between 0
    // and 11 at a buffer boundary, both ways. No sample may step further than
    // the tone itself does before or after.
    struct Change {
        const char* name;
        fx::FxParams a, b;
    };
    fx::FxParams quiet = Off(), loud = Off();
    quiet.masterGain = 0.1f;
    const Change changes[] = {
        {"master", quiet, loud},
        {"3D", Knobs(0.0f, 0.0f, 0.0f), Knobs(1.0f, 0.0f, 0.0f)},
        {"Vibe", Knobs(0.0f, 0.0f, 0.0f), Knobs(0.0f, 1.0f, 0.0f)},
        {"headphones", Knobs(0.0f, 0.0f, 0.0f, true, 8), Knobs(0.0f, 0.0f, 0.0f, true, 90)},
        {"headphones button", Knobs(1.0f, 0.0f, 0.0f, false), Knobs(1.0f, 0.0f, 0.0f, true, 90)},
    };
    const size_t half = 22050;
    auto in = Sine(kRate, 200, 8000, 2500, 2 * half);
    for (const Change& c : changes) {
        for (int way = 0; way < 2; ++way) {
            SCOPED_TRACE(testing::Message() << c.name << (way ? " down" : " up"));
            Switched(in, half, way ? c.b : c.a, way ? c.a : c.b, half);
        }
    }
}

TEST(FxSound, MonoGetsVibeAndRoomButNoStereoEffects) {
    const size_t frames = 44100;
    std::vector<int16_t> in(frames);
    for (size_t n = 0; n < frames; ++n) in[n] = static_cast<int16_t>(4000 * std::sin(2 * kPi * 60 * n / kRate));
    Renderer only3D(Pcm(1, 44100, 16));
    EXPECT_EQ(only3D.Run(Knobs(1.0f, 0.0f, 0.0f), in), in);
    Renderer headphones(Pcm(1, 44100, 16));
    EXPECT_EQ(headphones.Run(Knobs(1.0f, 0.0f, 0.0f, true, 90), in), in);
    Renderer vibe(Pcm(1, 44100, 16));
    auto out = vibe.Run(Knobs(0.0f, 1.0f, 0.0f), in);
    EXPECT_GT(Db(ToneAmplitude(out, 1, 0, kRate, 60, 22050, 22050) / 4000.0), 4.0);
}

TEST(FxSound, LimiterDoesNotDistortLoudBass) {
    // Vibe at 11 lifts 60 Hz by 6.5 dB, so loud bass goes over full scale and
    // the limiter works. What it adds is measured against the chain without
    // it: the chain is otherwise proportional to its input (filters and a
    // rectifier), so the same tone 40 dB down through a float stream, where
    // the limiter never acts, shows it, scaled. Residual over that scaled
    // reference, gain fitted, in the second second: THD+N of the limiter.
    struct Case {
        double hz, dbfs, most;
    };
    const Case cases[] = {{40, -6, 0.001}, {60, -6, 0.001}, {40, -1, 0.001}, {60, -1, 0.001}};
    const fx::FxParams vibe = Knobs(0.0f, 1.0f, 0.0f);
    const size_t frames = 2 * 44100;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hz << " Hz at " << c.dbfs << " dBFS");
        const double amp = 32768.0 * std::pow(10.0, c.dbfs / 20.0);
        auto in = Sine(kRate, c.hz, amp, amp, frames);
        auto out = Stereo(vibe, in);

        std::vector<float> quiet(in.size());
        for (size_t i = 0; i < in.size(); ++i) quiet[i] = static_cast<float>(in[i] / 32768.0 * 0.01);
        Renderer free(Fmt(3, 2, 44100, 32));
        auto ref = free.Run(vibe, quiet);

        double cross = 0, power = 0;
        for (size_t i = 2 * 44100; i < 2 * frames; ++i) {
            cross += out[i] / 32768.0 * ref[i] * 100.0;
            power += ref[i] * 100.0 * ref[i] * 100.0;
        }
        const double gain = cross / power;
        double residual = 0;
        for (size_t i = 2 * 44100; i < 2 * frames; ++i) {
            double e = out[i] / 32768.0 - gain * ref[i] * 100.0;
            residual += e * e;
        }
        const double thdn = std::sqrt(residual / (gain * gain * power));
        std::printf("limiter THD+N, %g Hz at %g dBFS with Vibe 11: %.4f%% (gain %.2f dB)\n", c.hz, c.dbfs, 100.0 * thdn,
                    Db(gain));
        EXPECT_LT(gain, 0.95);  // it did limit
        EXPECT_LE(thdn, c.most);
        for (int16_t v : out) ASSERT_TRUE(v < 32767 && v > -32768);
    }
}

TEST(FxSound, GoingInAndOutOfTheLimiterHasNoStep) {
    // Loud enough that the limiter holds the gain well down when the effect
    // goes (the chain leaves its look-ahead delay then) or comes. No sample
    // may step further than the signal does before or after.
    struct Change {
        const char* name;
        double hz, amp;
        fx::FxParams on;
    };
    const Change changes[] = {
        {"Vibe, 60 Hz", 60, 24000, Knobs(0.0f, 1.0f, 0.0f)},
        {"3D, 300 Hz", 300, 30000, Knobs(1.0f, 0.0f, 0.0f)},
        {"headphones, 100 Hz", 100, 32000, Knobs(0.0f, 0.0f, 0.0f, true, 90)},
    };
    const size_t half = 44100;
    for (const Change& c : changes) {
        auto in = Sine(kRate, c.hz, c.amp, c.amp * 0.3, 2 * half);
        if (c.hz == 300)  // a side to widen
            for (size_t n = 0; n < 2 * half; ++n) in[2 * n + 1] = static_cast<int16_t>(-in[2 * n + 1]);
        for (int way = 0; way < 2; ++way) {
            SCOPED_TRACE(testing::Message() << c.name << (way ? " out" : " in"));
            auto out = Switched(in, half, way ? c.on : Off(), way ? Off() : c.on, half - 10);
            if (way) {
                EXPECT_EQ(std::vector<int16_t>(out.end() - 2000, out.end()),
                          std::vector<int16_t>(in.end() - 2000, in.end()));  // bypassed again
            }
        }
    }
}

}  // namespace
