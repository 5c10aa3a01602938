// dsound_bench.exe: DirectSound through the engine against without it.
//   bench dsound-vs-plain: processor time of this process streaming 30 s of
//     44.1 kHz 16-bit stereo through a looping 1 s buffer (100 ms pieces at
//     its own offsets), with the engine at every level 0 against without;
//   note dsound-at-11-vs-plain: the same at every level 11;
//   bench dsound-memory: the process's private memory with a game's sounds
//     loaded (200 static effects of 1 s, 4 looping streams of 1 s, all
//     played once), with the engine against without.
// The engine comes in as a console's hook call brings it. Nothing is
// asserted; a figure that could not be measured exits non-zero.
#include <windows.h>
// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>
#include <psapi.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "engine/ControlCodes.h"
#include "tests/common/TestSignal.h"

namespace {

constexpr DWORD kRate = 44100, kBlock = 4, kBytes = kRate * kBlock, kPiece = kBytes / 10, kSeconds = 30;
constexpr int kEffects = 200, kStreams = 4;

using VoidFn = DWORD(WINAPI*)();
using IoCtlFn = DWORD(WINAPI*)(DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD);

double ProcessSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

double PrivateMegabytes() {
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof(c);
    GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof(c));
    return c.PagefileUsage / 1048576.0;
}

IDirectSoundBuffer* MakeBuffer(IDirectSound* ds, DWORD flags) {
    WAVEFORMATEX f = {WAVE_FORMAT_PCM, 2, kRate, kRate * kBlock, kBlock, 16, 0};
    DSBUFFERDESC d = {};
    d.dwSize = sizeof(d);
    d.dwFlags = flags | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    d.dwBufferBytes = kBytes;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    return SUCCEEDED(ds->CreateSoundBuffer(&d, &b, nullptr)) ? b : nullptr;
}

bool Write(IDirectSoundBuffer* b, DWORD offset, DWORD bytes, DWORD first) {
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(b->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0))) return false;
    std::string data(bytes, '\0');
    testsignal::Fill(&data[0], bytes, first, kRate, 2, 16);
    memcpy(p1, data.data(), n1);
    if (p2) memcpy(p2, data.data() + n1, n2);
    return SUCCEEDED(b->Unlock(p1, n1, p2, n2));
}

// Streams kSeconds through one looping buffer, as a game's music does.
bool Stream(HWND window, double* cpu) {
    IDirectSound* ds = nullptr;
    if (FAILED(DirectSoundCreate(nullptr, &ds, nullptr))) return false;
    ds->SetCooperativeLevel(window, DSSCL_PRIORITY);
    IDirectSoundBuffer* b = MakeBuffer(ds, 0);
    bool ok = b && Write(b, 0, kBytes / 2, 0);
    const double start = ProcessSeconds();
    unsigned long long written = kBytes / 2, played = 0;
    DWORD last = 0;
    ok = ok && SUCCEEDED(b->Play(0, 0, DSBPLAY_LOOPING));
    while (ok && played < static_cast<unsigned long long>(kSeconds) * kBytes) {
        DWORD play = 0;
        ok = SUCCEEDED(b->GetCurrentPosition(&play, nullptr));
        played += (play + kBytes - last) % kBytes;
        last = play;
        if (written - played < kBytes / 2) {
            ok = ok && Write(b, static_cast<DWORD>(written % kBytes), kPiece, static_cast<DWORD>(written / kBlock));
            written += kPiece;
        }
        Sleep(5);
    }
    *cpu = ProcessSeconds() - start;
    if (b) b->Release();
    ds->Release();
    return ok;
}

// A game's sounds: loaded, each played once, held.
bool Load(HWND window, double* megabytes) {
    IDirectSound* ds = nullptr;
    if (FAILED(DirectSoundCreate(nullptr, &ds, nullptr))) return false;
    ds->SetCooperativeLevel(window, DSSCL_PRIORITY);
    const double before = PrivateMegabytes();
    std::vector<IDirectSoundBuffer*> held;
    bool ok = true;
    for (int i = 0; i < kEffects + kStreams && ok; ++i) {
        IDirectSoundBuffer* b = MakeBuffer(ds, i < kEffects ? DSBCAPS_STATIC : 0);
        ok = b && Write(b, 0, kBytes, i * 1000) && SUCCEEDED(b->Play(0, 0, i < kEffects ? 0 : DSBPLAY_LOOPING));
        if (b) held.push_back(b);
    }
    *megabytes = PrivateMegabytes() - before;
    for (IDirectSoundBuffer* b : held) b->Release();
    ds->Release();
    return ok;
}

