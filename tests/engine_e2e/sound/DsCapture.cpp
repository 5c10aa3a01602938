#include "DsCapture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace dscapture {
namespace {

uint32_t Le(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

constexpr size_t kRun = 4;  // frames

// Four stereo frames from sample i as one key.
uint64_t Key(const std::vector<int16_t>& s, size_t i) {
    uint64_t k = 1469598103934665603ull;
    for (size_t j = 0; j < 2 * kRun; ++j) k = (k ^ static_cast<uint16_t>(s[i + j])) * 1099511628211ull;
    return k;
}

}  // namespace

std::vector<int16_t> Decode(const std::string& capture) {
    size_t at = 0;
    uint32_t bits = 32, channels = 2;
    if (capture.size() >= 44 && capture.compare(0, 4, "RIFF") == 0) {
        for (size_t p = 12; p + 8 <= capture.size();) {
            const uint32_t size = Le(capture, p + 4, 4);
            if (capture.compare(p, 4, "fmt ") == 0) {
                channels = Le(capture, p + 10, 2);
                bits = Le(capture, p + 22, 2);
            }
            if (capture.compare(p, 4, "data") == 0) {
                at = p + 8;
                break;
            }
            p += 8 + size;
        }
    }
    std::vector<int16_t> out;
    const size_t sampleBytes = bits / 8, frameBytes = sampleBytes * channels;
    for (; at + frameBytes <= capture.size(); at += frameBytes)
        for (uint32_t c = 0; c < 2; ++c) {
            const size_t s = at + (c < channels ? c : 0) * sampleBytes;
            int32_t v;
            if (bits == 16) {
                v = static_cast<int16_t>(Le(capture, s, 2));
            } else {
                float f;
                memcpy(&f, &capture[s], 4);
                const float scaled = f * 32768.0f;
                v = static_cast<int32_t>(lrintf(scaled));
                if (static_cast<float>(v) != scaled) v = 0x7FFFFFFF;  // not a 16-bit sample: can match nothing
            }
            out.push_back(static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v));
        }
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
    size_t gaps = 0;
    const std::vector<int16_t> heard = Sounding(captured, &gaps);
    const std::vector<int16_t> wanted = Sounding(expected);
    if (gaps > 1) printf("the mixer left %zu gaps of silence\n", gaps - 1);
    for (size_t i = 0; i < wanted.size(); ++i)
        if (i >= heard.size() || heard[i] != wanted[i]) return i / 2;
    return kSame;
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

}  // namespace dscapture
