#include "korvfx/Spectrum.h"

#include <fftw3.h>
#include <math.h>

#include "korvfx/Owned.h"

namespace korvfx {
namespace {

const double kPi = 3.14159265358979323846;

void FreeBuffer(double* p) {
    fftw_free(p);
}
void FreeSpectrum(fftw_complex* p) {
    fftw_free(p);
}
using Buffer = Owned<double, FreeBuffer>;
using Bins = Owned<fftw_complex, FreeSpectrum>;
using Plan = Owned<fftw_plan_s, fftw_destroy_plan>;

double Norm(const fftw_complex& c) {
    return c[0] * c[0] + c[1] * c[1];
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
    std::vector<double> window(size);
    double windowSum = 0.0;
    for (size_t i = 0; i < size; ++i) {
        window[i] = 0.5 - 0.5 * cos(2.0 * kPi * i / size);
        windowSum += window[i];
    }
    // A full-scale sine reads 1.0 in its bin.
    const double norm = 4.0 / (windowSum * windowSum);
    Buffer in(fftw_alloc_real(size));
    Bins fl(fftw_alloc_complex(bins)), fr(fftw_alloc_complex(bins));
    const int n = static_cast<int>(size);
    Plan planL(fftw_plan_dft_r2c_1d(n, in.Get(), fl.Get(), FFTW_ESTIMATE));
    Plan planR(fftw_plan_dft_r2c_1d(n, in.Get(), fr.Get(), FFTW_ESTIMATE));
    size_t frames = 0;
    for (size_t at = 0; at + size <= left.size(); at += size / 2) {
        for (size_t i = 0; i < size; ++i) in.Get()[i] = left[at + i] * window[i];
        fftw_execute(planL.Get());
        for (size_t i = 0; i < size; ++i) in.Get()[i] = right[at + i] * window[i];
        fftw_execute(planR.Get());
        for (size_t k = 0; k < bins; ++k) {
            const fftw_complex& l = fl.Get()[k];
            const fftw_complex& r = fr.Get()[k];
            const fftw_complex m = {0.5 * (l[0] + r[0]), 0.5 * (l[1] + r[1])};
            const fftw_complex d = {0.5 * (l[0] - r[0]), 0.5 * (l[1] - r[1])};
            s.power[k] += 0.5 * (Norm(l) + Norm(r)) * norm;
            s.mid[k] += Norm(m) * norm;
            s.side[k] += Norm(d) * norm;
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
