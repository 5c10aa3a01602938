// One picture of what the effects did to a piece of sound: the loudness and
// true peak before and after, the spectrum before and after, the stereo width
// (side against mid) before and after, and the impulse response of the chain
// at the same settings. Drawn with cairo, PNG or SVG by the path's extension.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "fx/FxParams.h"
#include "korvfx/AudioFile.h"
#include "korvfx/Render.h"

namespace korvfx {

// Long-term spectra of a stereo signal: Hann-windowed FFT frames (FFTW), half
// overlapping, power averaged over the whole signal, for left+right (what is
// heard) and for mid and side (how wide it is).
struct StereoSpectrum {
    double binHz = 0.0;
    std::vector<double> power;  // (L² + R²) / 2 per bin, full-scale sine = 1
    std::vector<double> mid;    // ((L+R)/2)²
    std::vector<double> side;   // ((L-R)/2)²
};

// left and right as -1..1; a mono signal passes the same vector twice.
StereoSpectrum Analyse(const std::vector<float>& left, const std::vector<float>& right, double sampleRate,
                       size_t size = 4096);

// False with a reason unless path ends in .png or .svg.
bool PlotFormat(const std::string& path, bool* svg, std::string* error);

// False for another extension or when the file cannot be written; nothing
// is left behind then.
bool WriteReport(const std::string& path, const Audio& before, const Comparison& compared, const fx::FxParams& params,
                 const std::string& title, std::string* error);

}  // namespace korvfx
