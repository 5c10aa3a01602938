// Long-term spectra of a stereo signal: Hann-windowed FFT frames (FFTW), half
// overlapping, power averaged over the whole signal, for left+right (what is
// heard) and for mid and side (how wide it is).
#pragma once

#include <stddef.h>

#include <vector>

namespace korvfx {

struct StereoSpectrum {
    double binHz = 0.0;
    std::vector<double> power;  // (L² + R²) / 2 per bin, full-scale sine = 1
    std::vector<double> mid;    // ((L+R)/2)²
    std::vector<double> side;   // ((L-R)/2)²
};

// left and right as -1..1; a mono signal passes the same vector twice.
StereoSpectrum Analyse(const std::vector<float>& left, const std::vector<float>& right, double sampleRate,
                       size_t size = 4096);

}  // namespace korvfx
