#include "ImportPatcher.h"

#include "fault/FaultGuard.h"

namespace fxengine {

namespace {

bool EndsWith(const char* s, size_t n, const char* tail) {
    const size_t t = lstrlenA(tail);
    return n >= t && lstrcmpiA(s + n - t, tail) == 0;
}

}  // namespace

bool ImportPatcher::IsSoundSystem(HMODULE module) {
    // The module's own name, from its export table: no loader call, so this
    // may run under the engine's lock.
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD size = nt->OptionalHeader.SizeOfImage;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (!dir.VirtualAddress || dir.VirtualAddress + sizeof(IMAGE_EXPORT_DIRECTORY) > size) return false;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    if (!exports->Name || exports->Name >= size) return false;
    const char* name = reinterpret_cast<const char*>(base + exports->Name);
    size_t n = 0;
    while (n < 64 && exports->Name + n < size && name[n]) ++n;
    if (n == 64 || exports->Name + n >= size) return false;
    // winmm itself, its drivers (the NT wave mapper msacm32.drv, wdmaud.drv and
    // the like) and dsound, whose waveOut emulation plays buffers the
    // DirectSound path already processed: their calls are not the program's.
    return EndsWith(name, n, ".drv") || lstrcmpiA(name, "winmm.dll") == 0 || lstrcmpiA(name, "dsound.dll") == 0;
}

int ImportPatcher::PatchAll(HMODULE skip, const ImportRedirect* redirects, size_t count) {
    // The modules are found by walking the address space rather than asking
    // toolhelp, which is refused in some processes. Below 2 GB only: on
    // Windows 9x the system's own libraries above are shared by every process.
    int changed = 0;
    BYTE* p = reinterpret_cast<BYTE*>(0x10000);
    BYTE* const end = reinterpret_cast<BYTE*>(0x7FFF0000);
    MEMORY_BASIC_INFORMATION info;
    while (p < end && VirtualQuery(p, &info, sizeof(info)) == sizeof(info)) {
        BYTE* base = static_cast<BYTE*>(info.BaseAddress);
        // Anything may look like an image, and a module may go while we read
        // it: a fault ends the look at that one, not the program.
        auto patch = [&] {
            if (info.AllocationBase == info.BaseAddress && info.State == MEM_COMMIT && IsImage(info) &&
                reinterpret_cast<HMODULE>(base) != skip && !IsSoundSystem(reinterpret_cast<HMODULE>(base)))
                changed += PatchModule(reinterpret_cast<HMODULE>(base), redirects, count);
        };
        fault::FaultGuard::Call(patch);
        if (!info.RegionSize) break;
        p = base + info.RegionSize;
    }
    return changed;
}

ModuleList ImportPatcher::Brought(HMODULE loaded) {
    ModuleList out;
    out.Add(loaded);
    for (int at = 0; at < out.Size(); ++at) {
        // A table that cannot be read ends the look at that module.
        auto imports = [&] {
            const BYTE* base = reinterpret_cast<const BYTE*>(out[at]);
            const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
                base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
            const DWORD size = nt->OptionalHeader.SizeOfImage;
            const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
            if (!dir.VirtualAddress || dir.VirtualAddress >= size) return;
            for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
                 d->Name && d->Name < size; ++d)
                if (HMODULE m = GetModuleHandleA(reinterpret_cast<const char*>(base + d->Name))) out.Add(m);
        };
        fault::FaultGuard::Call(imports);
    }
    return out;
}

int ImportPatcher::PatchSome(const ModuleList& modules, const ImportRedirect* redirects, size_t count) {
    int changed = 0;
    for (int i = 0; i < modules.Size(); ++i) {
        auto patch = [&] {
            if (!IsSoundSystem(modules[i])) changed += PatchModule(modules[i], redirects, count);
        };
        fault::FaultGuard::Call(patch);
    }
    return changed;
}

bool ImportPatcher::IsImage(const MEMORY_BASIC_INFORMATION& info) {
    // Windows 9x leaves the type 0; elsewhere a loaded module is MEM_IMAGE.
    if (info.Type != MEM_IMAGE && info.Type != 0) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (!(info.Protect & readable) || (info.Protect & PAGE_GUARD) || info.RegionSize < sizeof(IMAGE_DOS_HEADER))
        return false;
    const auto* dos = static_cast<const IMAGE_DOS_HEADER*>(info.BaseAddress);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
        static_cast<SIZE_T>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS) > info.RegionSize)
        return false;
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(static_cast<const BYTE*>(info.BaseAddress) + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE;
}

int ImportPatcher::PatchModule(HMODULE module, const ImportRedirect* redirects, size_t count) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!base || dos->e_magic != IMAGE_DOS_SIGNATURE) return 0;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
    const DWORD size = nt->OptionalHeader.SizeOfImage;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress || !dir.Size || dir.VirtualAddress >= size) return 0;

    int changed = 0;
    auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; desc->Name && desc->FirstThunk; ++desc) {
        if (desc->FirstThunk >= size) break;
        void** slot = reinterpret_cast<void**>(base + desc->FirstThunk);
        for (; *slot; ++slot)
            for (size_t i = 0; i < count; ++i)
                if (*slot == redirects[i].from && redirects[i].from && WriteEntry(slot, redirects[i].to)) {
                    ++changed;
                    break;
                }
    }
    return changed;
}

bool ImportPatcher::WriteEntry(void** entry, void* value) {
    DWORD old = 0;
    // Some linkers put the table among the code: keep it executable where it was.
    if (!VirtualProtect(entry, sizeof(*entry), PAGE_EXECUTE_READWRITE, &old) &&
        !VirtualProtect(entry, sizeof(*entry), PAGE_READWRITE, &old))
        return false;
    // One aligned pointer store: a thread calling through it sees the old or the new entry.
    InterlockedExchange(reinterpret_cast<LONG*>(entry), reinterpret_cast<LONG>(value));
    DWORD ignored = 0;
    VirtualProtect(entry, sizeof(*entry), old, &ignored);
    return true;
}

}  // namespace fxengine
