// The player's short-sound family (api=playsound): a window program playing
// its sound the ways programs play theirs, as a WAV file it writes first
// (the known signal, 16-bit stereo).
//
//   korvplay.exe api=playsound kind=file|snd|wide|memory|alias|resource|loop
//                [rate=11025] [frames=2756] [sync=NAME] [replace=1]
//
// Kinds but loop may be listed, joined by commas: each plays once the one
// before ended and the test, told through NAME.wrote, said NAME.go (each
// device opened starts the test's capture over).
//   file    PlaySound(file, SND_FILENAME | SND_SYNC)
//   snd     sndPlaySound(name, SND_ASYNC), the file beside the program and
//           named without a folder, the working folder elsewhere (found on
//           the search path, as a program's own sounds are)
//   wide    PlaySoundW(file, SND_FILENAME | SND_SYNC)
//   memory  PlaySound(image, SND_MEMORY | SND_ASYNC)
//   alias   PlaySound(event, SND_ALIAS | SND_NODEFAULT), the event
//           registered as an installer registers a program's sounds
//   resource PlaySound(name, module, SND_RESOURCE | SND_ASYNC), the sound a
//           WAVE resource of a module (a copy of this program it is added
//           to, loaded as data, as resource-only libraries are)
//   loop    PlaySound(file, SND_FILENAME | SND_ASYNC | SND_LOOP); once the
//           test says go (NAME.wrote, NAME.go), a SND_NOSTOP sound must be
//           refused, and PlaySound(NULL) stops the loop (replace=1: a
//           sound without SND_NOSTOP replaces it and plays once)
// An asynchronous sound is waited for as long as one plays: a sound asked
// with SND_NOSTOP and no name is refused only then. Each call must answer
// as documented (TRUE, or FALSE where refused).
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Args.h"
#include "Player.h"
#include "tests/common/TestSignal.h"

namespace {

const char* const kEvent = "KorvplayChime";
const char* const kResource = "KORVPLAYCHIME";
const char* const kEventKey = "AppEvents\\Schemes\\Apps\\.Default\\KorvplayChime";

void Put32(std::vector<char>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>(v >> (8 * i)));
}

std::vector<char> WaveImage(DWORD rate, DWORD frames) {
    const WAVEFORMATEX fmt = PcmFormat(rate, 2, 16);
    const DWORD data = frames * fmt.nBlockAlign;
    std::vector<char> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    Put32(&out, 4 + 8 + 16 + 8 + data);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(&out, 16);
    const char* format = reinterpret_cast<const char*>(&fmt);
    out.insert(out.end(), format, format + 16);  // the PCM fields, without cbSize
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(&out, data);
    const size_t at = out.size();
    out.resize(at + data);
    testsignal::Fill(&out[at], data, 0, rate, 2, 16);
    return out;
}

bool WriteFile(const std::string& path, const std::vector<char>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool SetDefault(const std::string& key, const std::string& value) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

// The event's sound in the scheme, as a program's installer writes it.
bool RegisterEvent(const std::string& path) {
    return SetDefault(kEventKey, "Korvplay chime") && SetDefault(std::string(kEventKey) + "\\.Current", path) &&
           SetDefault(std::string(kEventKey) + "\\.Default", path);
}

void UnregisterEvent() {
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kEventKey) + "\\.Current").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kEventKey) + "\\.Default").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kEventKey);
}

// A copy of this program with the sound as a WAVE resource, loaded as data.
HMODULE ResourceModule(const std::string& path, const std::vector<char>& image) {
    char self[MAX_PATH];
    if (!GetModuleFileNameA(nullptr, self, sizeof self) || !CopyFileA(self, path.c_str(), FALSE)) return nullptr;
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update) return nullptr;
    const bool added = UpdateResourceA(update, "WAVE", kResource, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                       const_cast<char*>(image.data()), static_cast<DWORD>(image.size())) != FALSE;
    if (!EndUpdateResourceA(update, !added) || !added) return nullptr;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

// Tells the test through NAME.wrote, and waits for NAME.go.
bool Handover(const std::string& sync) {
    HANDLE wrote = CreateEventA(nullptr, FALSE, FALSE, (sync + ".wrote").c_str());
    HANDLE go = CreateEventA(nullptr, FALSE, FALSE, (sync + ".go").c_str());
    SetEvent(wrote);
    const bool went = Pump([go] { return WaitForSingleObject(go, 0) == WAIT_OBJECT_0; }, 120000);
    CloseHandle(wrote);
    CloseHandle(go);
    return went;
}

bool Quiet() {
    return PlaySoundA(nullptr, nullptr, SND_NOSTOP) != FALSE;
}

