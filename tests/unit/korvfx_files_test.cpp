// korvfx's file handling: WAVE files in and out, the PNG encoding, the
// spectrum scale and the demo clip.
#include "korvfx/DemoClip.h"
#include "korvfx/PngWriter.h"
#include "korvfx/Spectrum.h"
#include "korvfx/WavFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

std::vector<unsigned char> Bytes(const std::string& s) {
    return std::vector<unsigned char>(s.begin(), s.end());
}

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

TEST(KorvfxWav, RoundTripKeepsFormatAndData) {
    korvfx::WavFile w = korvfx::WavFile::Pcm(2, 22050, 8);
    w.data = {1, 2, 3, 4, 5, 6};
    std::vector<unsigned char> bytes = w.Serialize();
    ASSERT_EQ(bytes.size(), 44u + 6u);
    korvfx::WavFile back;
    std::string error;
    ASSERT_TRUE(back.Parse(bytes, &error)) << error;
    EXPECT_EQ(back.format.channels, 2);
    EXPECT_EQ(back.format.sampleRate, 22050u);
    EXPECT_EQ(back.format.bitsPerSample, 8);
    EXPECT_EQ(back.format.blockAlign, 2);
    EXPECT_EQ(back.data, w.data);
    EXPECT_EQ(back.Frames(), 3u);
    EXPECT_EQ(back.Serialize(), bytes);
}

TEST(KorvfxWav, SkipsOtherChunksWithTheirPaddingAndKeepsACutDataChunk) {
    korvfx::WavFile pcm = korvfx::WavFile::Pcm(1, 8000, 16);
    std::string fmt(pcm.fmtChunk.begin(), pcm.fmtChunk.end());
    // An odd-sized LIST chunk is followed by one pad byte; the data chunk
    // claims 8 bytes but the file ends after 4.
    std::string body = "WAVE" + std::string("fmt ") + Le32(16) + fmt + "LIST" + Le32(3) + "abc" + '\0' + "data" +
                       Le32(8) + std::string("\x10\x00\xF0\xFF", 4);
    std::string file = "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
    korvfx::WavFile w;
    std::string error;
    ASSERT_TRUE(w.Parse(Bytes(file), &error)) << error;
    ASSERT_EQ(w.data.size(), 4u);
    EXPECT_FLOAT_EQ(w.Sample(0, 0), 16.0f / 32768.0f);
    EXPECT_FLOAT_EQ(w.Sample(1, 0), -16.0f / 32768.0f);
}

TEST(KorvfxWav, RejectsWhatIsNoWave) {
    korvfx::WavFile w;
    std::string error;
    EXPECT_FALSE(w.Parse(Bytes("RIFX....WAVE"), &error));
    EXPECT_FALSE(w.Parse(Bytes("RIFF"), &error));
    std::string noData = "RIFF" + Le32(28) + "WAVEfmt " + Le32(16) + std::string(16, '\1');
    EXPECT_FALSE(w.Parse(Bytes(noData), &error));
    EXPECT_EQ(error, "no data chunk");
    korvfx::WavFile pcm = korvfx::WavFile::Pcm(1, 8000, 16);
    std::string fmt(pcm.fmtChunk.begin(), pcm.fmtChunk.end());
    fmt[12] = fmt[13] = 0;  // block size 0 would divide by zero later
    std::string zeroBlock = "RIFF" + Le32(36) + "WAVEfmt " + Le32(16) + fmt + "data" + Le32(0);
    EXPECT_FALSE(w.Parse(Bytes(zeroBlock), &error));
}

TEST(KorvfxPng, ChecksumsAndStoredBlocks) {
    const std::string iend = "IEND";
    EXPECT_EQ(korvfx::Crc32(reinterpret_cast<const unsigned char*>(iend.data()), 4), 0xAE426082u);
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(korvfx::Adler32(reinterpret_cast<const unsigned char*>(wiki.data()), wiki.size()), 0x11E60398u);

    // 200 x 120 RGB: 72120 bytes of rows, so two stored blocks.
    std::vector<unsigned char> rgb(200 * 120 * 3, 7);
    std::vector<unsigned char> png = korvfx::EncodePng(rgb, 200, 120);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1A\n", 8), 0);
    EXPECT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0);
    EXPECT_EQ(png[19], 200);  // width, big-endian
    EXPECT_EQ(png[23], 120);
    const unsigned char* idat = png.data() + 33;
    uint32_t idatLength = (idat[0] << 24) | (idat[1] << 16) | (idat[2] << 8) | idat[3];
    EXPECT_EQ(std::memcmp(idat + 4, "IDAT", 4), 0);
    // zlib header, two blocks of 5 header bytes, the rows, the Adler sum.
    EXPECT_EQ(idatLength, 2u + 5u + 5u + 72120u + 4u);
    const unsigned char* block = idat + 8 + 2;
    EXPECT_EQ(block[0], 0);  // not the last
    EXPECT_EQ(block[1] | (block[2] << 8), 65535);
    const unsigned char* second = block + 5 + 65535;
    EXPECT_EQ(second[0], 1);  // the last
    EXPECT_EQ(second[1] | (second[2] << 8), 72120 - 65535);
    EXPECT_EQ(std::memcmp(png.data() + png.size() - 8, "IEND", 4), 0);
}

TEST(KorvfxSpectrum, FullScaleSineReadsZeroDecibelsAndNoSideWhenCentred) {
    const double rate = 48000.0, hz = 93.75 * 16;  // exactly on bin 16 of 512
    std::vector<float> s(4096);
    for (size_t n = 0; n < s.size(); ++n) s[n] = static_cast<float>(std::sin(2 * 3.14159265358979 * hz * n / rate));
    korvfx::StereoSpectrum sp = korvfx::Analyse(s, s, rate, 512);
    EXPECT_NEAR(sp.binHz, 93.75, 1e-9);
    EXPECT_NEAR(sp.power[16], 1.0, 0.01);
    EXPECT_NEAR(sp.mid[16], 1.0, 0.01);
    EXPECT_LT(sp.side[16], 1e-12);
    EXPECT_LT(sp.power[40], 1e-6);
}

TEST(KorvfxDemo, SameEveryTimeStereoAndBelowFullScale) {
    korvfx::WavFile a = korvfx::DemoClip(22050, 2.0), b = korvfx::DemoClip(22050, 2.0);
    EXPECT_EQ(a.data, b.data);
    ASSERT_EQ(a.Frames(), 44100u);
    float peak = 0.0f;
    size_t differ = 0;
    for (uint32_t n = 0; n < a.Frames(); ++n) {
        peak = std::max(peak, std::max(std::fabs(a.Sample(n, 0)), std::fabs(a.Sample(n, 1))));
        differ += a.Sample(n, 0) != a.Sample(n, 1);
    }
    EXPECT_NEAR(peak, 0.708f, 0.01f);  // -3 dB
    EXPECT_GT(differ, a.Frames() / 2);
}

}  // namespace
