// An entry's address as a module exports it, read from its export table (not
// through GetProcAddress, which the engine may answer). Shared by the engine
// tests and their child program.
#pragma once

#include <windows.h>

#include <string.h>

inline void* ExportedAddress(HMODULE module, const char* name) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const DWORD* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const WORD* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    const DWORD* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        if (strcmp(reinterpret_cast<const char*>(base + names[i]), name) == 0)
            return const_cast<BYTE*>(base + functions[ordinals[i]]);
    return nullptr;
}
