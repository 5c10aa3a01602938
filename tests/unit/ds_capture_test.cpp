// The comparison the DirectSound end-to-end tests stand on: what the capture
// heard against what should be heard. It lets the mixer's gaps pass, and the
// frames it skipped there, and nothing the engine could get wrong.
#include <gtest/gtest.h>

#include <vector>

#include "tests/engine_e2e/sound/DsCapture.h"

namespace {

using dscapture::kSame;

// Frame f of the expected stream: distinct everywhere, never silent.
std::vector<int16_t> Frames(size_t from, size_t to) {
    std::vector<int16_t> s;
    for (size_t f = from; f < to; ++f) {
        s.push_back(static_cast<int16_t>(f + 1));
        s.push_back(static_cast<int16_t>(-static_cast<int>(f) - 1));
    }
    return s;
}
std::vector<int16_t> Silence(size_t frames) {
    return std::vector<int16_t>(2 * frames, 0);
}
std::vector<int16_t> Join(std::initializer_list<std::vector<int16_t>> parts) {
    std::vector<int16_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
std::vector<int16_t> Changed(std::vector<int16_t> s, size_t frame) {
    s[2 * frame] ^= 0x100;
    return s;
}

// In order: the mixer's gaps pass and nothing else. In any order (laps
// heard again, stretches never heard): still only the program's frames.
TEST(DsCapture, LetsTheMixersGapsPassAndNothingElse) {
    const std::vector<int16_t> expected = Frames(0, 100);
    const struct {
        const char* what;
        std::vector<int16_t> heard;
        size_t difference;
        bool anyOrder;
    } cases[] = {
        {"as expected", Frames(0, 100), kSame, false},
        {"silence before, between and after",
         Join({Silence(9), Frames(0, 40), Silence(30), Frames(40, 100), Silence(5)}), kSame, false},
        {"a frame skipped where the mixer came late", Join({Frames(0, 40), Silence(3), Frames(41, 100)}), kSame, false},
        {"more than a late mixer loses", Join({Frames(0, 40), Silence(3), Frames(55, 100)}), 40, false},
        {"frames skipped without a gap", Join({Frames(0, 40), Frames(55, 100)}), 40, false},
        {"the start missing", Frames(10, 100), 0, false},
        {"a stretch heard again after a gap", Join({Frames(0, 60), Silence(3), Frames(20, 100)}), 60, false},
        {"one sample changed", Changed(Frames(0, 100), 70), 70, false},
        {"a short stretch after a gap from elsewhere",
         Join({Frames(0, 50), Silence(2), Frames(80, 82), Frames(50, 100)}), 50, false},
        {"too little heard", Join({Frames(0, 90), Silence(20)}), 90, false},
        {"any order: a lap again, a stretch never heard",
         Join({Frames(0, 60), Frames(20, 50), Silence(4), Frames(80, 100)}), kSame, true},
        {"any order: a frame nobody wrote", Join({Frames(0, 30), Changed(Frames(30, 60), 10)}), 40, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            c.anyOrder ? dscapture::NotOfTheSignal(c.heard, expected) : dscapture::FirstDifference(c.heard, expected),
            c.difference)
            << c.what;
}

}  // namespace
