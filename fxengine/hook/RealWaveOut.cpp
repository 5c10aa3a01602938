#include "RealWaveOut.h"

namespace fxengine {

RealWaveOut g_real;

namespace {

// FARPROC has no arguments; going through void(*)() says the cast is meant.
template <class Fn>
bool Look(HMODULE module, const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    return *out != nullptr;
}

}  // namespace

bool RealWaveOut::Resolve(HMODULE winmm) {
    return Look(winmm, "waveOutOpen", &open) && Look(winmm, "waveOutClose", &close) &&
           Look(winmm, "waveOutPrepareHeader", &prepare) && Look(winmm, "waveOutUnprepareHeader", &unprepare) &&
           Look(winmm, "waveOutWrite", &write) && Look(winmm, "waveOutReset", &reset) &&
           Look(winmm, "waveOutBreakLoop", &breakLoop) && Look(winmm, "waveOutPause", &pause) &&
           Look(winmm, "waveOutRestart", &restart) && ResolveLoader();
}

bool RealWaveOut::ResolveLoader() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return Look(kernel, "LoadLibraryA", &loadLibraryA) && Look(kernel, "LoadLibraryW", &loadLibraryW) &&
           Look(kernel, "LoadLibraryExA", &loadLibraryExA) && Look(kernel, "LoadLibraryExW", &loadLibraryExW) &&
           Look(kernel, "GetProcAddress", &getProcAddress);
}

}  // namespace fxengine
