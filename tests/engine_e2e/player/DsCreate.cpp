#include "tests/engine_e2e/player/DsCreate.h"

namespace dscreate {

typedef HRESULT(WINAPI* Create8Fn)(LPCGUID, IDirectSound8**, IUnknown*);

bool Known(const std::string& way) {
    return way == "ds" || way == "ds8" || way == "lookup" || way == "com" || way == "com8";
}

bool Eight(const std::string& way) {
    return way == "ds8" || way == "lookup" || way == "com8";
}

IDirectSound* Create(const std::string& way) {
    IDirectSound* ds = nullptr;
    HRESULT hr = E_FAIL;
    if (way == "ds") {
        hr = DirectSoundCreate(nullptr, &ds, nullptr);
    } else if (way == "ds8" || way == "lookup") {
        Create8Fn create8 = &DirectSoundCreate8;
        if (way == "lookup") {
            HMODULE dsound = LoadLibraryA("dsound.dll");
            create8 = dsound ? reinterpret_cast<Create8Fn>(
                                   reinterpret_cast<void (*)()>(GetProcAddress(dsound, "DirectSoundCreate8")))
                             : nullptr;
        }
        IDirectSound8* ds8 = nullptr;
        if (create8) hr = create8(nullptr, &ds8, nullptr);
        ds = reinterpret_cast<IDirectSound*>(ds8);
    } else if (way == "com" || way == "com8") {
        CoInitialize(nullptr);
        const bool eight = way == "com8";
        hr = CoCreateInstance(eight ? CLSID_DirectSound8 : CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER,
                              eight ? IID_IDirectSound8 : IID_IDirectSound, reinterpret_cast<void**>(&ds));
        if (SUCCEEDED(hr) && ds) hr = ds->Initialize(nullptr);
    }
    if (FAILED(hr) && ds) {
        ds->Release();
        ds = nullptr;
    }
    return ds;
}

}  // namespace dscreate
