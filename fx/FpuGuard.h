// The chain runs inside other programs' processes, whose x87 unit may be set
// to any precision, rounding or exception mode (24-bit precision for 3D
// graphics, truncation for fast conversions, unmasked exceptions). While an
// FpuGuard lives the unit is in the mode the chain is written for (53-bit
// precision, round to nearest, exceptions masked), so every process gets the
// same samples; its end restores the program's mode, pending flags included.
// Only the 32-bit x86 build has an x87 mode to keep; elsewhere it does nothing.
#pragma once

namespace fx {

class FpuGuard {
public:
#if defined(__i386__) && defined(__GNUC__)
    FpuGuard() {
        const unsigned short mode = 0x027F;  // 53-bit, nearest, all masked
        __asm__ __volatile__("fnstenv %0\n\tfldcw %1" : "=m"(m_env) : "m"(mode) : "memory");
    }
    ~FpuGuard() {
        __asm__ __volatile__("fldenv %0" : : "m"(m_env) : "memory");
    }

private:
    unsigned char m_env[28];
#else
    FpuGuard() {}
#endif
    FpuGuard(const FpuGuard&) = delete;
    FpuGuard& operator=(const FpuGuard&) = delete;
};

}  // namespace fx
