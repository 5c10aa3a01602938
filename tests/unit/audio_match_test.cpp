// The comparison of captured audio with the expected rendering, which the
// Wine tests of the effects engine stand on: it must find the frames behind
// inserted silence and nowhere else.
#include <gtest/gtest.h>

#include <vector>

#include "tests/common/AudioMatch.h"

namespace {

using Frames = std::vector<int16_t>;  // one 16-bit mono sample per frame

audiomatch::Result Match(const Frames& actual, const Frames& expected) {
    return audiomatch::Match(actual.data(), actual.size() * 2, expected.data(), expected.size() * 2, 2, 0);
}

TEST(AudioMatch, FindsTheFramesBehindSilenceAndReportsWhere) {
    const Frames expected = {5, 6, 0, 7, 8, 9};
    auto r = Match({5, 6, 0, 7, 8, 9}, expected);
    EXPECT_TRUE(r.same);
    EXPECT_TRUE(r.gaps.empty());

    // Lead-in, a stretch where the device ran dry, and a tail.
    r = Match({0, 0, 0, 5, 6, 0, 0, 0, 7, 8, 9, 0, 0}, expected);
    ASSERT_TRUE(r.same);
    ASSERT_EQ(r.gaps.size(), 2u);
    EXPECT_EQ(r.gaps[0].beforeFrame, 0u);
    EXPECT_EQ(r.gaps[0].frames, 3u);
    // The expected silent frame at 2 is matched first; the rest is a gap before 3.
    EXPECT_EQ(r.gaps[1].beforeFrame, 3u);
    EXPECT_EQ(r.gaps[1].frames, 2u);
}

TEST(AudioMatch, RefusesChangedMissingOrExtraSound) {
    const Frames expected = {5, 6, 7, 8};
    auto r = Match({5, 6, 9, 8}, expected);  // one sample off
    EXPECT_FALSE(r.same);
    EXPECT_EQ(r.firstDifference, 2u);
    EXPECT_EQ(r.matchedFrames, 2u);
    EXPECT_FALSE(Match({5, 6, 7}, expected).same);           // cut short
    EXPECT_FALSE(Match({5, 6, 7, 8, 1}, expected).same);     // sound after the end
    EXPECT_FALSE(Match({5, 7, 6, 8}, expected).same);        // out of order
    EXPECT_FALSE(Match({5, 6, 0, 6, 7, 8}, expected).same);  // a frame twice
    EXPECT_FALSE(Match({}, expected).same);
}

TEST(AudioMatch, SilenceOfEightBitSoundIsItsMidpoint) {
    const std::vector<uint8_t> expected = {0x90, 0x70, 0x91, 0x71};  // two stereo frames
    const std::vector<uint8_t> actual = {0x80, 0x80, 0x90, 0x70, 0x80, 0x80, 0x91, 0x71};
    auto r = audiomatch::Match(actual.data(), actual.size(), expected.data(), expected.size(), 2, 0x80);
    EXPECT_TRUE(r.same);
    EXPECT_EQ(r.gaps.size(), 2u);
    r = audiomatch::Match(actual.data(), actual.size(), expected.data(), expected.size(), 2, 0);
    EXPECT_FALSE(r.same);
}

}  // namespace
