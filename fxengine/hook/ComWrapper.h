// What every COM object of ours that stands in for one of the system's
// shares: the reference count, and answering for itself in QueryInterface.
// `Derived` names this its friend (its destructor is private).
#pragma once

#include <windows.h>
// after windows.h: IUnknown
#include <unknwn.h>

#include <new>

namespace fxengine {

template <class Derived, class Interface>
class ComWrapper : public Interface {
public:
    STDMETHOD_(ULONG, AddRef)() override { return InterlockedIncrement(&m_refs); }
    STDMETHOD_(ULONG, Release)() override {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ComWrapper() = default;
    ~ComWrapper() = default;
    ComWrapper(const ComWrapper&) = delete;
    ComWrapper& operator=(const ComWrapper&) = delete;

    // A new wrapper, or `real` itself when memory is short.
    template <class Real, class... Args>
    static Real* Make(Real* real, Args... args) {
        Derived* made = new (std::nothrow) Derived(real, args...);
        return made ? static_cast<Real*>(made) : real;
    }
    // QueryInterface's answer when the program asked for this object.
    HRESULT Self(void** object) {
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }

private:
    volatile LONG m_refs = 1;
};

}  // namespace fxengine
