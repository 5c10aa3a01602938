#include "DsCapture.h"

#include "tests/common/EngineRender.h"
#include "tests/engine_e2e/player/DsSignal.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace dscapture {
namespace {

constexpr size_t kRun = 4;  // frames
// At most one frame in this many may be missing at the mixer's gaps.
constexpr size_t kMostMissing = 50;

// Four stereo frames from sample i as one key.
uint64_t Key(const std::vector<int16_t>& s, size_t i) {
    uint64_t k = 1469598103934665603ull;
    for (size_t j = 0; j < 2 * kRun; ++j) k = (k ^ static_cast<uint16_t>(s[i + j])) * 1099511628211ull;
    return k;
}

// Where in `wanted`, past sample w, the stretch of sound heard from sample i
// goes on (its first kRun frames found there), or kSame: not found, or too
// short to place.
size_t Later(const std::vector<int16_t>& heard, size_t i, const std::vector<int16_t>& wanted, size_t w) {
    size_t n = 0;
    while (n < 2 * kRun && i + n + 1 < heard.size() && (heard[i + n] || heard[i + n + 1])) n += 2;
    if (n < 2 * kRun) return kSame;  // too short to place
    for (size_t j = w + 2; j + n <= wanted.size(); j += 2)
        if (memcmp(&heard[i], &wanted[j], n * sizeof(int16_t)) == 0) return j;
    return kSame;
}

}  // namespace

std::vector<int16_t> Decode(const std::string& capture) {
    std::vector<int16_t> out(capture.size() / 4);
    for (size_t i = 0; i < out.size(); ++i) {
        float f;
        memcpy(&f, &capture[4 * i], 4);
        const float scaled = f * 32768.0f;
        int32_t v = static_cast<int32_t>(lrintf(scaled));
        if (static_cast<float>(v) != scaled) v = 0x7FFFFFFF;  // not a 16-bit sample: can match nothing
        out[i] = static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
    }
    out.resize(out.size() / 2 * 2);
    return out;
}

std::vector<int16_t> Sounding(const std::vector<int16_t>& frames, size_t* gaps) {
    std::vector<int16_t> out;
    bool silent = false;
    for (size_t i = 0; i + 1 < frames.size(); i += 2) {
        const bool now = frames[i] == 0 && frames[i + 1] == 0;
        if (now && !silent && !out.empty() && gaps) ++*gaps;
        silent = now;
        if (now) continue;
        out.push_back(frames[i]);
        out.push_back(frames[i + 1]);
    }
    return out;
}

size_t FirstDifference(const std::vector<int16_t>& captured, const std::vector<int16_t>& expected) {
    const std::vector<int16_t> wanted = Sounding(expected);
    size_t w = 0, heard = 0, gaps = 0, missing = 0;
    bool afterGap = false;
    for (size_t i = 0; i + 1 < captured.size() && w < wanted.size(); i += 2) {
        if (captured[i] == 0 && captured[i + 1] == 0) {
            if (heard) afterGap = true;
            continue;
        }
        if (afterGap) ++gaps;
        if (captured[i] != wanted[w] || captured[i + 1] != wanted[w + 1]) {
            // Only a stretch after a gap may start further on, never earlier.
            const size_t to = afterGap ? Later(captured, i, wanted, w) : kSame;
            if (to == kSame) return heard;
            missing += (to - w) / 2;
            // More than a mixer that came late loses: sound the engine silenced or never rendered.
            if (missing > wanted.size() / 2 / kMostMissing) return heard;
            w = to;
        }
        afterGap = false;
        w += 2;
        ++heard;
    }
    if (gaps) printf("the mixer left %zu gaps of silence, %zu frames missing at them\n", gaps, missing);
    return w < wanted.size() ? heard : kSame;
}

size_t NotOfTheSignal(const std::vector<int16_t>& captured, const std::vector<int16_t>& signal) {
    const std::vector<int16_t> heard = Sounding(captured), wanted = Sounding(signal);
    std::unordered_map<uint64_t, size_t> at;
    for (size_t i = 0; i + 2 * kRun <= wanted.size(); i += 2) at.emplace(Key(wanted, i), i);
    // (The last few frames heard, too few for a key, count with the run before them.)
    for (size_t i = 0; i + 2 * kRun <= heard.size();) {
        const auto found = at.find(Key(heard, i));
        if (found == at.end()) return i / 2;
        size_t j = i, w = found->second;
        while (j < heard.size() && w < wanted.size() && heard[j] == wanted[w]) ++j, ++w;
        if (j - i < 2 * kRun) return i / 2;
        i = j - j % 2;
    }
    return kSame;
}

double Side(const std::vector<int16_t>& s, size_t frames) {
    double side = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double d = static_cast<double>(s[2 * i]) - s[2 * i + 1];
        side += d * d;
    }
    return side / frames;
}

std::vector<int16_t> PlayerSignal(uint32_t rate, uint32_t frames, const fx::FxParams* state) {
    std::vector<int16_t> s(frames * 2);
    dssignal::Fill(s.data(), frames, 0, frames, rate, 2);
    std::string out;
    if (state) EngineRender({1, 2, rate, 16, 4}).Buffer(*state, s.data(), static_cast<uint32_t>(s.size() * 2), &out);
    if (state) memcpy(s.data(), out.data(), s.size() * 2);
    s.resize((frames - rate / 10) * 2);
    return s;
}

double Level(const std::vector<int16_t>& s, size_t frames, double hz, uint32_t rate) {
    const double k = 2 * std::cos(6.283185307179586 * hz / rate);
    double a = 0, b = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double x = s[2 * i] + s[2 * i + 1] + k * a - b;
        b = a;
        a = x;
    }
    return std::sqrt(a * a + b * b - k * a * b) / frames;
}

}  // namespace dscapture
