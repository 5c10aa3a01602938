// The effects inside a program that left the x87 unit in another state: in
// another mode, with MMX state left behind (no EMMS) or with its register
// stack full. The samples are the same as from a clean call, and the program
// gets its mode and registers back. (Windows build only: the host's
// arithmetic has no such state.)
#include "fx/FxChain.h"
#include "tests/unit/fx_test_support.h"

#include <gtest/gtest.h>

#include <stddef.h>
#include <string.h>

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

struct Job {
    fx::FxChain* chain;
    const fx::FxParams* params;
    const short* in;
    short* out;
    size_t samples;
};

// Called with the unit in whatever state the caller left: integer work only
// until the chain has the unit.
extern "C" void __cdecl RunJob(Job* job) {
    for (size_t at = 0; at < job->samples; at += 882)
        job->chain->Process(*job->params, job->in + at, job->out + at, 882 * 2);
}

enum class Caller { Clean, Mmx, FullStack };

// What the assembly below reaches through one register.
struct Frame {
    void(__cdecl* run)(Job*);
    Job* job;
    unsigned long long mmx;
    double eight[8];
    unsigned char before[108], after[108];  // the caller's unit around the calls
};

struct Seen {
    std::vector<short> out;
    std::vector<unsigned char> before, after;
};

Seen Render(const std::vector<short>& in, Caller caller) {
    fx::FxParams p = fxtest::Knobs(1.0f, 1.0f, 1.0f);
    p.masterGain = 0.7943282f;
    Seen seen;
    seen.out.resize(in.size());
    std::unique_ptr<fx::FxChain> chain(new fx::FxChain);
    chain->Open(fx::FxFormat{1, 2, 44100, 16, 4});
    Job job = {chain.get(), &p, in.data(), seen.out.data(), in.size()};
    Frame f = {RunJob, &job, 0x0123456789ABCDEFull, {1.5, -2.25, 3.0e10, 1e-300, 7.0, -0.0, 12345.678, 0.1}, {}, {}};
    // Each caller's state is set, the chain called, and the state taken,
    // within one block: no compiled code runs in between. fnsave keeps all
    // of it and empties the unit, frstor puts it back.
#define KV_CALL                                                    \
    "fnsave %c[b](%[f])\n\tfrstor %c[b](%[f])\n\t"                 \
    "pushl %c[j](%[f])\n\tcall *%c[r](%[f])\n\taddl $4, %%esp\n\t" \
    "fnsave %c[a](%[f])\n\tfrstor %c[a](%[f])\n\t"
#define KV_OPERANDS                                                                                \
    : [f] "r"(&f), [b] "i"(offsetof(Frame, before)), [a] "i"(offsetof(Frame, after)),         \
      [j] "i"(offsetof(Frame, job)), [r] "i"(offsetof(Frame, run)), [m] "i"(offsetof(Frame, mmx)), \
      [e] "i"(offsetof(Frame, eight))                                                          \
    : "eax", "ecx", "edx", "memory", "cc"
    switch (caller) {
        case Caller::Clean: RunJob(&job); break;
        case Caller::Mmx:
            __asm__ __volatile__("movq %c[m](%[f]), %%mm0\n\tmovq %c[m](%[f]), %%mm7\n\t" KV_CALL "emms" : KV_OPERANDS);
            break;
        case Caller::FullStack:
            __asm__ __volatile__(
                "fldl %c[e]+56(%[f])\n\tfldl %c[e]+48(%[f])\n\tfldl %c[e]+40(%[f])\n\tfldl %c[e]+32(%[f])\n\t"
                "fldl %c[e]+24(%[f])\n\tfldl %c[e]+16(%[f])\n\tfldl %c[e]+8(%[f])\n\tfldl %c[e](%[f])\n\t" KV_CALL
                // Empty again for the compiled code, in the caller's mode.
                "fstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\t"
                "fstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)\n\tfstp %%st(0)"
                : KV_OPERANDS);
            break;
    }
#undef KV_CALL
#undef KV_OPERANDS
    seen.before.assign(f.before, f.before + 108);
    seen.after.assign(f.after, f.after + 108);
    return seen;
}

std::vector<short> Music() {
    std::vector<short> in(2 * 4410);
    for (size_t n = 0; n < 4410; ++n) {
        in[2 * n] = static_cast<short>(20000 * std::sin(0.0712 * n));
        in[2 * n + 1] = static_cast<short>(15000 * std::sin(0.0213 * n));
    }
    return in;
}

TEST(FxFpuMode, SameSamplesInAForeignModeWhichIsRestored) {
    const unsigned short own = ControlWord();
    std::vector<short> in = Music();
    std::vector<short> expected = Render(in, Caller::Clean).out;
    // Single precision, truncation, invalid operation and zero divide unmasked.
    const unsigned short foreign = 0x0C7A;
    SetControlWord(foreign);
    std::vector<short> got = Render(in, Caller::Clean).out;
    unsigned short after = ControlWord();
    SetControlWord(own);
    EXPECT_EQ(after, foreign);
    EXPECT_EQ(got, expected);
}

TEST(FxFpuMode, CallersRegistersAndMmxStateAreKept) {
    std::vector<short> in = Music();
    std::vector<short> expected = Render(in, Caller::Clean).out;
    for (Caller caller : {Caller::Mmx, Caller::FullStack}) {
        SCOPED_TRACE(caller == Caller::Mmx ? "MMX state left" : "eight values on the stack");
        Seen seen = Render(in, caller);
        // (Some virtual processors never signal a stack overflow and load the
        // value anyway; there only the state check below can tell.)
        EXPECT_EQ(seen.out, expected);
        // The whole saved state: control, status (stack top included), tags,
        // and the eight registers; the last instruction and operand pointers
        // (bytes 12..27) differ by where the state was taken.
        EXPECT_EQ(memcmp(&seen.before[0], &seen.after[0], 12), 0);
        EXPECT_EQ(memcmp(&seen.before[28], &seen.after[28], 80), 0);
        unsigned short tags;
        memcpy(&tags, &seen.before[8], 2);
        for (int r = 0; r < 8; ++r) EXPECT_NE((tags >> (2 * r)) & 3, 3) << "register " << r << " was free";
    }
}

}  // namespace
