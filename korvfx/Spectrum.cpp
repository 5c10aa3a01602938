#include "korvfx/Spectrum.h"

#include <math.h>

namespace korvfx {
namespace {

const double kPi = 3.14159265358979323846;

}  // namespace

void Fft(std::vector<std::complex<double>>* x) {
    std::vector<std::complex<double>>& a = *x;
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        std::complex<double> w(cos(-2.0 * kPi / len), sin(-2.0 * kPi / len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> wk(1.0, 0.0);
            for (size_t k = 0; k < len / 2; ++k) {
                std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                wk *= w;
            }
        }
    }
}

StereoSpectrum Analyse(const std::vector<float>& left, const std::vector<float>& right, double sampleRate,
                       size_t size) {
    StereoSpectrum s;
    s.binHz = sampleRate / size;
    const size_t bins = size / 2 + 1;
    s.power.assign(bins, 0.0);
    s.mid.assign(bins, 0.0);
    s.side.assign(bins, 0.0);
    std::vector<double> window(size);
    double windowSum = 0.0;
    for (size_t i = 0; i < size; ++i) {
        window[i] = 0.5 - 0.5 * cos(2.0 * kPi * i / size);
        windowSum += window[i];
    }
    // A full-scale sine reads 1.0 in its bin.
    const double norm = 4.0 / (windowSum * windowSum);
    size_t frames = 0;
    std::vector<std::complex<double>> fl(size), fr(size);
    for (size_t at = 0; at + size <= left.size(); at += size / 2) {
        for (size_t i = 0; i < size; ++i) {
            fl[i] = left[at + i] * window[i];
            fr[i] = right[at + i] * window[i];
        }
        Fft(&fl);
        Fft(&fr);
        for (size_t k = 0; k < bins; ++k) {
            s.power[k] += 0.5 * (std::norm(fl[k]) + std::norm(fr[k])) * norm;
            s.mid[k] += std::norm(0.5 * (fl[k] + fr[k])) * norm;
            s.side[k] += std::norm(0.5 * (fl[k] - fr[k])) * norm;
        }
        ++frames;
    }
    if (frames) {
        for (size_t k = 0; k < bins; ++k) {
            s.power[k] /= frames;
            s.mid[k] /= frames;
            s.side[k] /= frames;
        }
    }
    return s;
}

}  // namespace korvfx