void Send(IoCtlFn ioctl, DWORD code, DWORD bits) {
    DWORD returned = 0;
    ioctl(code, &bits, 4, nullptr, 0, &returned);
}
void SendFloat(IoCtlFn ioctl, DWORD code, float value) {
    DWORD bits;
    memcpy(&bits, &value, 4);
    Send(ioctl, code, bits);
}

// Every effect on, each level at `level` (0 or 1, the knobs' 0 and 11), headphones off.
void Levels(IoCtlFn ioctl, float level) {
    Send(ioctl, IOCTL_HEADPHONES_ENABLE, 0);
    Send(ioctl, IOCTL_3D_ENABLE, 1);
    SendFloat(ioctl, IOCTL_3D_LEVEL, level);
    SendFloat(ioctl, IOCTL_3D_LEVEL_SCALED, level * 0.125f);
    for (DWORD code : {IOCTL_VIBE_LEVEL_2, IOCTL_VIBE_LEVEL_3, IOCTL_VIBE_LEVEL_1}) SendFloat(ioctl, code, level);
    SendFloat(ioctl, IOCTL_SOUNDFIELDS_LEVEL, level);
    Send(ioctl, IOCTL_VIBE_ENABLE, 1);
    Send(ioctl, IOCTL_SOUNDFIELDS_ENABLE, 1);
}

}  // namespace

int main() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "dsound_bench";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("dsound_bench", "dsound_bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                wc.hInstance, nullptr);
    double plain = 0, zero = 0, eleven = 0, plainMb = 0, oursMb = 0;
    if (!window || !Stream(window, &plain) || !Load(window, &plainMb)) {
        fprintf(stderr, "dsound_bench: no DirectSound\n");
        return 1;
    }
    std::string path = std::string("Z:") + BENCH_WAVHOK;
    for (char& c : path)
        if (c == '/') c = '\\';
    HMODULE hook = LoadLibraryA(path.c_str());
    const auto entry = [hook](const char* name) { return reinterpret_cast<void (*)()>(GetProcAddress(hook, name)); };
    const auto set = reinterpret_cast<VoidFn>(entry("QuorWav9xHook"));
    const auto unset = reinterpret_cast<VoidFn>(entry("QuorWav9xUnHook"));
    const auto ioctl = reinterpret_cast<IoCtlFn>(entry("QuorWav9xIoCtl"));
    if (!hook || !set || !unset || !ioctl) {
        fprintf(stderr, "dsound_bench: no wave hook library at %s\n", path.c_str());
        return 1;
    }
    set();
    Levels(ioctl, 0.0f);
    const bool streamed = Stream(window, &zero) && Load(window, &oursMb);
    Levels(ioctl, 1.0f);
    const bool eleventh = Stream(window, &eleven);
    unset();
    if (!streamed || !eleventh || plain <= 0 || plainMb <= 0) {
        fprintf(stderr, "dsound_bench: a run failed or took nothing measurable\n");
        return 1;
    }
    printf("bench dsound-vs-plain: %.2fx (%.0f ms vs %.0f ms of processor time streaming %lu s, every level at 0)\n",
           zero / plain, zero * 1000, plain * 1000, kSeconds);
    printf("note dsound-at-11-vs-plain: %.2fx (%.0f ms vs %.0f ms, every level at 11)\n", eleven / plain, eleven * 1000,
           plain * 1000);
    printf("bench dsound-memory: %.2fx (%.1f MB vs %.1f MB for %d static effects and %d streams of 1 s)\n",
           oursMb / plainMb, oursMb, plainMb, kEffects, kStreams);
    return 0;
}
