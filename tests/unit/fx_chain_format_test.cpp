// The chain's promises about samples and formats: untouched when off, exact
// gain, limits, formats it leaves alone, independence of buffer cuts.
#include "fx_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

using namespace fxtest;

namespace {

template <class Sample>
std::vector<Sample> Noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<Sample> v(n);
    for (auto& s : v) s = static_cast<Sample>(rng());
    return v;
}

// Every format the chain takes, at the edges of its rates and channels.
const fx::FxFormat kFormats[] = {
    Fmt(1, 1, 8000, 8),       Fmt(1, 2, 22050, 8),  Fmt(1, 2, 44100, 16),     Fmt(1, 1, 96000, 16),
    Fmt(1, 2, 48000, 16, 12), Fmt(1, 2, 96000, 24), Fmt(1, 1, 44100, 24, 20), Fmt(1, 2, 44100, 32),
    Fmt(1, 2, 48000, 32, 24), Fmt(3, 2, 44100, 32), Fmt(3, 1, 8000, 32),      Fmt(1, 6, 48000, 16),
    Fmt(3, 8, 96000, 32),     Fmt(1, 4, 44100, 24),
};

// No sample at the format's lowest or highest code: nothing cut flat.
template <class Sample>
::testing::AssertionResult NeverAtTheLargestCodes(const std::vector<Sample>& out) {
    const auto [lowest, highest] = std::minmax_element(out.begin(), out.end());
    if (*lowest > std::numeric_limits<Sample>::min() && *highest < std::numeric_limits<Sample>::max())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "from " << +*lowest << " to " << +*highest;
}

std::string Name(const fx::FxFormat& f) {
    return testing::PrintToString(f.formatTag) + "/" + testing::PrintToString(f.channels) + "ch/" +
           testing::PrintToString(f.sampleRate) + "/" + testing::PrintToString(f.bitsPerSample) + "/" +
           testing::PrintToString(f.validBits);
}

TEST(FxChain, OffOrAllLevelsZeroIsBitExactInEveryFormat) {
    const fx::FxParams zero = Knobs(0.0f, 0.0f, 0.0f);  // everything enabled, every level 0
    for (const fx::FxFormat& f : kFormats) {
        SCOPED_TRACE(Name(f));
        // Any bytes at all, NaNs in a float stream included.
        auto in = Noise<uint8_t>(f.blockAlign * 3001u, f.sampleRate + f.channels);
        for (const fx::FxParams& p : {Off(), zero}) {
            Renderer r(f);
            ASSERT_TRUE(r.Open());
            EXPECT_EQ(r.Run(p, in, f.blockAlign * 250u + 1), in);  // frames split between calls too
        }
    }
}

