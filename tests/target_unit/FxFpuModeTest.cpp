// The effects inside a program that left the x87 unit in another mode: the
// samples are the same as in the program's own mode, and the program gets its
// mode back. (Windows build only: the host's arithmetic has no such mode.)
#include "fx/FxChain.h"

#include <gtest/gtest.h>

#include <float.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

unsigned short ControlWord() {
    unsigned short cw;
    __asm__ __volatile__("fnstcw %0" : "=m"(cw));
    return cw;
}

void SetControlWord(unsigned short cw) {
    __asm__ __volatile__("fclex\n\tfldcw %0" : : "m"(cw));
}

std::vector<short> Render(const std::vector<short>& in) {
    fx::FxParams p;
    fx::FxParams_Reset(&p);
    p.enable3D = p.enableVibe = p.enableSoundfields = 1;
    p.level3D = p.vibe[0] = p.vibe[1] = p.vibe[2] = p.soundfields = 1.0f;
    p.level3DScaled = 0.125f;
    p.masterGain = 0.7943282f;
    std::vector<short> out(in.size());
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);
    chain->Open(fx::FxFormat{1, 2, 44100, 16, 4});
    for (size_t at = 0; at < in.size(); at += 882) chain->Process(p, &in[at], &out[at], 882 * 2);
    return out;
}

TEST(FxFpuMode, SameSamplesInAForeignModeWhichIsRestored) {
    const unsigned short own = ControlWord();
    std::vector<short> in(2 * 4410);
    for (size_t n = 0; n < 4410; ++n) {
        in[2 * n] = static_cast<short>(20000 * std::sin(0.0712 * n));
        in[2 * n + 1] = static_cast<short>(15000 * std::sin(0.0213 * n));
    }
    std::vector<short> expected = Render(in);
    // Single precision, truncation, invalid operation and zero divide unmasked.
    const unsigned short foreign = 0x0C7A;
    SetControlWord(foreign);
    std::vector<short> got = Render(in);
    unsigned short after = ControlWord();
    SetControlWord(own);
    EXPECT_EQ(after, foreign);
    EXPECT_EQ(got, expected);
}

}  // namespace
