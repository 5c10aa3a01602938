// A library the engine tests load after the hook is set: it imports
// waveOutWrite like any program's module and says what its import table holds.
// Its DllMain makes a window and loads a library, as some plug-ins do, and
// loads it again for each new thread: under the loader's lock, where the
// engine's hooks and its LoadLibrary entries must not wait for a lock that a
// thread making a loader call holds.
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

extern "C" __declspec(dllexport) void* WINAPI LateModuleWaveOutWrite() {
    return reinterpret_cast<void*>(&waveOutWrite);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        if (HWND w = CreateWindowA("STATIC", "late", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr))
            DestroyWindow(w);
    // Also for each new thread, through its import table as the engine left it.
    if (reason == DLL_PROCESS_ATTACH || reason == DLL_THREAD_ATTACH)
        if (HMODULE m = LoadLibraryA("msacm32.dll")) FreeLibrary(m);
    return TRUE;
}