TEST(FxChain, EveryFormatGetsTheEffectsOnItsFrontPair) {
    // 60 Hz (Vibe lifts it) and 2 kHz on the left only (3D widens it); the
    // channels after the front pair carry noise that must come out as it went in.
    for (const fx::FxFormat& f : kFormats) {
        SCOPED_TRACE(Name(f));
        const size_t frames = f.sampleRate / 2, ch = f.channels;
        std::vector<double> v(frames * ch);
        std::mt19937 rng(3);
        for (size_t n = 0; n < frames; ++n) {
            double t = static_cast<double>(n) / f.sampleRate;
            v[n * ch] = 0.2 * std::sin(2 * kPi * 60 * t) + 0.1 * std::sin(2 * kPi * 2000 * t);
            if (ch > 1) v[n * ch + 1] = 0.2 * std::sin(2 * kPi * 60 * t);
            for (size_t c = 2; c < ch; ++c) v[n * ch + c] = (static_cast<int>(rng() % 2001) - 1000) / 1001.0;
        }
        auto in = Encode(f, v);
        Renderer r(f);
        ASSERT_TRUE(r.Open());
        auto outBytes = r.Run(Knobs(1.0f, 1.0f, 0.0f), in, f.blockAlign * 1000u);
        auto out = Decode(f, outBytes);
        const size_t from = frames / 2, len = frames / 2;
        double bass = ToneAmplitude(out, ch, 0, f.sampleRate, 60, from, len);
        EXPECT_GT(20 * std::log10(bass / 0.2), 4.0);
        if (ch > 1) {
            // The 2 kHz side signal is louder on the left and reaches the right.
            EXPECT_GT(ToneAmplitude(out, ch, 0, f.sampleRate, 2000, from, len), 0.13);
            EXPECT_GT(ToneAmplitude(out, ch, 1, f.sampleRate, 2000, from, len), 0.02);
        }
        const uint32_t bytes = f.bitsPerSample / 8;
        for (size_t n = 0; n < frames && ch > 2; ++n) {
            size_t at = n * f.blockAlign + 2 * bytes, len2 = f.blockAlign - 2 * bytes;
            ASSERT_TRUE(std::equal(in.begin() + at, in.begin() + at + len2, outBytes.begin() + at)) << n;
        }
        // Deep formats keep their unused low bits clear and never reach full scale.
        const uint32_t valid = f.validBits ? f.validBits : f.bitsPerSample;
        if (f.formatTag == 1 && valid < f.bitsPerSample) {
            const uint32_t mask = (1u << (f.bitsPerSample - valid)) - 1;
            for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(outBytes[i * bytes] & mask, 0u) << i;
        }
    }
}

TEST(FxChain, DeepFormatsStayBelowFullScaleAtEleven) {
    const fx::FxFormat deep[] = {Fmt(1, 2, 44100, 24), Fmt(1, 2, 48000, 32), Fmt(1, 2, 48000, 32, 24),
                                 Fmt(3, 2, 96000, 32)};
    for (const fx::FxFormat& f : deep) {
        SCOPED_TRACE(Name(f));
        std::vector<double> v(2 * static_cast<size_t>(f.sampleRate / 2));
        for (size_t n = 0; n < v.size() / 2; ++n) v[2 * n] = v[2 * n + 1] = (n / 60) % 2 ? 1.0 : -1.0;
        if (f.formatTag == 3) {
            // What no sound is stays out of the filters.
            v[10] = 1e30;
            v[11] = std::nan("");
        }
        auto in = Encode(f, v);
        Renderer r(f);
        auto out = Decode(f, r.Run(Knobs(1.0f, 1.0f, 1.0f, false), in, f.blockAlign * 777u));
        for (size_t i = 0; i < out.size(); ++i) ASSERT_LT(std::fabs(out[i]), 1.0) << i;  // no largest code
        double power = 0;
        for (size_t i = out.size() / 2; i < out.size(); ++i) power += out[i] * out[i];
        EXPECT_GT(power / (out.size() / 2), 0.1);  // and not silenced
    }
}

TEST(FxChain, InPlaceEqualsSeparateBuffers) {
    auto in = Noise<int16_t>(2 * 6000, 7);
    for (auto& s : in) s /= 4;
    const fx::FxParams p = Knobs(1.0f, 1.0f, 1.0f);
    Renderer a(Pcm(2, 44100, 16)), b(Pcm(2, 44100, 16));
    std::vector<int16_t> separate = a.Run(p, in, 2000);
    std::vector<int16_t> inPlace = in;
    for (size_t at = 0; at < inPlace.size(); at += 500) b.Chain().Process(p, &inPlace[at], &inPlace[at], 1000);
    EXPECT_EQ(separate, inPlace);
    EXPECT_NE(separate, in);
}

TEST(FxChain, BufferCutsDoNotMatter) {
    // The engine processes whatever buffers a program plays; a renderer of the
    // same stream must get the same samples.
    auto in = Sine(44100, 330, 9000, 4000, 20000);
    const fx::FxParams p = Knobs(0.6f, 1.0f, 0.8f);
    Renderer a(Pcm(2, 44100, 16)), b(Pcm(2, 44100, 16)), c(Pcm(2, 44100, 16));
    auto whole = a.Run(p, in, in.size() * 2);
    EXPECT_EQ(b.Run(p, in, 4 * 331), whole);
    EXPECT_EQ(c.Run(p, in, 4), whole);
}

