#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "skinctl/PersistedState.h"
#include "tests/common/PersistedBytes.h"

using namespace skinctl;
using namespace persisted;

// `bytes` with the byte at `at` set to `value`.
static std::vector<uint8_t> With(std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    bytes[at] = value;
    return bytes;
}

TEST(SkinctlPersistedState, HimetricRoundsToNearestPixelAt96Dpi) {
    // 13 is 0.49 px, 14 0.53 px.
    const uint32_t cases[][2] = {{1164, 44}, {1217, 46}, {1111, 42}, {450, 17}, {423, 16}, {291, 11}, {13, 0}, {14, 1}};
    for (const auto& c : cases) EXPECT_EQ(c[1], HimetricToPixels(c[0])) << c[0];
    // No overflow for the largest 32-bit value; capped past the sane range.
    EXPECT_GT(HimetricToPixels(0xFFFFFFFFu), MAX_CONTROL_PIXELS);
}

TEST(SkinctlPersistedState, KnobRecordsOfTheConsoleAreTaken) {
    const uint32_t sizes[][2] = {{1164, 1217}, {1164, 1244}, {1111, 1244}};
    for (const auto& s : sizes) {
        const auto bytes = KnobBytes(s[0], s[1]);
        KnobState state{};
        ASSERT_TRUE(ParseKnobState(bytes.data(), bytes.size(), state));
        EXPECT_EQ(s[0], state.widthHimetric);
        EXPECT_EQ(s[1], state.heightHimetric);
    }
}

TEST(SkinctlPersistedState, MalformedKnobRecordsAreRefusedAndLeaveTheOutputAlone) {
    const auto good = KnobBytes(1164, 1217);
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(good.begin(), good.end() - 1),  // short
        longer,
        With(good, 0, 1),      // first word not 0
        With(good, 6, 2),      // second word not 0x00010000
        With(good, 19, 0x80),  // last word not 0
    };
    bad.push_back(KnobBytes(0, 1217));
    bad.push_back(KnobBytes(1164, 0xFFFFFFFFu));
    bad.push_back(ButtonBytes(450, 423, 1, 0));  // a button's record
    for (size_t i = 0; i < bad.size(); ++i) {
        KnobState state{7, 9};
        EXPECT_FALSE(ParseKnobState(bad[i].data(), bad[i].size(), state)) << "case " << i;
        EXPECT_EQ(7u, state.widthHimetric);
        EXPECT_EQ(9u, state.heightHimetric);
    }
    KnobState state{};
    EXPECT_FALSE(ParseKnobState(nullptr, KNOB_STATE_SIZE, state));
}

TEST(SkinctlPersistedState, ButtonRecordsGiveKindAndGlyph) {
    struct Case {
        uint32_t w, h;
        uint8_t twoState, glyph;
    } cases[] = {{450, 423, 1, 0}, {291, 291, 0, 2}, {291, 291, 0, 1}, {318, 344, 0, 3}};
    for (const auto& c : cases) {
        const auto bytes = ButtonBytes(c.w, c.h, c.twoState, c.glyph);
        ButtonState state{};
        ASSERT_TRUE(ParseButtonState(bytes.data(), bytes.size(), state));
        EXPECT_EQ(c.w, state.widthHimetric);
        EXPECT_EQ(c.h, state.heightHimetric);
        EXPECT_EQ(c.twoState == 1, state.twoState);
        EXPECT_EQ(c.glyph, state.glyph);
    }
}

TEST(SkinctlPersistedState, MalformedButtonRecordsAreRefused) {
    const auto good = ButtonBytes(450, 423, 1, 0);
    std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(good.begin(), good.begin() + 20),
        KnobBytes(1164, 1217),
        With(good, 3, 1),   // first word
        With(good, 12, 1),  // word after the sizes
        With(good, 21, 1),  // last word
    };
    bad.push_back(ButtonBytes(450, 423, 2, 0));  // kind byte out of range
    bad.push_back(ButtonBytes(450, 423, 0, 4));  // unknown glyph
    bad.push_back(ButtonBytes(450, 5, 0, 0));    // below one pixel
    for (size_t i = 0; i < bad.size(); ++i) {
        ButtonState state{1, 2, false, GLYPH_CLOSE};
        EXPECT_FALSE(ParseButtonState(bad[i].data(), bad[i].size(), state)) << "case " << i;
        EXPECT_EQ(1u, state.widthHimetric);
        EXPECT_FALSE(state.twoState);
        EXPECT_EQ(GLYPH_CLOSE, state.glyph);
    }
}

TEST(SkinctlPersistedState, NeverReadsPastTheGivenLength) {
    // Exactly sized heap copies: ASan reports any read past the end.
    const auto good = ButtonBytes(450, 423, 1, 0);
    for (size_t n = 0; n <= good.size(); ++n) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[n ? n : 1]);
        std::copy(good.begin(), good.begin() + n, copy.get());
        ButtonState b{};
        KnobState k{};
        EXPECT_EQ(n == BUTTON_STATE_SIZE, ParseButtonState(copy.get(), n, b));
        EXPECT_FALSE(ParseKnobState(copy.get(), n, k));
    }
}
