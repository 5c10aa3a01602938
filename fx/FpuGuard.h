// The chain runs inside other programs' processes, which may call it with
// the x87 unit in any state: another precision, rounding or exception mode
// (24-bit precision for 3D graphics, truncation for fast conversions,
// unmasked exceptions), values still on the register stack, or MMX state
// left behind without EMMS (which marks every register in use, so the first
// load would overflow the stack and every sample come out as garbage).
// While an FpuGuard lives the unit is ours: the program's whole state,
// registers included, is saved, the stack is empty and the mode is the one
// the chain is written for (53-bit precision, round to nearest, exceptions
// masked), so every process gets the same samples; its end gives the program
// back its registers, mode and pending flags as they were.
// Only the 32-bit x86 build has an x87 unit to keep; elsewhere it does nothing.
#pragma once

namespace fx {

class FpuGuard {
public:
#if defined(__i386__) && defined(__GNUC__)
    FpuGuard() {
        const unsigned short mode = 0x027F;  // 53-bit, nearest, all masked
        // fnsave also resets the unit: empty stack, no pending exception.
        __asm__ __volatile__("fnsave %0\n\tfldcw %1" : "=m"(m_state) : "m"(mode) : "memory");
    }
    ~FpuGuard() {
        __asm__ __volatile__("frstor %0" : : "m"(m_state) : "memory");
    }

private:
    unsigned char m_state[108];
#else
    FpuGuard() {}
#endif
    FpuGuard(const FpuGuard&) = delete;
    FpuGuard& operator=(const FpuGuard&) = delete;
};

}  // namespace fx