TEST(FxChain, MasterGainExactToOneStep) {
    const float gains[] = {0.1f, 0.5011872f, 0.8912509f};
    for (float g : gains) {
        fx::FxParams p = Off();
        p.masterGain = g;
        SCOPED_TRACE(g);
        auto in16 = Noise<int16_t>(2 * 3000, 3);
        Renderer r16(Pcm(2, 44100, 16));
        auto out16 = r16.Run(p, in16, 1000);
        for (size_t i = 0; i < in16.size(); ++i)
            ASSERT_LE(std::fabs(out16[i] - in16[i] * static_cast<double>(g)), 0.501) << i;

        auto in8 = Noise<uint8_t>(3000, 4);
        Renderer r8(Pcm(1, 11025, 8));
        auto out8 = r8.Run(p, in8, 700);
        for (size_t i = 0; i < in8.size(); ++i)
            ASSERT_LE(std::fabs((out8[i] - 128) - (in8[i] - 128) * static_cast<double>(g)), 0.501) << i;
    }
}

TEST(FxChain, FullScaleAtElevenNeverClipsOrWrapsAtAnyRate) {
    for (bool headphones : {false, true}) {
        SCOPED_TRACE(headphones ? "headphones" : "loudspeakers");
        fx::FxParams p = Knobs(1.0f, 1.0f, 1.0f, headphones, 90);
        // Full-scale bass, a full-scale square and clipped noise: the worst
        // the program can be fed.
        const size_t frames = 44100;
        std::vector<int16_t> in(2 * frames);
        std::mt19937 rng(5);
        for (size_t n = 0; n < frames; ++n) {
            int16_t v;
            if (n < frames / 3)
                v = static_cast<int16_t>(std::lround(32767.0 * std::sin(2 * kPi * 60.0 * n / 44100.0)));
            else if (n < 2 * frames / 3)
                v = (n / 100) % 2 ? 32767 : -32768;
            else
                v = rng() % 2 ? 32767 : -32768;
            in[2 * n] = v;
            in[2 * n + 1] = n < frames / 3 || (n / 37) % 2 ? v : static_cast<int16_t>(-v - 1);
        }
        Renderer r(Pcm(2, 44100, 16));
        auto out = r.Run(p, in);
        EXPECT_TRUE(NeverAtTheLargestCodes(out));
        // During the full-scale sine a wrapped sample would jump by most of
        // the range; the sine itself moves by under 300 steps a sample.
        int worstStep = 0;
        for (int ch = 0; ch < 2; ++ch) worstStep = std::max(worstStep, MaxStep(out, 2, ch, 0, frames / 3));
        EXPECT_LT(worstStep, 3000);

        // 8-bit the same way.
        std::vector<uint8_t> in8(frames);
        for (size_t n = 0; n < frames; ++n) in8[n] = (n / 50) % 2 ? 255 : 0;
        Renderer r8(Pcm(1, 22050, 8));
        EXPECT_TRUE(NeverAtTheLargestCodes(r8.Run(p, in8)));

        // Filter corners and delays scale with the rate; at 8 kHz some corners
        // sit near the Nyquist frequency and at 48 kHz the delays are longest.
        for (uint32_t rate : {8000u, 11025u, 32000u, 48000u}) {
            SCOPED_TRACE(rate);
            std::vector<int16_t> square(2 * static_cast<size_t>(rate));
            for (size_t n = 0; n < rate; ++n) square[2 * n] = square[2 * n + 1] = (n / 40) % 2 ? 32767 : -32768;
            Renderer at(Pcm(2, rate, 16));
            ASSERT_TRUE(at.Open());
            auto outAt = at.Run(p, square);
            EXPECT_NE(outAt, square);
            EXPECT_TRUE(NeverAtTheLargestCodes(outAt));
        }
    }
}

