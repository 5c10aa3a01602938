#include "fault/FaultGuard.h"

#include <windows.h>

namespace fault {
namespace {

#if defined(__i386__)
// An exception registration as the system chains them from fs:0, followed by
// the place to come back to.
struct GuardFrame {
    GuardFrame* prev;
    void* handler;
    void* resume[5];  // __builtin_setjmp's buffer
};

bool IsFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_INVALID_OPERATION:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_STACK_CHECK:
        case EXCEPTION_FLT_UNDERFLOW:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_GUARD_PAGE: return true;
        default: return false;  // breakpoints, C++ and other software exceptions go on their way
    }
}

extern "C" EXCEPTION_DISPOSITION __cdecl FaultGuard_OnException(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                                                void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    if (!IsFault(record->ExceptionCode)) return ExceptionContinueSearch;
    // Registrations made inside the guarded code are told they are left, and
    // the chain ends at ours again; then back to Run.
    RtlUnwind(frame, nullptr, record, nullptr);
    __builtin_longjmp(static_cast<GuardFrame*>(frame)->resume, 1);
}

__attribute__((noinline)) bool RunFramed(void (*fn)(void*), void* arg) {
    // The registration must live on this thread's stack, as the system checks.
    GuardFrame frame;
    GuardFrame* volatile self = &frame;
    volatile unsigned short fpuMode = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(fpuMode));
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(frame.prev));
    frame.handler = reinterpret_cast<void*>(&FaultGuard_OnException);
    if (__builtin_setjmp(frame.resume)) {
        __asm__ __volatile__("movl %0, %%fs:0" : : "r"(self->prev) : "memory");
        // A fault in x87 code may leave the unit's stack in any state: empty
        // it, and give the caller back its own mode.
        const unsigned short mode = fpuMode;
        __asm__ __volatile__("fninit\n\tfldcw %0" : : "m"(mode));
        return false;
    }
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(self) : "memory");
    fn(arg);
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(self->prev) : "memory");
    return true;
}
#endif

}  // namespace

bool FaultGuard::Run(void (*fn)(void*), void* arg) {
#if defined(__i386__)
    return RunFramed(fn, arg);
#else
    fn(arg);  // the host build has no faults to catch (the tests run under sanitizers)
    return true;
#endif
}

}  // namespace fault
