// The fault guard under Wine: a fault ends the guarded call and nothing else.
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

TEST(FaultGuardTest, AFaultEndsTheCallAndTheGuardAnswersFalse) {
    void* const chain = ExceptionChain();
    int zero = 0, count = 0;
    struct Case {
        const char* what;
        void (*fn)(void*);
        void* arg;
        bool returns;
    } cases[] = {{"write through null", &WriteNull, nullptr, false},
                 {"integer division by zero", &DivideByZero, &zero, false},
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
