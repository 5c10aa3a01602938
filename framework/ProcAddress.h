// A typed export lookup: null when the module lacks the export.
#pragma once

#include <windows.h>

template <class F>
F GetProcAs(HMODULE module, const char* name) {
    // Through a generic function pointer: FARPROC's own type says nothing
    // about the export's signature.
    return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}
