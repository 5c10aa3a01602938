#include "korvfx/PlotReport.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fftw3.h>
#include <fontconfig/fontconfig.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <complex>
#include <memory>
#include <vector>

#include "fx/FxChain.h"
#include "korvfx/Owned.h"

namespace korvfx {
namespace {

struct Rgb {
    double r, g, b;
};
const Rgb kInk = {0.16, 0.16, 0.16}, kGrid = {0.87, 0.87, 0.87}, kBefore = {0.55, 0.55, 0.55},
          kAfter = {0.88, 0.41, 0.06}, kRight = {0.14, 0.41, 0.84};
const int kWidth = 1200, kHeight = 1000;
const double kLeft = 90, kPlotWidth = kWidth - 130;

using Surface = Owned<cairo_surface_t, cairo_surface_destroy>;
using Context = Owned<cairo_t, cairo_destroy>;

struct Panel {
    double y, h;
    double lo, hi;  // vertical range
    double x = kLeft, w = kPlotWidth;
    double Row(double v) const { return y + h - std::min(1.0, std::max(0.0, (v - lo) / (hi - lo))) * h; }
};

// align: 0 left, 0.5 centred, 1 right of x; y is the baseline.
void Text(cairo_t* cr, double x, double y, const std::string& text, Rgb c, double size = 12, double align = 0,
          bool bold = false) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
    cairo_move_to(cr, x - align * e.x_advance, y);
    cairo_show_text(cr, text.c_str());
    cairo_new_path(cr);  // no line from the end of the text
}

// Through the points; a rule is a curve of two.
void Curve(cairo_t* cr, const std::vector<double>& xy, Rgb c, double width = 1) {
    for (size_t i = 0; i + 1 < xy.size(); i += 2) cairo_line_to(cr, xy[i], xy[i + 1]);
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

// Title, legend, value grid and labels, axes, and the vertical grid lines at
// the given places along the bottom with their labels.
void Frame(cairo_t* cr, const Panel& p, const std::string& title, const std::string& unit, double step,
           const std::vector<std::pair<double, std::string>>& marks, const std::string& across, const char* a, Rgb ca,
           const char* b, Rgb cb) {
    Text(cr, p.x, p.y - 10, title, kInk, 15, 0, true);
    Text(cr, p.x - 8, p.y - 10, unit, kInk, 12, 1);
    for (double v = ceil(p.lo / step) * step; v <= p.hi + 1e-9; v += step) {
        double y = floor(p.Row(v)) + 0.5;  // crisp one-pixel rules
        Curve(cr, {p.x, y, p.x + p.w, y}, kGrid);
        char label[32];
        snprintf(label, sizeof label, "%+.0f", v);
        Text(cr, p.x - 8, y + 4, label, kInk, 12, 1);
    }
    for (const auto& m : marks) {
        double x = floor(p.x + m.first * p.w) + 0.5;
        Curve(cr, {x, p.y, x, p.y + p.h}, kGrid);
        Text(cr, x, p.y + p.h + 17, m.second, kInk, 12, 0.5);
    }
    Text(cr, p.x + p.w, p.y + p.h + 34, across, kInk, 12, 1);
    Curve(cr, {p.x + 0.5, p.y, p.x + 0.5, p.y + p.h + 0.5, p.x + p.w, p.y + p.h + 0.5}, kInk);
    for (int i = 0; i < 2; ++i) {
        double x = p.x + p.w - 200 + 100 * i;
        Curve(cr, {x, p.y - 15, x + 18, p.y - 15}, i ? cb : ca, 3);
        Text(cr, x + 24, p.y - 10, i ? b : a, i ? cb : ca, 13);
    }
}

std::vector<std::pair<double, std::string>> FrequencyMarks() {
    std::vector<std::pair<double, std::string>> marks;
    for (const char* m : {"20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"}) {
        double hz = atof(m) * (strchr(m, 'k') ? 1000 : 1);
        marks.emplace_back(log(hz / 20.0) / log(1000.0), m);
    }
    return marks;
}

// Per pixel column from 20 Hz to 20 kHz, the mean of the bins a twelfth of an
// octave either side (or the nearest bin where that holds none), so the
// curves stay readable.
std::vector<double> Columns(const std::vector<double>& bins, double binHz) {
    std::vector<double> out(static_cast<size_t>(kPlotWidth));
    for (size_t x = 0; x < out.size(); ++x) {
        double centre = 20.0 * pow(1000.0, (x + 0.5) / kPlotWidth);
        double f0 = fmin(20.0 * pow(1000.0, x / kPlotWidth), centre * 0.9439);
        double f1 = fmax(20.0 * pow(1000.0, (x + 1) / kPlotWidth), centre * 1.0595);
        size_t k0 = static_cast<size_t>(ceil(f0 / binHz)), k1 = static_cast<size_t>(f1 / binHz), n = 0;
        double sum = 0;
        for (size_t k = k0; k <= k1 && k < bins.size(); ++k, ++n) sum += bins[k];
        if (!n) {
            size_t k = static_cast<size_t>(lround(centre / binHz));
            sum = k < bins.size() ? bins[k] : 0.0;
            n = 1;
        }
        out[x] = sum / n;
    }
    return out;
}

// Values per pixel column as points of the panel.
std::vector<double> Points(const Panel& p, const std::vector<double>& values) {
    std::vector<double> xy;
    for (size_t x = 0; x < values.size(); ++x) {
        xy.push_back(p.x + x + 0.5);
        xy.push_back(p.Row(values[x]));
    }
    return xy;
}

StereoSpectrum SpectrumOf(const Audio& a) {
    std::vector<float> l(a.Frames()), r(a.Frames());
    for (size_t n = 0; n < l.size(); ++n) r[n] = a.Sample(n, a.format.channels > 1), l[n] = a.Sample(n, 0);
    return Analyse(l, r, a.format.sampleRate, 16384);
}

void Spectra(cairo_t* cr, const StereoSpectrum& sb, const StereoSpectrum& sa) {
    auto Db = [](double power) { return 10.0 * log10(power > 1e-20 ? power : 1e-20); };
    std::vector<double> pb = Columns(sb.power, sb.binHz), pa = Columns(sa.power, sa.binHz);
    double top = -200;
    for (size_t i = 0; i < pb.size(); ++i) {
        pb[i] = Db(pb[i]);
        pa[i] = Db(pa[i]);
        top = fmax(top, fmax(pb[i], pa[i]));
    }
    top = ceil(top / 10.0) * 10.0;
    // In dB below a full-scale sine.
    Panel spectrum{160, 230, top - 80.0, top};
    Frame(cr, spectrum, "Spectrum (left and right)", "dB", 10, FrequencyMarks(), "Hz", "before", kBefore, "after",
          kAfter);
    Curve(cr, Points(spectrum, pb), kBefore, 1.8);
    Curve(cr, Points(spectrum, pa), kAfter, 1.8);

    // Side against mid per frequency; 0 dB is as wide as it is loud.
    Panel wide{460, 190, -40.0, 10.0};
    Frame(cr, wide, "Stereo width: side against mid", "dB", 10, FrequencyMarks(), "Hz", "before", kBefore, "after",
          kAfter);
    for (const StereoSpectrum* s : {&sb, &sa}) {
        std::vector<double> side = Columns(s->side, s->binHz), mid = Columns(s->mid, s->binHz);
        for (size_t x = 0; x < side.size(); ++x) side[x] = Db(side[x]) - Db(mid[x]);
        Curve(cr, Points(wide, side), s == &sb ? kBefore : kAfter, 1.8);
    }
}

// A click on the left channel through a fresh chain at the same settings (and
// the file's rate, which the render took), in float: the tail below 16 bits.
void Impulse(cairo_t* cr, const fx::FxParams& params, uint32_t sampleRate) {
    const double seconds = 0.8;
    const uint32_t frames = static_cast<uint32_t>(seconds * sampleRate);
    std::vector<float> click(2 * static_cast<size_t>(frames), 0.0f), response(click.size());
    click[0] = 0.5f;
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);
    chain->Open(fx::FxFormat{fx::kFormatFloat, 2, sampleRate, 32, 8});
    chain->Process(params, click.data(), response.data(), frames * 8);

    Panel impulse{730, 200, -120.0, 0.0};
    std::vector<std::pair<double, std::string>> marks;
    for (int i = 0; i <= 8; ++i) marks.emplace_back(i / 8.0, std::to_string(static_cast<int>(seconds * 125 * i)));
    Frame(cr, impulse, "Impulse response: a click on the left", "dBFS", 12, marks, "ms", "left", kAfter, "right",
          kRight);
    // Peak per column; a column without sound lies on the floor.
    for (int ch = 1; ch >= 0; --ch) {
        std::vector<double> peaks(static_cast<size_t>(impulse.w));
        for (size_t x = 0; x < peaks.size(); ++x) {
            double peak = 0.0;
            for (size_t n = frames * x / peaks.size(); n < frames * (x + 1) / peaks.size(); ++n)
                peak = fmax(peak, fabs(response[2 * n + ch]));
            peaks[x] = peak > 0.0 ? 20.0 * log10(peak) : impulse.lo;
        }
        Curve(cr, Points(impulse, peaks), ch ? kRight : kAfter, 1.2);
    }
}

}  // namespace

