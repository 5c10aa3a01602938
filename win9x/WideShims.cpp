// The runtime (libgcc's thread primitives, the unwinder's object list, emulated
// thread-local storage, msvcrt's locale helper and rand_s) calls
// CreateSemaphoreW, GetModuleHandleW and LoadLibraryW. On Windows 95, 98 and ME both are stubs that fail: a
// mutex without its semaphore makes the runtime abort its program under
// contention. The binaries define the import entries themselves, so those
// calls land here and go to the ANSI functions every Windows has.
#include <windows.h>

namespace {

// A wide name as ANSI (the runtime passes none, or plain ASCII ones).
bool Narrow(LPCWSTR wide, char* out, int size) {
    return WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, nullptr, nullptr) > 0;
}

HANDLE WINAPI CreateSemaphoreAnsi(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum, LPCWSTR name) {
    char narrow[MAX_PATH];
    if (name && !Narrow(name, narrow, sizeof(narrow))) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    return CreateSemaphoreA(security, initial, maximum, name ? narrow : nullptr);
}

HMODULE WINAPI GetModuleHandleAnsi(LPCWSTR name) {
    char narrow[MAX_PATH];
    if (name && !Narrow(name, narrow, sizeof(narrow))) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return GetModuleHandleA(name ? narrow : nullptr);
}

HMODULE WINAPI LoadLibraryAnsi(LPCWSTR name) {
    char narrow[MAX_PATH];
    if (!name || !Narrow(name, narrow, sizeof(narrow))) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return LoadLibraryA(narrow);
}

}  // namespace

// The import entries by their decorated names, as the runtime refers to them.
extern "C" {
void* g_createSemaphoreW __asm__("__imp__CreateSemaphoreW@16") = reinterpret_cast<void*>(&CreateSemaphoreAnsi);
void* g_getModuleHandleW __asm__("__imp__GetModuleHandleW@4") = reinterpret_cast<void*>(&GetModuleHandleAnsi);
void* g_loadLibraryW __asm__("__imp__LoadLibraryW@4") = reinterpret_cast<void*>(&LoadLibraryAnsi);
}
