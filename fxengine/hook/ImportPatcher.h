// Redirects imported functions in the modules of the current process: every
// import address table entry that holds a function's real address gets the
// replacement instead. Matching by address catches imports by name, by
// ordinal and bound ones alike.
#pragma once

#include <windows.h>

#include <stddef.h>

#include "ModuleList.h"

namespace fxengine {

struct ImportRedirect {
    void* from;
    void* to;
};

class ImportPatcher {
public:
    // Every module loaded now except `skip`; returns the number of entries changed.
    static int PatchAll(HMODULE skip, const ImportRedirect* redirects, size_t count);
    // One module's import table.
    static int PatchModule(HMODULE module, const ImportRedirect* redirects, size_t count);
    // What a load can have brought: the module loaded and, once each, the
    // modules it imports from, theirs and so on, however many (the loader's
    // lookups: never under an engine lock).
    static ModuleList Brought(HMODULE loaded);
    // Those modules' tables, each inside a fault guard (winmm, its drivers
    // and dsound left alone); returns the number of entries changed.
    static int PatchSome(const ModuleList& modules, const ImportRedirect* redirects, size_t count);

private:
    // winmm, its drivers or dsound: modules whose calls are never taken.
    static bool IsSoundSystem(HMODULE module);
    static bool IsImage(const MEMORY_BASIC_INFORMATION& info);
    static bool WriteEntry(void** entry, void* value);
};

}  // namespace fxengine
