// The shipped library: nobody listens, nothing objects to unloading.
#include "HookTrace.h"

namespace fxengine {

void HookTrace_Call(const char*, bool, DWORD) {}
void HookTrace_Ioctl(DWORD, const void*, DWORD) {}
void HookTrace_Prepare() {}
bool HookTrace_MayUnload() {
    return true;
}
void HookTrace_Fed() {}

}  // namespace fxengine
