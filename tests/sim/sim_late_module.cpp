// A library the engine tests load after the hook is set: it imports
// waveOutWrite like any program's module and says what its import table holds.
// Its DllMain makes a window and loads a library, as some plug-ins do: both
// under the loader's lock, where the engine's hooks and wrappers must not wait
// for a lock a loading thread holds.
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

extern "C" __declspec(dllexport) void* WINAPI LateModuleWaveOutWrite() {
    return reinterpret_cast<void*>(&waveOutWrite);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    if (HWND w = CreateWindowA("STATIC", "late", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr))
        DestroyWindow(w);
    if (HMODULE m = LoadLibraryA("msacm32.dll")) FreeLibrary(m);
    return TRUE;
}
