#include "korvfx/PlotReport.h"

#include <math.h>
#include <stdio.h>

#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "fx/FxChain.h"
#include "korvfx/Spectrum.h"

namespace korvfx {
namespace {

const Rgb kInk = {40, 40, 40};
const Rgb kGrid = {222, 222, 222};
const Rgb kBefore = {150, 150, 150};
const Rgb kAfter = {225, 105, 15};
const Rgb kRight = {35, 105, 215};

struct Panel {
    int x, y, w, h;
    double lo, hi;  // vertical range
};

void Channels(const WavFile& w, std::vector<float>* l, std::vector<float>* r) {
    uint32_t frames = w.Frames();
    l->resize(frames);
    r->resize(frames);
    for (uint32_t n = 0; n < frames; ++n) {
        (*l)[n] = w.Sample(n, 0);
        (*r)[n] = w.format.channels > 1 ? w.Sample(n, 1) : (*l)[n];
    }
}

double Db(double power) {
    return 10.0 * log10(power > 1e-20 ? power : 1e-20);
}

int Row(const Panel& p, double v) {
    double t = (v - p.lo) / (p.hi - p.lo);
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return p.y + p.h - static_cast<int>(lround(t * p.h));
}

double FreqAt(const Panel& p, double x) {
    return 20.0 * pow(1000.0, x / p.w);
}

void Frame(Canvas* c, const Panel& p, const std::string& title, const std::string& unit, double step) {
    c->Text(p.x, p.y - 16, title, kInk);
    for (double v = ceil(p.lo / step) * step; v <= p.hi + 1e-9; v += step) {
        int y = Row(p, v);
        c->Fill(p.x, y, p.w, 1, kGrid);
        char label[32];
        snprintf(label, sizeof label, "%+.0f", v);
        c->Text(p.x - Canvas::TextWidth(label) - 6, y - 3, label, kInk);
    }
    c->Text(p.x - Canvas::TextWidth(unit) - 6, p.y - 16, unit, kInk);
    c->Fill(p.x, p.y, 1, p.h + 1, kInk);
    c->Fill(p.x, p.y + p.h, p.w, 1, kInk);
}

void FrequencyAxis(Canvas* c, const Panel& p) {
    const double marks[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
    const char* names[] = {"20", "50", "100", "200", "500", "1K", "2K", "5K", "10K", "20K"};
    for (int i = 0; i < 10; ++i) {
        int x = p.x + static_cast<int>(lround(log(marks[i] / 20.0) / log(1000.0) * p.w));
        c->Fill(x, p.y, 1, p.h, kGrid);
        c->Text(x - Canvas::TextWidth(names[i]) / 2, p.y + p.h + 6, names[i], kInk);
    }
    c->Text(p.x + p.w - Canvas::TextWidth("HZ"), p.y + p.h + 18, "HZ", kInk);
}

// Per pixel column, the mean of the bins in its frequency range (or the
// nearest bin where the columns are narrower than one bin).
std::vector<double> Columns(const Panel& p, const std::vector<double>& bins, double binHz) {
    std::vector<double> out(p.w);
    for (int x = 0; x < p.w; ++x) {
        double f0 = FreqAt(p, x), f1 = FreqAt(p, x + 1);
        // A twelfth of an octave either side, so the curves stay readable.
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

void Curve(Canvas* c, const Panel& p, const std::vector<double>& values, Rgb colour) {
    for (int x = 1; x < p.w; ++x) c->Line(p.x + x - 1, Row(p, values[x - 1]), p.x + x, Row(p, values[x]), colour, 2);
}

void Legend(Canvas* c, const Panel& p, const char* a, Rgb ca, const char* b, Rgb cb) {
    int x = p.x + p.w - Canvas::TextWidth(a) - Canvas::TextWidth(b) - 60;
    c->Fill(x, p.y - 13, 14, 3, ca);
    c->Text(x + 18, p.y - 16, a, ca);
    x += 18 + Canvas::TextWidth(a) + 14;
    c->Fill(x, p.y - 13, 14, 3, cb);
    c->Text(x + 18, p.y - 16, b, cb);
}

}  // namespace

bool DrawReport(const WavFile& before, const WavFile& after, const fx::FxParams& params, const std::string& title,
                Canvas* canvas, std::string* error) {
    for (const WavFile* w : {&before, &after}) {
        if (w->format.formatTag != fx::kFormatPcm || (w->format.bitsPerSample != 8 && w->format.bitsPerSample != 16)) {
            *error = "plots need 8- or 16-bit PCM";
            return false;
        }
    }
    const double rate = before.format.sampleRate;
    std::vector<float> bl, br, al, ar;
    Channels(before, &bl, &br);
    Channels(after, &al, &ar);
    StereoSpectrum sb = Analyse(bl, br, rate, 16384), sa = Analyse(al, ar, rate, 16384);

    Canvas& c = *canvas;
    c.Text(70, 12, title, kInk, 2);
    const int left = 90, width = c.Width() - 130;

    // The spectrum, in dB below a full-scale sine.
    std::vector<double> pb = Columns({left, 0, width, 0, 0, 0}, sb.power, sb.binHz);
    std::vector<double> pa = Columns({left, 0, width, 0, 0, 0}, sa.power, sa.binHz);
    double top = -200;
    for (size_t i = 0; i < pb.size(); ++i) top = fmax(top, fmax(Db(pb[i]), Db(pa[i])));
    top = ceil(top / 10.0) * 10.0;
    Panel spectrum{left, 70, width, 240, top - 80.0, top};
    Frame(&c, spectrum, "SPECTRUM (LEFT AND RIGHT)", "DB", 10);
    FrequencyAxis(&c, spectrum);
    for (double& v : pb) v = Db(v);
    for (double& v : pa) v = Db(v);
    Curve(&c, spectrum, pb, kBefore);
    Curve(&c, spectrum, pa, kAfter);
    Legend(&c, spectrum, "BEFORE", kBefore, "AFTER", kAfter);

    // Width: side against mid per frequency; 0 dB is as wide as it is loud.
    Panel wide{left, 370, width, 200, -40.0, 10.0};
    Frame(&c, wide, "STEREO WIDTH: SIDE AGAINST MID", "DB", 10);
    FrequencyAxis(&c, wide);
    std::vector<double> wb = Columns(wide, sb.side, sb.binHz), mb = Columns(wide, sb.mid, sb.binHz);
    std::vector<double> wa = Columns(wide, sa.side, sa.binHz), ma = Columns(wide, sa.mid, sa.binHz);
    for (int x = 0; x < wide.w; ++x) {
        wb[x] = Db(wb[x]) - Db(mb[x]);
        wa[x] = Db(wa[x]) - Db(ma[x]);
    }
    Curve(&c, wide, wb, kBefore);
    Curve(&c, wide, wa, kAfter);
    Legend(&c, wide, "BEFORE", kBefore, "AFTER", kAfter);

    // Impulse response: a click on the left channel through a fresh chain.
    const double seconds = 0.8;
    const uint32_t rateI = fx::FxFormat_Supported(fx::FxFormat{1, 2, static_cast<uint32_t>(rate), 16, 4})
                               ? static_cast<uint32_t>(rate)
                               : 44100u;
    const uint32_t frames = static_cast<uint32_t>(seconds * rateI);
    std::vector<int16_t> click(2 * static_cast<size_t>(frames), 0), response(click.size());
    click[0] = 16384;
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);
    chain->Open(fx::FxFormat{1, 2, rateI, 16, 4});
    chain->Process(params, click.data(), response.data(), frames * 4);

    Panel impulse{left, 650, width, 200, -96.0, 0.0};
    Frame(&c, impulse, "IMPULSE RESPONSE: CLICK ON THE LEFT", "DBFS", 12);
    for (int i = 0; i <= 8; ++i) {
        int x = impulse.x + impulse.w * i / 8;
        char label[16];
        snprintf(label, sizeof label, "%d", static_cast<int>(lround(seconds * 1000 * i / 8)));
        c.Fill(x, impulse.y, 1, impulse.h, kGrid);
        c.Text(x - Canvas::TextWidth(label) / 2, impulse.y + impulse.h + 6, label, kInk);
    }
    c.Text(impulse.x + impulse.w - Canvas::TextWidth("MS"), impulse.y + impulse.h + 18, "MS", kInk);
    // Peak per column as a line; a column without sound lies on the floor.
    for (int ch = 1; ch >= 0; --ch) {
        const Rgb colour = ch ? kRight : kAfter;
        int lastY = -1;
        for (int x = 0; x < impulse.w; ++x) {
            uint32_t n0 = static_cast<uint32_t>(static_cast<uint64_t>(frames) * x / impulse.w);
            uint32_t n1 = static_cast<uint32_t>(static_cast<uint64_t>(frames) * (x + 1) / impulse.w);
            int peak = 0;
            for (uint32_t n = n0; n < n1; ++n) peak = std::max(peak, std::abs(static_cast<int>(response[2 * n + ch])));
            int y = peak ? Row(impulse, 20.0 * log10(peak / 32768.0)) : impulse.y + impulse.h;
            if (lastY >= 0) c.Line(impulse.x + x - 1, lastY, impulse.x + x, y, colour);
            lastY = y;
        }
    }
    Legend(&c, impulse, "LEFT", kAfter, "RIGHT", kRight);
    return true;
}

}  // namespace korvfx
