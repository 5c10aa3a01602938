#include "SoundSource.h"

#include <string.h>

#include <utility>

#include "fault/FaultGuard.h"
#include "fxengine/shortsound/WaveImage.h"

namespace fxengine {
namespace {

// Short sounds: anything larger is left to the system.
constexpr DWORD kMaxBytes = 64u << 20;
constexpr int kPlaces = 3;

bool Absolute(const char* p) {
    return (p[0] && p[1] == ':' && (p[2] == '\\' || p[2] == '/')) || (p[0] == '\\' && p[1] == '\\');
}

// A scheme's value for the event (.Default or .Current): true when the key
// is there, with its default value (empty when it has none), expanded.
bool SchemeValue(HKEY event, const char* scheme, char* out, DWORD size) {
    HKEY key;
    if (RegOpenKeyExA(event, scheme, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    char raw[MAX_PATH];
    DWORD type = 0, bytes = sizeof(raw) - 1;
    out[0] = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(raw), &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        raw[bytes < sizeof(raw) ? bytes : sizeof(raw) - 1] = 0;
        if (type == REG_SZ)
            lstrcpynA(out, raw, size);
        else if (!ExpandEnvironmentStringsA(raw, out, size) || lstrlenA(out) >= static_cast<int>(size) - 1)
            out[0] = 0;
    }
    RegCloseKey(key);
    return true;
}

}  // namespace

SoundSource::Lookup SoundSource::AliasPath(const char* name, bool noDefault, char* path) {
    char found[kPlaces][MAX_PATH];
    int n = 0;
    char profile[MAX_PATH];
    GetProfileStringA("Sounds", name, "", profile, sizeof(profile));
    if (profile[0]) {
        if (char* comma = strchr(profile, ',')) *comma = 0;
        lstrcpynA(found[n++], profile, MAX_PATH);
    } else if (!noDefault) {
        // The profile's default sound would stand in: the system's own choice.
        GetProfileStringA("Sounds", "Default", "", profile, sizeof(profile));
        if (profile[0]) return Lookup::Unsure;
    }
    HKEY apps;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\.Default", 0, KEY_READ, &apps) == ERROR_SUCCESS) {
        HKEY event;
        if (RegOpenKeyExA(apps, name, 0, KEY_READ, &event) == ERROR_SUCCESS) {
            for (const char* scheme : {".Default", ".Current"})
                if (SchemeValue(event, scheme, found[n], MAX_PATH)) ++n;
            RegCloseKey(event);
        }
        RegCloseKey(apps);
    }
    if (n == 0) return Lookup::None;
    // Systems differ in which place counts first: only places that agree are certain.
    for (int i = 0; i < n; ++i)
        if (!found[i][0] || lstrcmpiA(found[i], found[0]) != 0) return Lookup::Unsure;
    if (!Absolute(found[0])) return Lookup::Unsure;
    lstrcpynA(path, found[0], MAX_PATH);
    return Lookup::Found;
}

SoundBytes SoundSource::ReadFile(const char* path, bool search) {
    // A '+' names a part of a compound file to the system's file layer.
    if (strchr(path, '+')) return SoundBytes();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE && search) {
        char full[MAX_PATH];
        char* part = nullptr;
        const DWORD n = SearchPathA(nullptr, path, nullptr, sizeof(full), full, &part);
        if (n && n < sizeof(full))
            file = CreateFileA(full, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) return SoundBytes();
    const DWORD size = GetFileSize(file, nullptr);
    SoundBytes bytes;
    if (size != INVALID_FILE_SIZE && size <= kMaxBytes) {
        SoundBytes read(size);
        DWORD got = 0;
        if (read.Get() && ::ReadFile(file, read.Get(), size, &got, nullptr) && got == size) bytes = std::move(read);
    }
    CloseHandle(file);
    return bytes;
}

SoundBytes SoundSource::FromResource(const void* name, HMODULE module) {
    HRSRC found = FindResourceA(module, static_cast<const char*>(name), "WAVE");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* image = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!image || !size || size > kMaxBytes) return SoundBytes();
    SoundBytes bytes(size);
    if (bytes.Get()) memcpy(bytes.Get(), image, size);
    return bytes;
}

SoundBytes SoundSource::FromMemory(const void* image) {
    // The program's memory says itself how long it is; a fault while reading
    // it leaves the sound to the system.
    size_t size = 0;
    auto measure = [&] { size = WaveImage_FormBytes(static_cast<const uint8_t*>(image)); };
    if (!fault::FaultGuard::Call(measure) || size < 12 || size > kMaxBytes) return SoundBytes();
    SoundBytes bytes(size);
    auto copy = [&] { memcpy(bytes.Get(), image, size); };
    if (!bytes.Get() || !fault::FaultGuard::Call(copy)) return SoundBytes();
    return bytes;
}

SoundBytes SoundSource::Load(SoundKind kind, const void* name, HMODULE module, bool noDefault) {
    const char* text = static_cast<const char*>(name);
    char path[MAX_PATH];
    switch (kind) {
        case SoundKind::File: return ReadFile(text, true);
        case SoundKind::Memory: return FromMemory(name);
        case SoundKind::Resource: return FromResource(name, module);
        case SoundKind::AliasId:
            text = SoundRequest_AliasIdName(reinterpret_cast<uintptr_t>(name));
            return text ? Load(SoundKind::Alias, text, module, noDefault) : SoundBytes();
        case SoundKind::Alias:
            return AliasPath(text, noDefault, path) == Lookup::Found ? ReadFile(path, false) : SoundBytes();
        case SoundKind::NameOrFile:
            // An event of that name first, then a file; the default only after both.
            switch (AliasPath(text, true, path)) {
                case Lookup::Found: return ReadFile(path, false);
                case Lookup::Unsure: return SoundBytes();
                case Lookup::None: return ReadFile(text, true);
            }
            return SoundBytes();
        default: return SoundBytes();
    }
}

}  // namespace fxengine
