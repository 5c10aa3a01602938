// korvfx on files, run as a user runs it: sound files in and out in their own
// formats, the loudness comparison, what a broken input gives, the plots;
// and the spectrum scale and the demo clip.
#include "fx/FxFormat.h"
#include "korvfx/Command.h"
#include "korvfx/DemoClip.h"
#include "korvfx/PlotReport.h"
#include "korvfx/Render.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int rc;
    std::string out, err;
};

Outcome Korvfx(const std::vector<std::string>& args) {
    Outcome r;
    r.rc = korvfx::RunKorvfx(args, &r.out, &r.err);
    return r;
}

std::string Temp(const std::string& name) {
    return testing::TempDir() + "korvfx_" + std::to_string(getpid()) + "_" + name;
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// A second of a sweep with noise, near full scale, through libsndfile.
void WriteTestFile(const std::string& path, int format, int channels, int rate) {
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<double> v(static_cast<size_t>(rate) * channels);
    uint32_t noise = 1;
    for (size_t i = 0; i < v.size(); ++i) {
        noise = noise * 1664525u + 1013904223u;
        double t = static_cast<double>(i / channels) / rate;
        v[i] = 0.6 * std::sin(2 * M_PI * (200 + 3000 * t) * t + static_cast<double>(i % channels)) +
               0.3 * (static_cast<int32_t>(noise) / 2147483648.0);
    }
    EXPECT_EQ(sf_writef_double(f, v.data(), rate), rate);
    sf_close(f);
}

SF_INFO ReadAll(const std::string& path, std::vector<int>* ints, std::vector<float>* floats) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path;
    if (!f) return info;
    ints->resize(static_cast<size_t>(info.frames) * info.channels);
    floats->resize(ints->size());
    EXPECT_EQ(sf_readf_int(f, ints->data(), info.frames), info.frames);
    sf_seek(f, 0, SEEK_SET);
    EXPECT_EQ(sf_readf_float(f, floats->data(), info.frames), info.frames);
    sf_close(f);
    return info;
}

