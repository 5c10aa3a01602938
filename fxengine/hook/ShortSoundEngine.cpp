#include "ShortSoundEngine.h"

#include "EngineShared.h"
#include "RealWaveOut.h"
#include "ShortSoundPlayer.h"
#include "SoundSource.h"
#include "fx/FxFormat.h"
#include "fxengine/shortsound/SoundRequest.h"
#include "fxengine/shortsound/WaveImage.h"
#include "fxengine/stream/WaveFormat.h"

namespace fxengine {

struct ShortSoundEngine::Call {
    int entry;  // kPlayA ...
    const void* sound;
    HMODULE module;
    DWORD flags;  // as the program gave them
};

namespace {

enum { kPlayA, kPlayW, kSndA, kSndW, kEntries };

typedef BOOL(WINAPI* PlayFn)(const void*, HMODULE, DWORD);
typedef BOOL(WINAPI* SndFn)(const void*, UINT);

void* volatile g_entries[kEntries];
// winmm's older name for PlaySoundA, where it is an entry of its own.
void* volatile g_plain = nullptr;
// The system may be playing a sound it was handed asynchronously: the
// engine's next sound stops it first, as the system's next sound would.
volatile LONG g_systemMayPlay = 0;

template <class Fn>
void* Address(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

const char* const kNames[kEntries] = {"PlaySoundA", "PlaySoundW", "sndPlaySoundA", "sndPlaySoundW"};

bool Wide(int entry) {
    return entry == kPlayW || entry == kSndW;
}

// A wide name as the process's code page has it; false when a character has no equal there.
bool Narrow(const void* wide, char* out, int size) {
    BOOL lossy = FALSE;
    return WideCharToMultiByte(CP_ACP, 0, static_cast<LPCWSTR>(wide), -1, out, size, nullptr, &lossy) > 0 && !lossy;
}

}  // namespace

void ShortSoundEngine::Resolve(HMODULE winmm) {
    for (int i = 0; i < kEntries; ++i)
        g_entries[i] = reinterpret_cast<void*>(reinterpret_cast<void (*)()>(ExportedEntry(winmm, kNames[i])));
    g_plain = reinterpret_cast<void*>(reinterpret_cast<void (*)()>(ExportedEntry(winmm, "PlaySound")));
}

int ShortSoundEngine::Redirects(ImportRedirect* out) {
    void* const ours[kEntries] = {Address(&PlayA), Address(&PlayW), Address(&SndA), Address(&SndW)};
    int n = 0;
    for (int i = 0; i < kEntries; ++i)
        if (g_entries[i]) out[n++] = {g_entries[i], ours[i]};
    if (g_plain && g_plain != g_entries[kPlayA] && g_entries[kPlayA]) out[n++] = {g_plain, Address(&PlayA)};
    return n;
}

FARPROC ShortSoundEngine::Replace(FARPROC real) {
    ImportRedirect redirects[kRedirects];
    const int n = Redirects(redirects);
    for (int i = 0; i < n; ++i)
        if (Address(real) == redirects[i].from)
            return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(redirects[i].to));
    return nullptr;
}

BOOL ShortSoundEngine::Real(const Call& c) {
    void* entry = g_entries[c.entry];
    if (c.entry == kPlayA || c.entry == kPlayW) return reinterpret_cast<PlayFn>(entry)(c.sound, c.module, c.flags);
    return reinterpret_cast<SndFn>(entry)(c.sound, c.flags);
}

BOOL ShortSoundEngine::Pass(const Call& c, DWORD flags) {
    // The system's sound stops the engine's, as it stops its own.
    if (ShortSoundPlayer::Playing()) {
        if (flags & snd::kNoStop) return FALSE;
        ShortSoundPlayer::Stop();
    }
    const BOOL played = Real(c);
    // A refused call changed nothing; one that stopped or played to its end leaves nothing playing.
    const bool starts = c.sound && !(flags & snd::kPurge) && (flags & snd::kAsync);
    if (played) InterlockedExchange(&g_systemMayPlay, starts ? 1 : 0);
    return played;
}

BOOL ShortSoundEngine::Take(const Call& c) {
    const DWORD flags = c.entry == kSndA || c.entry == kSndW ? SoundRequest_FromSnd(c.flags) : c.flags;
    // Refused at once while the engine's sound plays, as the system refuses while its own does.
    if ((flags & snd::kNoStop) && ShortSoundPlayer::Playing()) return FALSE;
    const SoundDecision d = SoundRequest_Decide(flags, c.sound != nullptr);
    // Windows 95, 98 and ME only stub the wide entries: they fail as they did.
    const bool stub = Wide(c.entry) && (GetVersion() & 0x80000000);
    if (d.action != SoundAction::Play || stub || !EngineShared::Present() ||
        ((flags & snd::kNoStop) && g_systemMayPlay))
        return Pass(c, flags);

    const void* name = c.sound;
    char narrow[MAX_PATH];
    if (Wide(c.entry) && SoundRequest_IsString(d.kind, reinterpret_cast<uintptr_t>(c.sound))) {
        if (!Narrow(c.sound, narrow, sizeof(narrow))) return Pass(c, flags);
        name = narrow;
    }
    SoundBytes bytes = SoundSource::Load(d.kind, name, c.module, flags & snd::kNoDefault);
    WaveImage image;
    fx::FxFormat format;
    // Formats the effects do not take are the system's to convert and play.
    if (!bytes.Get() || !WaveImage_Parse(bytes.Get(), bytes.Size(), &image) ||
        image.formatBytes > ShortSoundPlayer::kMaxFormat ||
        !WaveFormat_ToFx(image.format, image.formatBytes, &format) || !fx::FxFormat_Supported(format))
        return Pass(c, flags);
    if (InterlockedExchange(&g_systemMayPlay, 0) && g_entries[kPlayA])
        reinterpret_cast<PlayFn>(g_entries[kPlayA])(nullptr, nullptr, 0);
    return ShortSoundPlayer::Play(static_cast<SoundBytes&&>(bytes), image, flags & snd::kAsync, flags & snd::kLoop,
                                  flags & snd::kNoStop);
}

BOOL WINAPI ShortSoundEngine::PlayA(LPCSTR sound, HMODULE module, DWORD flags) {
    return Take({kPlayA, sound, module, flags});
}

BOOL WINAPI ShortSoundEngine::PlayW(LPCWSTR sound, HMODULE module, DWORD flags) {
    return Take({kPlayW, sound, module, flags});
}

BOOL WINAPI ShortSoundEngine::SndA(LPCSTR sound, UINT flags) {
    return Take({kSndA, sound, nullptr, flags});
}

BOOL WINAPI ShortSoundEngine::SndW(LPCWSTR sound, UINT flags) {
    return Take({kSndW, sound, nullptr, flags});
}

}  // namespace fxengine
