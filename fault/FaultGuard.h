// Runs a piece of code so that a processor fault inside it (an access
// violation, an illegal instruction, a division by zero, a stack fault)
// ends that piece and not the process. Code that runs inside other programs,
// or calls into code we do not control, uses it where a fault must cost only
// the work at hand. C++ exceptions are not its business.
//
// What the faulting code held (locks, memory) is not given back: guard only
// code that takes nothing it must return.
#pragma once

namespace fault {

class FaultGuard {
public:
    // Calls fn(arg). True: it returned; false: it faulted and was abandoned.
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
