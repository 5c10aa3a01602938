// The fault guard under Wine: a fault or an exception nobody inside handles
// ends the guarded call and nothing else.
#include <windows.h>

#include <gtest/gtest.h>

#include "fault/FaultGuard.h"

namespace {

void* ExceptionChain() {
    void* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void WriteNull(void*) {
    *static_cast<volatile int*>(nullptr) = 1;
}

void DivideByZero(void* p) {
    volatile int zero = *static_cast<int*>(p);
    *static_cast<int*>(p) = 10 / zero;
}

void Fine(void* p) {
    ++*static_cast<int*>(p);
}

void RaiseSoftware(void*) {
    RaiseException(0x20000001, 0, 0, nullptr);
}

// How a C++ runtime of another compiler throws: nothing of ours catches it.
void RaiseForeignCxx(void*) {
    RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

// Deeper and deeper until the stack runs out (the depth never comes back to 0).
__attribute__((noinline)) int Deeper(volatile int* depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(++*depth);
    if (*depth != 0) return Deeper(depth) + frame[0];
    return frame[0];
}

void OverflowStack(void*) {
    volatile int depth = 0;
    Deeper(&depth);
}

// A write to the page above the stack's lowest committed one: its guard
// page, the last before the system's own reserve.
void TouchStackGuard(void*) {
    MEMORY_BASIC_INFORMATION here, region;
    volatile char probe = 0;
    VirtualQuery(const_cast<char*>(&probe), &here, sizeof here);
    char* at = static_cast<char*>(here.AllocationBase);
    while (VirtualQuery(at, &region, sizeof region) && region.State != MEM_COMMIT)
        at = static_cast<char*>(region.BaseAddress) + region.RegionSize;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    *(static_cast<volatile char*>(region.BaseAddress) + system.dwPageSize) = 1;
}

TEST(FaultGuardTest, AFaultOrAnExceptionEndsTheCallAndTheGuardAnswersFalse) {
    void* const chain = ExceptionChain();
    int zero = 0, count = 0;
    struct Case {
        const char* what;
        void (*fn)(void*);
        void* arg;
        bool returns;
    } cases[] = {{"write through null", &WriteNull, nullptr, false},
                 {"integer division by zero", &DivideByZero, &zero, false},
                 {"a software exception", &RaiseSoftware, nullptr, false},
                 {"a C++ exception of another compiler", &RaiseForeignCxx, nullptr, false},
                 {"a stack overflow", &OverflowStack, nullptr, false},
                 // Armed again after the overflow, the guard page stops the next one.
                 {"the stack's guard page", &TouchStackGuard, nullptr, false},
                 {"a call that returns", &Fine, &count, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.returns, fault::FaultGuard::Run(c.fn, c.arg)) << c.what;
        EXPECT_EQ(chain, ExceptionChain()) << c.what << ": the exception chain is not as it was";
    }
    EXPECT_EQ(1, count);
}

TEST(FaultGuardTest, RepeatedFaultsLeaveTheStackAndTheFpuModeAsTheyWere) {
    unsigned short mode = 0x007F, before = 0, after = 0;  // 24-bit precision, as a 3D program might set
    __asm__ __volatile__("fnstcw %0\n\tfldcw %1" : "=m"(before) : "m"(mode));
    void* sp = nullptr;
    __asm__ __volatile__("movl %%esp, %0" : "=r"(sp));
    for (int i = 0; i < 2000; ++i) ASSERT_FALSE(fault::FaultGuard::Run(&WriteNull, nullptr)) << "round " << i;
    void* spAfter = nullptr;
    __asm__ __volatile__("movl %%esp, %0" : "=r"(spAfter));
    __asm__ __volatile__("fnstcw %0\n\tfldcw %1" : "=m"(after) : "m"(before));
    EXPECT_EQ(sp, spAfter);
    EXPECT_EQ(mode, after) << "the caller's x87 mode was not given back";
}

TEST(FaultGuardTest, AnInnerGuardCatchesItsOwnFaultAndTheOuterCallGoesOn) {
    int reached = 0;
    auto outer = [&] {
        EXPECT_FALSE(fault::FaultGuard::Run(&WriteNull, nullptr));
        reached = 1;
    };
    EXPECT_TRUE(fault::FaultGuard::Call(outer));
    EXPECT_EQ(1, reached);
}

}  // namespace
