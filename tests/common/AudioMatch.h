// Compares what reached the sound device with what should have: the same
// frames in the same order, where the audio system may have put silence
// before them, after them and, when the program left it without data for a
// moment, between two of them. Each such stretch of silence is reported with
// the place it came, so a test decides where it may.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

namespace audiomatch {

struct Gap {
    size_t beforeFrame;  // expected frame the silence came before
    size_t frames;
};

struct Result {
    bool same = false;
    size_t matchedFrames = 0;    // expected frames found, in order
    size_t firstDifference = 0;  // actual frame where it went wrong, when not same
    std::vector<Gap> gaps;       // silence among the expected frames (the lead-in included)
};

inline bool Silent(const uint8_t* frame, size_t frameBytes, uint8_t silence) {
    for (size_t i = 0; i < frameBytes; ++i)
        if (frame[i] != silence) return false;
    return true;
}

// `silence` is the byte of a silent sample: 0 for 16-bit, 0x80 for 8-bit PCM.
inline Result Match(const void* actualData, size_t actualBytes, const void* expectedData, size_t expectedBytes,
                    size_t frameBytes, uint8_t silence) {
    const uint8_t* a = static_cast<const uint8_t*>(actualData);
    const uint8_t* e = static_cast<const uint8_t*>(expectedData);
    const size_t na = actualBytes / frameBytes, ne = expectedBytes / frameBytes;
    Result r;
    size_t i = 0, j = 0;
    while (i < ne) {
        if (j >= na) {
            r.firstDifference = j;
            r.matchedFrames = i;
            return r;
        }
        if (memcmp(a + j * frameBytes, e + i * frameBytes, frameBytes) == 0) {
            ++i;
            ++j;
            continue;
        }
        if (!Silent(a + j * frameBytes, frameBytes, silence)) {
            r.firstDifference = j;
            r.matchedFrames = i;
            return r;
        }
        if (r.gaps.empty() || r.gaps.back().beforeFrame != i) r.gaps.push_back({i, 0});
        ++r.gaps.back().frames;
        ++j;
    }
    r.matchedFrames = i;
    for (; j < na; ++j)
        if (!Silent(a + j * frameBytes, frameBytes, silence)) {
            r.firstDifference = j;
            return r;
        }
    r.same = actualBytes % frameBytes == 0;
    return r;
}

}  // namespace audiomatch
