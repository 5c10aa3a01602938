#include "fx/FxParams.h"

#include <string.h>

#include "engine/ControlCodes.h"

namespace fx {
namespace {

template <typename T>
bool Store(T* field, const void* payload) {
    T value;
    memcpy(&value, payload, sizeof value);
    // Compare the bits, so that a NaN sent twice is no change and -0 is one.
    if (memcmp(field, &value, sizeof value) == 0) return false;
    *field = value;
    return true;
}

bool StoreFlag(uint32_t* field, const void* payload) {
    uint32_t v;
    memcpy(&v, payload, sizeof v);
    uint32_t flag = v != 0 ? 1u : 0u;
    if (*field == flag) return false;
    *field = flag;
    return true;
}

}  // namespace

void FxParams_Reset(FxParams* p) {
    memset(p, 0, sizeof *p);
    p->masterGain = 1.0f;
}

bool FxParams_Apply(FxParams* p, uint32_t code, const void* payload, uint32_t size) {
    if (!p || !payload || size < 4) return false;
    bool changed;
    switch (code) {
        case IOCTL_3D_ENABLE: changed = StoreFlag(&p->enable3D, payload); break;
        case IOCTL_3D_LEVEL: changed = Store(&p->level3D, payload); break;
        case IOCTL_3D_LEVEL_SCALED: changed = Store(&p->level3DScaled, payload); break;
        case IOCTL_VIBE_ENABLE: changed = StoreFlag(&p->enableVibe, payload); break;
        case IOCTL_VIBE_LEVEL_1: changed = Store(&p->vibe[0], payload); break;
        case IOCTL_VIBE_LEVEL_2: changed = Store(&p->vibe[1], payload); break;
        case IOCTL_VIBE_LEVEL_3: changed = Store(&p->vibe[2], payload); break;
        case IOCTL_HEADPHONES_ENABLE: changed = StoreFlag(&p->enableHeadphones, payload); break;
        case IOCTL_HEADPHONES_3D_LEVEL: changed = Store(&p->headphonesLevel, payload); break;
        case IOCTL_SET_STATUS: changed = Store(&p->status, payload); break;
        case IOCTL_AUX_ENABLE: changed = StoreFlag(&p->enableAux, payload); break;
        case IOCTL_SOUNDFIELDS_LEVEL: changed = Store(&p->soundfields, payload); break;
        case IOCTL_SOUNDFIELDS_ENABLE: changed = StoreFlag(&p->enableSoundfields, payload); break;
        case IOCTL_MASTER_VOLUME: changed = Store(&p->masterGain, payload); break;
        default: return false;
    }
    if (changed) ++p->serial;
    return true;
}

}  // namespace fx
