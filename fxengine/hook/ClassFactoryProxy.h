// dsound's class factory as COM hands it out (CoCreateInstance,
// CoCreateInstanceEx, CoGetClassObject, from whatever module calls them):
// the DirectSound objects it makes come back as the engine's, as those of
// DirectSoundCreate do.
#pragma once

#include <windows.h>
// after windows.h: the class factory interface
#include <unknwn.h>

#include "ComWrapper.h"

namespace fxengine {

class ClassFactoryProxy final : public ComWrapper<ClassFactoryProxy, IClassFactory> {
public:
    // Takes the caller's reference to `real`; `is8`: it makes DirectSound8
    // objects. `real` itself when memory is short.
    static IClassFactory* Wrap(IClassFactory* real, bool is8);

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHOD(LockServer)(BOOL lock) override;

private:
    friend class ComWrapper<ClassFactoryProxy, IClassFactory>;
    ClassFactoryProxy(IClassFactory* real, bool is8) : m_real(real), m_is8(is8) {}
    ~ClassFactoryProxy() { m_real->Release(); }

    IClassFactory* m_real;
    bool m_is8;
};

}  // namespace fxengine
