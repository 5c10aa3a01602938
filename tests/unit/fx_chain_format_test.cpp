// The chain's promises about samples and formats: untouched when off, exact
// gain, limits, formats it leaves alone, independence of buffer cuts.
#include "fx_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

using namespace fxtest;

namespace {

std::vector<uint8_t> Noise8(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

std::vector<int16_t> Noise16(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<int16_t> v(n);
    for (auto& s : v) s = static_cast<int16_t>(rng());
    return v;
}

TEST(FxChain, OffOrAllLevelsZeroIsBitExact) {
    const fx::FxParams zero = Knobs(0.0f, 0.0f, 0.0f);  // everything enabled, every level 0
    for (uint16_t ch : {1, 2}) {
        for (uint32_t rate : {8000u, 22050u, 48000u}) {
            SCOPED_TRACE(testing::Message() << ch << " ch " << rate << " Hz");
            auto in16 = Noise16(4000 * ch, rate + ch);
            auto in8 = Noise8(4000 * ch, rate + ch);
            for (const fx::FxParams& p : {Off(), zero}) {
                Renderer r16(Pcm(ch, rate, 16)), r8(Pcm(ch, rate, 8));
                ASSERT_TRUE(r16.Open() && r8.Open());
                EXPECT_EQ(r16.Run(p, in16, 1000), in16);
                EXPECT_EQ(r8.Run(p, in8, 999), in8);
            }
        }
    }
}

TEST(FxChain, InPlaceEqualsSeparateBuffers) {
    auto in = Noise16(2 * 6000, 7);
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
        auto in16 = Noise16(2 * 3000, 3);
        Renderer r16(Pcm(2, 44100, 16));
        auto out16 = r16.Run(p, in16, 1000);
        for (size_t i = 0; i < in16.size(); ++i)
            ASSERT_LE(std::fabs(out16[i] - in16[i] * static_cast<double>(g)), 0.501) << i;

        auto in8 = Noise8(3000, 4);
        Renderer r8(Pcm(1, 11025, 8));
        auto out8 = r8.Run(p, in8, 700);
        for (size_t i = 0; i < in8.size(); ++i)
            ASSERT_LE(std::fabs((out8[i] - 128) - (in8[i] - 128) * static_cast<double>(g)), 0.501) << i;
    }
}

TEST(FxChain, FullScaleAtElevenNeverClipsOrWraps) {
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
        int worstStep = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            // The largest codes are never reached: nothing is cut flat.
            ASSERT_LT(out[i], 32767) << i;
            ASSERT_GT(out[i], -32768) << i;
        }
        // During the full-scale sine a wrapped sample would jump by most of
        // the range; the sine itself moves by under 300 steps a sample.
        for (int ch = 0; ch < 2; ++ch) worstStep = std::max(worstStep, MaxStep(out, 2, ch, 0, frames / 3));
        EXPECT_LT(worstStep, 3000);

        // 8-bit the same way.
        std::vector<uint8_t> in8(frames);
        for (size_t n = 0; n < frames; ++n) in8[n] = (n / 50) % 2 ? 255 : 0;
        Renderer r8(Pcm(1, 22050, 8));
        auto out8 = r8.Run(p, in8);
        for (size_t i = 0; i < out8.size(); ++i) {
            ASSERT_LT(out8[i], 255) << i;
            ASSERT_GT(out8[i], 0) << i;
        }
    }
}

TEST(FxChain, EveryRateStaysBelowFullScale) {
    // Filter corners and delays scale with the rate; at 8 kHz some corners
    // sit near the Nyquist frequency and at 48 kHz the delays are longest.
    for (uint32_t rate : {8000u, 11025u, 32000u, 48000u}) {
        for (bool headphones : {false, true}) {
            SCOPED_TRACE(testing::Message() << rate << (headphones ? " headphones" : ""));
            std::vector<int16_t> in(2 * static_cast<size_t>(rate));
            for (size_t n = 0; n < rate; ++n) in[2 * n] = in[2 * n + 1] = (n / 40) % 2 ? 32767 : -32768;
            Renderer r(Pcm(2, rate, 16));
            ASSERT_TRUE(r.Open());
            auto out = r.Run(Knobs(1.0f, 1.0f, 1.0f, headphones, 90), in);
            EXPECT_NE(out, in);
            for (size_t i = 0; i < out.size(); ++i) {
                ASSERT_LT(out[i], 32767) << i;
                ASSERT_GT(out[i], -32768) << i;
            }
        }
    }
}

TEST(FxChain, OtherFormatsPassUntouched) {
    const fx::FxFormat others[] = {
        {3, 2, 44100, 32, 8},   // float
        {1, 2, 44100, 24, 6},   // 24-bit
        {1, 6, 48000, 16, 12},  // 5.1
        {1, 2, 96000, 16, 4},   // above 48 kHz
        {1, 1, 4000, 8, 1},     // below 8 kHz
        {1, 2, 44100, 16, 3},   // a block size that does not fit
        {0xFFFE, 2, 44100, 16, 4},
    };
    const fx::FxParams p = Knobs(1.0f, 1.0f, 1.0f);
    for (const fx::FxFormat& f : others) {
        SCOPED_TRACE(testing::Message() << f.formatTag << "/" << f.channels << "/" << f.sampleRate << "/"
                                        << f.bitsPerSample);
        Renderer r(f);
        EXPECT_FALSE(r.Open());
        auto in = Noise8(f.blockAlign * 500, 9);
        EXPECT_EQ(r.Run(p, in, 256), in);
        std::vector<uint8_t> same = in;
        r.Chain().Process(p, same.data(), same.data(), static_cast<uint32_t>(same.size()));
        EXPECT_EQ(same, in);
    }
}

TEST(FxChain, PartialBlockAtTheEndIsCopied) {
    auto in = Noise8(4 * 100 + 3, 11);
    Renderer r(Pcm(2, 44100, 16));
    fx::FxParams p = Off();
    p.masterGain = 0.5f;
    std::vector<uint8_t> out(in.size(), 0);
    r.Chain().Process(p, in.data(), out.data(), static_cast<uint32_t>(in.size()));
    EXPECT_TRUE(std::equal(in.end() - 3, in.end(), out.end() - 3));
    EXPECT_NE(std::vector<uint8_t>(out.begin(), out.end() - 3), std::vector<uint8_t>(in.begin(), in.end() - 3));
}

}  // namespace
