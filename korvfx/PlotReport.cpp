#include "korvfx/PlotReport.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "fx/FxChain.h"
#include "korvfx/Owned.h"
#include "korvfx/Spectrum.h"

namespace korvfx {
namespace {

struct Rgb {
    double r, g, b;
};
const Rgb kInk = {0.16, 0.16, 0.16};
const Rgb kGrid = {0.87, 0.87, 0.87};
const Rgb kBefore = {0.55, 0.55, 0.55};
const Rgb kAfter = {0.88, 0.41, 0.06};
const Rgb kRight = {0.14, 0.41, 0.84};
const int kWidth = 1200, kHeight = 1000;

using Surface = Owned<cairo_surface_t, cairo_surface_destroy>;
using Context = Owned<cairo_t, cairo_destroy>;

struct Panel {
    double x, y, w, h;
    double lo, hi;  // vertical range
};

void Channels(const Audio& a, std::vector<float>* l, std::vector<float>* r) {
    const size_t frames = a.Frames();
    l->resize(frames);
    r->resize(frames);
    for (size_t n = 0; n < frames; ++n) {
        (*l)[n] = a.Sample(n, 0);
        (*r)[n] = a.format.channels > 1 ? a.Sample(n, 1) : (*l)[n];
    }
}

double Db(double power) {
    return 10.0 * log10(power > 1e-20 ? power : 1e-20);
}

double Row(const Panel& p, double v) {
    double t = (v - p.lo) / (p.hi - p.lo);
    return p.y + p.h - std::min(1.0, std::max(0.0, t)) * p.h;
}

double FreqAt(const Panel& p, double x) {
    return 20.0 * pow(1000.0, x / p.w);
}

void Colour(cairo_t* cr, Rgb c) {
    cairo_set_source_rgb(cr, c.r, c.g, c.b);
}

// align: 0 left, 0.5 centred, 1 right of x; y is the baseline.
void Text(cairo_t* cr, double x, double y, const std::string& text, Rgb c, double size = 13, double align = 0,
          bool bold = false) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    Colour(cr, c);
    cairo_move_to(cr, x - align * e.x_advance, y);
    cairo_show_text(cr, text.c_str());
    cairo_new_path(cr);  // no line from the end of the text
}

void Rule(cairo_t* cr, double x0, double y0, double x1, double y1, Rgb c, double width = 1) {
    Colour(cr, c);
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

void Frame(cairo_t* cr, const Panel& p, const std::string& title, const std::string& unit, double step) {
    Text(cr, p.x, p.y - 10, title, kInk, 15, 0, true);
    for (double v = ceil(p.lo / step) * step; v <= p.hi + 1e-9; v += step) {
        double y = floor(Row(p, v)) + 0.5;  // crisp one-pixel rules
        Rule(cr, p.x, y, p.x + p.w, y, kGrid);
        char label[32];
        snprintf(label, sizeof label, "%+.0f", v);
        Text(cr, p.x - 8, y + 4, label, kInk, 12, 1);
    }
    Text(cr, p.x - 8, p.y - 10, unit, kInk, 12, 1);
    Rule(cr, p.x + 0.5, p.y, p.x + 0.5, p.y + p.h, kInk);
    Rule(cr, p.x, p.y + p.h + 0.5, p.x + p.w, p.y + p.h + 0.5, kInk);
}

void FrequencyAxis(cairo_t* cr, const Panel& p) {
    const double marks[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
    const char* names[] = {"20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"};
    for (int i = 0; i < 10; ++i) {
        double x = floor(p.x + log(marks[i] / 20.0) / log(1000.0) * p.w) + 0.5;
        Rule(cr, x, p.y, x, p.y + p.h, kGrid);
        Text(cr, x, p.y + p.h + 17, names[i], kInk, 12, 0.5);
    }
    Text(cr, p.x + p.w, p.y + p.h + 34, "Hz", kInk, 12, 1);
}

// Per pixel column, the mean of the bins a twelfth of an octave either side
// (or the nearest bin where that holds none), so the curves stay readable.
std::vector<double> Columns(const Panel& p, const std::vector<double>& bins, double binHz) {
    std::vector<double> out(static_cast<size_t>(p.w));
    for (size_t x = 0; x < out.size(); ++x) {
        double f0 = FreqAt(p, x), f1 = FreqAt(p, x + 1);
        double centre = sqrt(f0 * f1);
        f0 = fmin(f0, centre * 0.9439);
        f1 = fmax(f1, centre * 1.0595);
        size_t k0 = static_cast<size_t>(ceil(f0 / binHz)), k1 = static_cast<size_t>(f1 / binHz);
        double sum = 0;
        size_t n = 0;
        for (size_t k = k0; k <= k1 && k < bins.size(); ++k, ++n) sum += bins[k];
        if (!n) {
            size_t k = static_cast<size_t>(lround(0.5 * (f0 + f1) / binHz));
            sum = k < bins.size() ? bins[k] : 0.0;
            n = 1;
        }
        out[x] = sum / n;
    }
    return out;
}

void Curve(cairo_t* cr, const Panel& p, const std::vector<double>& values, Rgb colour, double width = 1.8) {
    for (size_t x = 0; x < values.size(); ++x) cairo_line_to(cr, p.x + x + 0.5, Row(p, values[x]));
    Colour(cr, colour);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void Legend(cairo_t* cr, const Panel& p, const char* a, Rgb ca, const char* b, Rgb cb) {
    double x = p.x + p.w - 200;
    for (int i = 0; i < 2; ++i, x += 100) {
        Rule(cr, x, p.y - 15, x + 18, p.y - 15, i ? cb : ca, 3);
        Text(cr, x + 24, p.y - 10, i ? b : a, i ? cb : ca, 13);
    }
}

void Spectra(cairo_t* cr, const StereoSpectrum& sb, const StereoSpectrum& sa, double left, double width) {
    std::vector<double> pb = Columns({left, 0, width, 0, 0, 0}, sb.power, sb.binHz);
    std::vector<double> pa = Columns({left, 0, width, 0, 0, 0}, sa.power, sa.binHz);
    double top = -200;
    for (size_t i = 0; i < pb.size(); ++i) top = fmax(top, fmax(Db(pb[i]), Db(pa[i])));
    top = ceil(top / 10.0) * 10.0;
    // In dB below a full-scale sine.
    Panel spectrum{left, 160, width, 230, top - 80.0, top};
    Frame(cr, spectrum, "Spectrum (left and right)", "dB", 10);
    FrequencyAxis(cr, spectrum);
    for (double& v : pb) v = Db(v);
    for (double& v : pa) v = Db(v);
    Curve(cr, spectrum, pb, kBefore);
    Curve(cr, spectrum, pa, kAfter);
    Legend(cr, spectrum, "before", kBefore, "after", kAfter);

    // Side against mid per frequency; 0 dB is as wide as it is loud.
    Panel wide{left, 460, width, 190, -40.0, 10.0};
    Frame(cr, wide, "Stereo width: side against mid", "dB", 10);
    FrequencyAxis(cr, wide);
    std::vector<double> wb = Columns(wide, sb.side, sb.binHz), mb = Columns(wide, sb.mid, sb.binHz);
    std::vector<double> wa = Columns(wide, sa.side, sa.binHz), ma = Columns(wide, sa.mid, sa.binHz);
    for (size_t x = 0; x < wb.size(); ++x) {
        wb[x] = Db(wb[x]) - Db(mb[x]);
        wa[x] = Db(wa[x]) - Db(ma[x]);
    }
    Curve(cr, wide, wb, kBefore);
    Curve(cr, wide, wa, kAfter);
    Legend(cr, wide, "before", kBefore, "after", kAfter);
}

// A click on the left channel through a fresh chain at the same settings.
void Impulse(cairo_t* cr, const fx::FxParams& params, uint32_t sampleRate, double left, double width) {
    const double seconds = 0.8;
    const fx::FxFormat own{fx::kFormatPcm, 2, sampleRate, 16, 4};
    const uint32_t rate = fx::FxFormat_Supported(own) ? sampleRate : 44100u;
    const uint32_t frames = static_cast<uint32_t>(seconds * rate);
    std::vector<int16_t> click(2 * static_cast<size_t>(frames), 0), response(click.size());
    click[0] = 16384;
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);
    chain->Open(fx::FxFormat{fx::kFormatPcm, 2, rate, 16, 4});
    chain->Process(params, click.data(), response.data(), frames * 4);

    Panel impulse{left, 730, width, 200, -96.0, 0.0};
    Frame(cr, impulse, "Impulse response: a click on the left", "dBFS", 12);
    for (int i = 0; i <= 8; ++i) {
        double x = floor(impulse.x + impulse.w * i / 8) + 0.5;
        Rule(cr, x, impulse.y, x, impulse.y + impulse.h, kGrid);
        Text(cr, x, impulse.y + impulse.h + 17, std::to_string(static_cast<int>(lround(seconds * 1000 * i / 8))), kInk,
             12, 0.5);
    }
    Text(cr, impulse.x + impulse.w, impulse.y + impulse.h + 34, "ms", kInk, 12, 1);
    // Peak per column; a column without sound lies on the floor.
    for (int ch = 1; ch >= 0; --ch) {
        std::vector<double> peaks(static_cast<size_t>(impulse.w));
        for (size_t x = 0; x < peaks.size(); ++x) {
            uint32_t n0 = static_cast<uint32_t>(static_cast<uint64_t>(frames) * x / peaks.size());
            uint32_t n1 = static_cast<uint32_t>(static_cast<uint64_t>(frames) * (x + 1) / peaks.size());
            int peak = 0;
            for (uint32_t n = n0; n < n1; ++n) peak = std::max(peak, std::abs(static_cast<int>(response[2 * n + ch])));
            peaks[x] = peak ? 20.0 * log10(peak / 32768.0) : impulse.lo;
        }
        Curve(cr, impulse, peaks, ch ? kRight : kAfter, 1.2);
    }
    Legend(cr, impulse, "left", kAfter, "right", kRight);
}

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = strlen(tail);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

}  // namespace

bool WriteReport(const std::string& path, const Audio& before, const Comparison& compared, const fx::FxParams& params,
                 const std::string& title, std::string* error) {
    const bool svg = EndsWith(path, ".svg");
    if (!svg && !EndsWith(path, ".png")) {
        *error = path + ": plots are .png or .svg";
        return false;
    }
    const std::string part = path + ".partial";
    Surface surface(svg ? cairo_svg_surface_create(part.c_str(), kWidth, kHeight)
                        : cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight));
    Context context(cairo_create(surface.Get()));
    cairo_t* cr = context.Get();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);

    const double left = 90, width = kWidth - 130;
    // The settings in words as the title, then the fair comparison.
    Text(cr, 40, 36, title, kInk, 15, 0, true);
    const Loudness& lb = compared.before;
    const Loudness& la = compared.afterLoudness;
    Text(cr, 40, 70, "before: " + DescribeLoudness(lb), kBefore, 16, 0, true);
    char change[96] = "";
    if (isfinite(lb.lufs) && isfinite(la.lufs))
        snprintf(change, sizeof change, "  (%+.1f LU%s)", la.lufs - lb.lufs,
                 compared.matchDb != 0.0 ? ", matched to before" : "");
    Text(cr, 40, 96, "after: " + DescribeLoudness(la) + change, kAfter, 16, 0, true);

    std::vector<float> bl, br, al, ar;
    Channels(before, &bl, &br);
    Channels(compared.after, &al, &ar);
    const double rate = before.format.sampleRate;
    Spectra(cr, Analyse(bl, br, rate, 16384), Analyse(al, ar, rate, 16384), left, width);
    Impulse(cr, params, before.format.sampleRate, left, width);

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