int Play(const std::string& kind, const std::string& path, const std::vector<char>& image, const std::string& sync,
         HMODULE module, bool replace) {
    if (kind == "file") return PlaySoundA(path.c_str(), nullptr, SND_FILENAME | SND_SYNC) ? kOk : Fail(kSound, "file");
    if (kind == "wide") {
        const std::wstring wide(path.begin(), path.end());  // the temporary folder's name is plain ASCII here
        return PlaySoundW(wide.c_str(), nullptr, SND_FILENAME | SND_SYNC) ? kOk : Fail(kSound, "wide");
    }
    if (kind == "alias") {
        const BOOL played = PlaySoundA(kEvent, nullptr, SND_ALIAS | SND_NODEFAULT | SND_SYNC);
        return played ? kOk : Fail(kSound, "alias");
    }
    BOOL started = FALSE;
    if (kind == "snd") started = sndPlaySoundA(path.substr(path.rfind('\\') + 1).c_str(), SND_ASYNC);
    if (kind == "memory") started = PlaySoundA(image.data(), nullptr, SND_MEMORY | SND_ASYNC);
    if (kind == "resource") started = PlaySoundA(kResource, module, SND_RESOURCE | SND_ASYNC);
    if (kind == "loop") started = PlaySoundA(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP);
    if (!started) return Fail(kSound, "not started");
    if (kind == "loop") {
        if (!Handover(sync)) return Fail(kSync, "no go");
        if (PlaySoundA(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NOSTOP))
            return Fail(kStop, "a SND_NOSTOP sound replaced the loop");
        if (replace) {
            if (!PlaySoundA(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC)) return Fail(kSound, "replacement");
            return Pump(&Quiet, 120000) ? kOk : Fail(kStop, "the loop went on after it was replaced");
        }
        if (!PlaySoundA(nullptr, nullptr, 0)) return Fail(kStop, "PlaySound(NULL) failed");
        if (!Quiet()) return Fail(kStop, "the loop still plays after PlaySound(NULL)");
        return kOk;
    }
    return Pump(&Quiet, 120000) ? kOk : Fail(kTimeout, "the sound did not end");
}

// One kind: its file (and event, or resource) made for it and taken away after.
int PlayKind(const std::string& kind, const char* self, const char* dir, const std::vector<char>& image,
             const std::string& sync, bool replace) {
    char path[MAX_PATH];
    if (!GetTempFileNameA(kind == "snd" ? self : dir, "kpl", 0, path)) return Fail(kArguments, "no sound file name");
    if (!WriteFile(path, image)) return Fail(kArguments, "cannot write the sound file");
    if (kind == "alias" && !RegisterEvent(path)) return Fail(kArguments, "cannot register the event");
    const std::string copy = std::string(path) + ".exe";
    HMODULE module = kind == "resource" ? ResourceModule(copy, image) : nullptr;
    if (kind == "resource" && !module) return Fail(kArguments, "cannot make the resource");
    const int code = Play(kind, path, image, sync, module, replace);
    if (kind == "alias") UnregisterEvent();
    if (module) FreeLibrary(module);
    DeleteFileA(copy.c_str());
    DeleteFileA(path);
    return code;
}

}  // namespace

int PlayShortSound(Args& args) {
    const std::string kinds = args.Text("kind", "file") + ",", sync = args.Text("sync", "");
    const DWORD rate = args.Number("rate", 11025), frames = args.Number("frames", 2756);
    const bool replace = args.Number("replace", 0) != 0;
    std::vector<std::string> list;
    for (size_t at = 0, comma; (comma = kinds.find(',', at)) != std::string::npos; at = comma + 1) {
        list.push_back(kinds.substr(at, comma - at));
        if (std::string(",file,snd,wide,memory,alias,resource,").find("," + list.back() + ",") == std::string::npos &&
            kinds != "loop,")
            return Fail(kArguments, "unknown kind, or a loop among others");
    }
    if (!args.AllRead() || !frames || (sync.empty() && (list.size() > 1 || kinds == "loop,")))
        return Fail(kArguments, "bad playsound words");
    MakeWindow("korvplaySound", DefWindowProcA);
    char dir[MAX_PATH], self[MAX_PATH];
    if (!GetTempPathA(sizeof(dir), dir) || !SetCurrentDirectoryA(dir)) return Fail(kArguments, "no temp folder");
    // Beside the program for snd (other test sessions may play beside it: a name of its own).
    char* slash = GetModuleFileNameA(nullptr, self, sizeof self) ? strrchr(self, '\\') : nullptr;
    if (!slash) return Fail(kArguments, "no program folder");
    *slash = '\0';
    const std::vector<char> image = WaveImage(rate, frames);
    for (size_t i = 0; i < list.size(); ++i) {
        if (const int code = PlayKind(list[i], self, dir, image, sync, replace)) return code;
        if (i + 1 < list.size() && !Handover(sync)) return Fail(kSync, "no go");
    }
    return kOk;
}