TEST(KorvfxRender, LevelsZeroComeOutSampleForSampleInTheirOwnFormat) {
    struct Case {
        const char* name;
        int format;
        int channels, rate;
    } cases[] = {
        {"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100},
        {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 22050},
        {"pcm16.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 48000},
        {"pcm24.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 44100},
        {"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 96000},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100},
        {"6ch.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 6, 48000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = Temp(std::string("in_") + c.name), out = Temp(std::string("out_") + c.name);
        WriteTestFile(in, c.format, c.channels, c.rate);
        Outcome r = Korvfx({"render", in, out});
        ASSERT_EQ(r.rc, 0) << r.err;
        EXPECT_NE(r.out.find("(+0.0 LU)"), std::string::npos) << r.out;
        std::vector<int> ia, ib;
        std::vector<float> fa, fb;
        SF_INFO a = ReadAll(in, &ia, &fa), b = ReadAll(out, &ib, &fb);
        EXPECT_EQ(b.format, a.format);  // 24-bit stays 24-bit, float stays float
        EXPECT_EQ(b.samplerate, a.samplerate);
        EXPECT_EQ(b.frames, a.frames);
        EXPECT_TRUE(ia == ib);
        EXPECT_TRUE(fa == fb);
        std::remove(in.c_str());
        std::remove(out.c_str());
    }
}

korvfx::Loudness LoudnessOf(const std::string& path) {
    std::vector<int> ints;
    std::vector<float> floats;
    SF_INFO info = ReadAll(path, &ints, &floats);
    korvfx::Audio a = korvfx::Audio::Make(fx::kFormatFloat, 32, static_cast<uint16_t>(info.channels),
                                          static_cast<uint32_t>(info.samplerate), floats.size() / info.channels);
    std::copy_n(reinterpret_cast<const unsigned char*>(floats.data()), a.data.size(), a.data.begin());
    korvfx::Loudness l;
    std::string error;
    EXPECT_TRUE(korvfx::MeasureLoudness(a, &l, &error)) << error;
    return l;
}

TEST(KorvfxRender, AFairComparison) {
    const std::string in = Temp("demo.flac"), quiet = Temp("quiet.wav"), matched = Temp("matched.wav"),
                      loud = Temp("loud.wav");
    std::string error;
    ASSERT_TRUE(korvfx::WriteAudio(in, korvfx::DemoClip(44100, 6.0), &error)) << error;
    korvfx::Loudness before = LoudnessOf(in);

    // The master volume as a loudness difference.
    Outcome r = Korvfx({"render", in, quiet, "--master", "-10"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("(-10.0 LU)"), std::string::npos) << r.out;
    EXPECT_NEAR(LoudnessOf(quiet).lufs - before.lufs, -10.0, 0.05);

    // Every effect at 11 makes it louder; matched, it is not, and the true
    // peak stays below full scale.
    const std::vector<std::string> all = {"--3d", "11", "--vibe", "11", "--soundfields", "11"};
    std::vector<std::string> args = {"render", in, loud};
    args.insert(args.end(), all.begin(), all.end());
    ASSERT_EQ(Korvfx(args).rc, 0);
    EXPECT_GT(LoudnessOf(loud).lufs - before.lufs, 1.0);
    args[2] = matched;
    args.push_back("--match-loudness");
    r = Korvfx(args);
    ASSERT_EQ(r.rc, 0) << r.err;
    korvfx::Loudness after = LoudnessOf(matched);
    EXPECT_NEAR(after.lufs, before.lufs, 0.1) << r.out;
    EXPECT_LT(after.truePeakDb, 0.0);
    for (const std::string& p : {in, quiet, matched, loud}) std::remove(p.c_str());
}

TEST(KorvfxRender, ABrokenInputGivesOneLineAndNoOutput) {
    const std::string wav = Temp("whole.wav"), flac = Temp("whole.flac");
    WriteTestFile(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100);
    WriteTestFile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100);
    auto cut = [](const std::string& from, const std::string& to, long keep) {
        std::vector<char> bytes(static_cast<size_t>(keep));
        const std::streamsize n = std::ifstream(from, std::ios::binary).read(bytes.data(), keep).gcount();
        std::ofstream(to, std::ios::binary).write(bytes.data(), n);
    };
    const std::string cutWav = Temp("cut.wav"), cutFlac = Temp("cut.flac"), text = Temp("text.wav"),
                      fast = Temp("192k.wav");
    cut(wav, cutWav, 100000);
    cut(flac, cutFlac, 60000);
    std::ofstream(text, std::ios::binary) << "these are words, not sound\n";
    WriteTestFile(fast, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 192000);

    const std::string out = Temp("broken_out.wav");
    const std::vector<std::vector<std::string>> runs = {
        {"render", cutWav, out},
        {"render", cutFlac, out},
        {"render", text, out},
        {"render", fast, out},
        {"plot", cutWav, Temp("broken_out.png")},
        {"render", wav, Temp("out.mp3")},
        {"render", Temp("missing.wav"), out},
    };
    for (const std::vector<std::string>& args : runs) {
        SCOPED_TRACE(args[1] + " to " + args[2]);
        Outcome r = Korvfx(args);
        EXPECT_NE(r.rc, 0);
        EXPECT_EQ(r.err.rfind("korvfx: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(Exists(args[2]));
        EXPECT_FALSE(Exists(args[2] + ".partial"));
    }
    EXPECT_NE(Korvfx(runs[0]).err.find("cut short"), std::string::npos);
    EXPECT_NE(Korvfx(runs[3]).err.find("192000 Hz"), std::string::npos);
    for (const std::string& p : {wav, flac, cutWav, cutFlac, text, fast}) std::remove(p.c_str());
}

TEST(KorvfxPlot, SvgIsWellFormedAndPngDecodes) {
    const std::string in = Temp("plot_in.wav"), svg = Temp("plot.svg"), png = Temp("plot.png");
    std::string error;
    ASSERT_TRUE(korvfx::WriteAudio(in, korvfx::DemoClip(44100, 2.0), &error)) << error;
    ASSERT_EQ(Korvfx({"plot", in, svg, "--3d", "8", "--soundfields", "6"}).rc, 0);
    Outcome r = Korvfx({"plot", in, png, "--vibe", "8"});
    ASSERT_EQ(r.rc, 0) << r.err;

    const std::string check =
        "python3 -c 'import sys, xml.dom.minidom as m; d = m.parse(sys.argv[1]); "
        "sys.exit(d.documentElement.tagName != \"svg\")' " +
        svg;
    EXPECT_EQ(std::system(check.c_str()), 0);

    cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(s), 1200);
    EXPECT_EQ(cairo_image_surface_get_height(s), 1000);
    // The after curve and its legend are there in their orange.
    const unsigned char* p = cairo_image_surface_get_data(s);
    size_t orange = 0;
    for (int y = 0; y < cairo_image_surface_get_height(s); ++y)
        for (int x = 0; x < 1200; ++x) {
            const unsigned char* px = p + y * cairo_image_surface_get_stride(s) + 4 * x;  // B, G, R
            orange += px[2] > 200 && px[1] > 80 && px[1] < 130 && px[0] < 60;
        }
    EXPECT_GT(orange, 1000u);
    cairo_surface_destroy(s);
    for (const std::string& f : {in, svg, png}) std::remove(f.c_str());
}

TEST(KorvfxSpectrum, FullScaleSineReadsZeroDecibelsAndNoSideWhenCentred) {
    const double rate = 48000.0, hz = 93.75 * 16;  // exactly on bin 16 of 512
    std::vector<float> s(4096);
    for (size_t n = 0; n < s.size(); ++n) s[n] = static_cast<float>(std::sin(2 * M_PI * hz * n / rate));
    korvfx::StereoSpectrum sp = korvfx::Analyse(s, s, rate, 512);
    EXPECT_NEAR(sp.binHz, 93.75, 1e-9);
    EXPECT_NEAR(sp.power[16], 1.0, 0.01);
    EXPECT_NEAR(sp.mid[16], 1.0, 0.01);
    EXPECT_LT(sp.side[16], 1e-12);
    EXPECT_LT(sp.power[40], 1e-6);
}

TEST(KorvfxDemo, SameEveryTimeStereoAndBelowFullScale) {
    korvfx::Audio a = korvfx::DemoClip(22050, 2.0), b = korvfx::DemoClip(22050, 2.0);
    EXPECT_EQ(a.data, b.data);
    ASSERT_EQ(a.Frames(), 44100u);
    float peak = 0.0f;
    size_t differ = 0;
    for (size_t n = 0; n < a.Frames(); ++n) {
        peak = std::max(peak, std::max(std::fabs(a.Sample(n, 0)), std::fabs(a.Sample(n, 1))));
        differ += a.Sample(n, 0) != a.Sample(n, 1);
    }
    EXPECT_NEAR(peak, 0.708f, 0.01f);  // -3 dB
    EXPECT_GT(differ, a.Frames() / 2);
}

}  // namespace
