#include "fault/FaultGuard.h"

#include <windows.h>

#include <cstdint>

namespace fault {
namespace {

#if defined(__i386__)
// An exception registration as the system chains them from fs:0, followed by
// the place to come back to.
struct GuardFrame {
    GuardFrame* prev;
    void* handler;
    void* resume[5];  // __builtin_setjmp's buffer
    bool overflowed;
};

// A stack overflow uses up the stack's guard page: the system commits the
// last pages for the handlers and arms nothing below them, so a second
// overflow would end the process. Back on a shallow stack, the page just
// above the lowest committed one is made the guard again; the page under it
// stays for the handlers of the next overflow, as the first one had.
// (Written here: the C runtime's reset is missing from the runtimes of the
// older systems this runs on.)
void RearmStackGuard() {
    MEMORY_BASIC_INFORMATION here;
    volatile char probe = 0;
    if (!VirtualQuery(const_cast<char*>(&probe), &here, sizeof here)) return;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const uintptr_t page = system.dwPageSize;
    // The stack is one reservation: walk up from its base to the first committed pages.
    char* at = static_cast<char*>(here.AllocationBase);
    MEMORY_BASIC_INFORMATION region;
    while (VirtualQuery(at, &region, sizeof region) && region.AllocationBase == here.AllocationBase &&
           region.State != MEM_COMMIT)
        at = static_cast<char*>(region.BaseAddress) + region.RegionSize;
    if (region.State != MEM_COMMIT || (region.Protect & PAGE_GUARD)) return;  // still armed
    char* guard = static_cast<char*>(region.BaseAddress) + page;
    char* stackPage = reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(&probe) & ~(page - 1));
    if (guard >= stackPage) return;  // no room below the caller
    DWORD old;
    VirtualProtect(guard, page, PAGE_READWRITE | PAGE_GUARD, &old);
}

extern "C" EXCEPTION_DISPOSITION __cdecl FaultGuard_OnException(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                                                void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
    // Whatever reaches us was not handled inside: a fault, a software
    // exception, a C++ exception of a runtime that is not ours.
    GuardFrame* guard = static_cast<GuardFrame*>(frame);
    guard->overflowed = record->ExceptionCode == EXCEPTION_STACK_OVERFLOW;
    // Registrations made inside the guarded code are told they are left, and
    // the chain ends at ours again; then back to Run.
    RtlUnwind(frame, nullptr, record, nullptr);
    __builtin_longjmp(guard->resume, 1);
}

__attribute__((noinline)) bool RunFramed(void (*fn)(void*), void* arg) {
    // The registration must live on this thread's stack, as the system checks.
    GuardFrame frame;
    frame.overflowed = false;
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
        if (self->overflowed) RearmStackGuard();
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
