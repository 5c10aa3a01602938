#include "RealWaveOut.h"

namespace fxengine {

RealWaveOut g_real;

namespace {

// FARPROC has no arguments; going through void(*)() says the cast is meant.
template <class Fn>
bool Look(HMODULE module, const char* name, Fn* out) {
    *out = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(ExportedEntry(module, name)));
    return *out != nullptr;
}

}  // namespace

FARPROC ExportedEntry(HMODULE module, const char* name) {
    if (!module) return nullptr;
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || nt->Signature != IMAGE_NT_SIGNATURE || !dir.VirtualAddress)
        return GetProcAddress(module, name);
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const DWORD* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const WORD* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    const DWORD* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        if (lstrcmpA(reinterpret_cast<const char*>(base + names[i]), name) != 0) continue;
        if (ordinals[i] >= exports->NumberOfFunctions) return nullptr;
        const DWORD rva = functions[ordinals[i]];
        if (rva >= dir.VirtualAddress && rva < dir.VirtualAddress + dir.Size) return GetProcAddress(module, name);
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(const_cast<BYTE*>(base + rva)));
    }
    return nullptr;
}

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
