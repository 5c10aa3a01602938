// A library the engine tests load after the hook is set: it imports
// waveOutWrite like any program's module and says what its import table holds.
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

extern "C" __declspec(dllexport) void* WINAPI LateModuleWaveOutWrite() {
    return reinterpret_cast<void*>(&waveOutWrite);
}