TEST(FxChain, OtherFormatsPassUntouched) {
    fx::FxFormat others[] = {
        {3, 2, 44100, 64, 16},      // double
        {3, 2, 44100, 24, 6},       // 24-bit float
        {1, 2, 44100, 12, 3},       // 12-bit container
        {1, 2, 96001, 16, 4},       // above 96 kHz
        {1, 1, 7999, 8, 1},         // below 8 kHz
        {1, 2, 44100, 16, 3},       // a block size that does not fit
        {1, 0, 44100, 16, 0},       // no channels
        {1, 18, 44100, 32, 72},     // frames larger than we keep
        {0xFFFE, 2, 44100, 16, 4},  // extensible, untranslated
        {2, 2, 44100, 4, 2048},     // compressed
        Fmt(1, 2, 44100, 16, 17),   // more valid bits than the container
        Fmt(1, 2, 44100, 8, 7),     // unsigned bytes are whole
        Fmt(3, 2, 44100, 32, 24),
    };
    const fx::FxParams p = Knobs(1.0f, 1.0f, 1.0f);
    for (const fx::FxFormat& f : others) {
        SCOPED_TRACE(Name(f));
        Renderer r(f);
        EXPECT_FALSE(r.Open());
        auto in = Noise<uint8_t>(std::max<size_t>(f.blockAlign, 1) * 500, 9);
        EXPECT_EQ(r.Run(p, in, 256), in);
        std::vector<uint8_t> same = in;
        r.Chain().Process(p, same.data(), same.data(), static_cast<uint32_t>(same.size()));
        EXPECT_EQ(same, in);
    }
}

TEST(FxChain, SplitFramesKeepLaterCallsFramed) {
    // Calls of any size: every frame not split by a call's end comes out as
    // from one call. A split frame's bytes before the (last) cut repeat the
    // previous frame out in the processed channels and are the input's own in
    // the others; its bytes after the cut are its own processed ones.
    const fx::FxFormat formats[] = {Fmt(1, 2, 44100, 16), Fmt(1, 1, 22050, 8), Fmt(1, 2, 48000, 24),
                                    Fmt(1, 6, 48000, 32, 24), Fmt(3, 2, 44100, 32)};
    const fx::FxParams p = Knobs(1.0f, 1.0f, 0.5f);
    for (const fx::FxFormat& f : formats) {
        const size_t block = f.blockAlign, frames = 3000;
        std::vector<double> v(frames * f.channels);
        for (size_t i = 0; i < v.size(); ++i) v[i] = 0.4 * std::sin(0.01 * i) + 0.2 * std::sin(0.37 * i);
        auto in = Encode(f, v);
        Renderer whole(f);
        auto expected = whole.Run(p, in, in.size());
        const size_t own = std::min<size_t>(f.channels, 2) * (f.bitsPerSample / 8);
        const uint8_t silence = f.bitsPerSample == 8 ? 0x80 : 0;
        for (size_t chunk : {size_t(1001), size_t(3), size_t(4093), size_t(block + 1)}) {
            SCOPED_TRACE(Name(f) + " in calls of " + testing::PrintToString(chunk));
            Renderer r(f);
            auto out = r.Run(p, in, chunk);
            for (size_t at = 0; at < frames; ++at) {
                const size_t start = at * block, end = start + block;
                const size_t cut = (end - 1) / chunk * chunk;  // the last call's start inside this frame
                for (size_t b = start; b < end; ++b) {
                    uint8_t want = expected[b];
                    if (b < cut && cut > start) {
                        size_t o = b - start;
                        want = o >= own ? in[b] : at ? expected[b - block] : silence;
                    }
                    ASSERT_EQ(out[b], want) << "frame " << at << " byte " << b - start;
                }
            }
        }
    }
}

}  // namespace
