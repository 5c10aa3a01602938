#include "fx/Biquad.h"

#include <math.h>

namespace fx {
namespace {

const double kPi = 3.14159265358979323846;

// Keeps a corner below the Nyquist frequency at low sample rates.
double Corner(double sampleRate, double freq) {
    double limit = 0.45 * sampleRate;
    return freq < limit ? freq : limit;
}

}  // namespace

void Biquad::Set(double b0, double b1, double b2, double a0, double a1, double a2) {
    m_b0 = static_cast<float>(b0 / a0);
    m_b1 = static_cast<float>(b1 / a0);
    m_b2 = static_cast<float>(b2 / a0);
    m_a1 = static_cast<float>(a1 / a0);
    m_a2 = static_cast<float>(a2 / a0);
    Clear();
}

void Biquad::LowPass(double sampleRate, double freq, double q) {
    double w = 2.0 * kPi * Corner(sampleRate, freq) / sampleRate;
    double c = cos(w), alpha = sin(w) / (2.0 * q);
    Set((1.0 - c) / 2.0, 1.0 - c, (1.0 - c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

void Biquad::HighPass(double sampleRate, double freq, double q) {
    double w = 2.0 * kPi * Corner(sampleRate, freq) / sampleRate;
    double c = cos(w), alpha = sin(w) / (2.0 * q);
    Set((1.0 + c) / 2.0, -(1.0 + c), (1.0 + c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

void Biquad::BandPass(double sampleRate, double freq, double q) {
    double w = 2.0 * kPi * Corner(sampleRate, freq) / sampleRate;
    double c = cos(w), alpha = sin(w) / (2.0 * q);
    Set(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

void Biquad::LowPass1(double sampleRate, double freq) {
    double k = tan(kPi * Corner(sampleRate, freq) / sampleRate);
    Set(k, k, 0.0, 1.0 + k, k - 1.0, 0.0);
}

void Biquad::HighPass1(double sampleRate, double freq) {
    double k = tan(kPi * Corner(sampleRate, freq) / sampleRate);
    Set(1.0, -1.0, 0.0, 1.0 + k, k - 1.0, 0.0);
}

}  // namespace fx