StereoSpectrum Analyse(const std::vector<float>& left, const std::vector<float>& right, double sampleRate,
                       size_t size) {
    StereoSpectrum s;
    s.binHz = sampleRate / size;
    const size_t bins = size / 2 + 1;
    s.power.assign(bins, 0.0);
    s.mid.assign(bins, 0.0);
    s.side.assign(bins, 0.0);
    std::vector<double> window(size), in(size);
    double windowSum = 0.0;
    for (size_t i = 0; i < size; ++i) windowSum += window[i] = 0.5 - 0.5 * cos(2.0 * M_PI * i / size);
    // A full-scale sine reads 1.0 in its bin.
    const double norm = 4.0 / (windowSum * windowSum);
    std::vector<std::complex<double>> fl(bins), fr(bins);
    using Plan = Owned<fftw_plan_s, fftw_destroy_plan>;
    const int n = static_cast<int>(size);
    Plan planL(fftw_plan_dft_r2c_1d(n, in.data(), reinterpret_cast<fftw_complex*>(fl.data()), FFTW_ESTIMATE));
    Plan planR(fftw_plan_dft_r2c_1d(n, in.data(), reinterpret_cast<fftw_complex*>(fr.data()), FFTW_ESTIMATE));
    size_t frames = 0;
    for (size_t at = 0; at + size <= left.size(); at += size / 2, ++frames) {
        for (size_t i = 0; i < size; ++i) in[i] = left[at + i] * window[i];
        fftw_execute(planL.Get());
        for (size_t i = 0; i < size; ++i) in[i] = right[at + i] * window[i];
        fftw_execute(planR.Get());
        for (size_t k = 0; k < bins; ++k) {
            s.power[k] += 0.5 * (std::norm(fl[k]) + std::norm(fr[k])) * norm;
            s.mid[k] += std::norm(0.5 * (fl[k] + fr[k])) * norm;
            s.side[k] += std::norm(0.5 * (fl[k] - fr[k])) * norm;
        }
    }
    for (size_t k = 0; k < bins && frames; ++k) {
        s.power[k] /= frames;
        s.mid[k] /= frames;
        s.side[k] /= frames;
    }
    return s;
}

