// Sets the x87 unit to 53-bit precision, round to nearest, every exception
// masked, for the life of the object, and then puts back what was there. The
// effects then compute the same in every process (programs set the unit as
// they please) and in the tests that render them for comparison.
#pragma once

namespace fxengine {

class X87Precision {
public:
    X87Precision() {
#if defined(__i386__)
        __asm__ __volatile__("fnstcw %0" : "=m"(m_saved));
        const unsigned short wanted = 0x027F;
        __asm__ __volatile__("fldcw %0" : : "m"(wanted));
#endif
    }
    ~X87Precision() {
#if defined(__i386__)
        __asm__ __volatile__("fldcw %0" : : "m"(m_saved));
#endif
    }
    X87Precision(const X87Precision&) = delete;
    X87Precision& operator=(const X87Precision&) = delete;

private:
    unsigned short m_saved = 0;
};

}  // namespace fxengine
