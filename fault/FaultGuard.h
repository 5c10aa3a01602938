// Runs a piece of code so that any exception raised inside it and not
// handled there (a processor fault such as an access violation or a stack
// overflow, or a software exception: RaiseException, a C++ exception thrown
// by code of another compiler) ends that piece and not the process. Code
// that runs inside other programs, or calls into code we do not control,
// uses it where a fault must cost only the work at hand. After a stack
// overflow the stack's guard page is armed again, so that a later overflow
// is caught as well.
//
// What the faulting code held (locks, memory) is not given back: guard only
// code that takes nothing it must return.
#pragma once

namespace fault {

class FaultGuard {
public:
    // Calls fn(arg). True: it returned; false: it raised and was abandoned.
    static bool Run(void (*fn)(void*), void* arg);

    // The same for any callable, e.g. FaultGuard::Call([&] { ... }).
    template <class Fn>
    static bool Call(Fn& fn) {
        return Run(&Thunk<Fn>, &fn);
    }

private:
    template <class Fn>
    static void Thunk(void* p) {
        (*static_cast<Fn*>(p))();
    }
};

}  // namespace fault