bool PlotFormat(const std::string& path, bool* svg, std::string* error) {
    *svg = HasExtension(path, ".svg");
    if (*svg || HasExtension(path, ".png")) return true;
    *error = path + ": plots are .png or .svg";
    return false;
}

bool WriteReport(const std::string& path, const Audio& before, const Comparison& compared, const fx::FxParams& params,
                 const std::string& title, std::string* error) {
    bool svg = false;
    if (!PlotFormat(path, &svg, error)) return false;
    const std::string part = path + ".partial";
    Surface surface(svg ? cairo_svg_surface_create(part.c_str(), kWidth, kHeight)
                        : cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight));
    Context context(cairo_create(surface.Get()));
    cairo_t* cr = context.Get();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);

    // The settings in words as the title, then the fair comparison.
    const Loudness &lb = compared.before, &la = compared.afterLoudness;
    char change[128] = "", match[64] = "";
    if (compared.matchDb != 0.0)
        snprintf(match, sizeof match, ", matched to before with %+.1f dB of master gain", compared.matchDb);
    if (isfinite(lb.lufs) && isfinite(la.lufs))
        snprintf(change, sizeof change, "  (%+.1f LU%s)", la.lufs - lb.lufs, match);
    Text(cr, 40, 36, title, kInk, 15, 0, true);
    Text(cr, 40, 70, "before: " + DescribeLoudness(lb), kBefore, 16, 0, true);
    Text(cr, 40, 96, "after: " + DescribeLoudness(la) + change, kAfter, 16, 0, true);
    Spectra(cr, SpectrumOf(before), SpectrumOf(compared.after));
    Impulse(cr, params, before.format.sampleRate);

    context.Reset();
    bool ok = svg || cairo_surface_write_to_png(surface.Get(), part.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_finish(surface.Get());  // an SVG is written out here
    ok = ok && cairo_surface_status(surface.Get()) == CAIRO_STATUS_SUCCESS;
    surface.Reset();
    // Let go of the fonts cairo and fontconfig keep for the next drawing: a
    // command draws one plot.
    cairo_debug_reset_static_data();
    FcFini();
    if (ok && rename(part.c_str(), path.c_str()) == 0) return true;
    remove(part.c_str());
    *error = "cannot write " + path;
    return false;
}

}  // namespace korvfx
