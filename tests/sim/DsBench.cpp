// dsound_bench.exe: DirectSound through the engine against without it.
//   bench dsound-vs-plain: processor time of this process streaming 30 s of
//     44.1 kHz 16-bit stereo through a looping 1 s buffer (100 ms pieces at
//     its own offsets), with the engine at every level 0 against without;
//   note dsound-at-11-vs-plain: the same at every level 11;
//   bench dsound-memory: the private memory a game's sounds take (200 static
//     effects of 1 s, each played and stopped, 4 looping streams of 1 s
//     playing), with the engine at every level 0 against without;
//   note dsound-memory-at-11: the same at every level 11 (each effect then
//     keeps the program's own sound beside the rendering it plays).
// The engine comes in as a console's hook call brings it. Nothing is
// asserted; a figure that could not be measured, or a run whose objects the
// engine did not take, exits non-zero.
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

#include "tests/common/TestSignal.h"
#include "tests/sim/BenchEngine.h"

namespace {

constexpr DWORD kRate = 44100, kBlock = 4, kBytes = kRate * kBlock, kPiece = kBytes / 10, kSeconds = 30;
constexpr int kEffects = 200, kStreams = 4;

using bench::ProcessSeconds;

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

// One second of the test signal, made once: the program's own work stays
// small beside what is measured (an emulated x87 makes the signal slow).
const std::string& Signal() {
    static const std::string signal = [] {
        std::string s(kBytes, '\0');
        testsignal::Fill(&s[0], kBytes, 0, kRate, 2, 16);
        return s;
    }();
    return signal;
}

// Writes `bytes` of the signal from its byte `from` on (round the second).
bool Write(IDirectSoundBuffer* b, DWORD offset, DWORD bytes, DWORD from) {
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(b->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0))) return false;
    const std::string& signal = Signal();
    const auto copy = [&](void* to, DWORD n, DWORD at) {
        for (DWORD done = 0; done < n;) {
            const DWORD s = (at + done) % kBytes, run = n - done < kBytes - s ? n - done : kBytes - s;
            memcpy(static_cast<char*>(to) + done, signal.data() + s, run);
            done += run;
        }
    };
    copy(p1, n1, from);
    if (p2) copy(p2, n2, from + n1);
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
    const DWORD began = timeGetTime();  // a game's clock (it brings winmm, as dsound does on Windows)
    unsigned long long written = kBytes / 2, played = 0;
    DWORD last = 0;
    ok = ok && SUCCEEDED(b->Play(0, 0, DSBPLAY_LOOPING));
    while (ok && played < static_cast<unsigned long long>(kSeconds) * kBytes) {
        DWORD play = 0;
        ok = SUCCEEDED(b->GetCurrentPosition(&play, nullptr));
        played += (play + kBytes - last) % kBytes;
        last = play;
        if (written - played < kBytes / 2) {
            ok = ok && Write(b, static_cast<DWORD>(written % kBytes), kPiece, static_cast<DWORD>(written % kBytes));
            written += kPiece;
        }
        Sleep(5);
    }
    *cpu = ProcessSeconds() - start;
    fprintf(stderr, "dsound_bench: streamed in %.1f s, %.1f s of processor time\n", (timeGetTime() - began) / 1000.0,
            *cpu);
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
        const bool effect = i < kEffects;
        IDirectSoundBuffer* b = MakeBuffer(ds, effect ? DSBCAPS_STATIC : 0);
        ok = b && Write(b, 0, kBytes, static_cast<DWORD>(i) * 1000 * kBlock) &&
             SUCCEEDED(b->Play(0, 0, effect ? 0 : DSBPLAY_LOOPING));
        // A short sound ends soon: two hundred at once would be all the mixer does.
        if (ok && effect) b->Stop();
        if (b) held.push_back(b);
    }
    *megabytes = PrivateMegabytes() - before;
    fprintf(stderr, "dsound_bench: loaded, %.1f MB\n", *megabytes);
    for (IDirectSoundBuffer* b : held) b->Release();
    ds->Release();
    return ok;
}

// The first entry of a DirectSound object's table: the engine's objects have their own.
void* Table() {
    IDirectSound* ds = nullptr;
    if (FAILED(DirectSoundCreate(nullptr, &ds, nullptr))) return nullptr;
    void* table = *reinterpret_cast<void**>(ds);
    ds->Release();
    return table;
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
    double plain = 0, zero = 0, eleven = 0, plainMb = 0, zeroMb = 0, elevenMb = 0;
    void* const plainTable = window ? Table() : nullptr;
    if (!plainTable || !Stream(window, &plain) || !Load(window, &plainMb)) {
        fprintf(stderr, "dsound_bench: no DirectSound\n");
        return 1;
    }
    const bench::HookLibrary hook(BENCH_WAVHOK, "dsound_bench");
    if (!hook.Ready()) return 1;
    hook.set();
    // A game started while Korvane runs: the engine comes in with its first window.
    window = CreateWindowA("dsound_bench", "dsound_bench game", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
    if (!window || Table() == plainTable) {
        fprintf(stderr, "dsound_bench: the engine did not take this process's DirectSound\n");
        hook.unset();
        return 1;
    }
    hook.Levels(0.0f);
    const bool atZero = Stream(window, &zero) && Load(window, &zeroMb);
    hook.Levels(1.0f);
    const bool atEleven = Stream(window, &eleven) && Load(window, &elevenMb);
    hook.unset();
    if (!atZero || !atEleven || plain <= 0 || plainMb <= 0) {
        fprintf(stderr, "dsound_bench: a run failed or took nothing measurable\n");
        return 1;
    }
    printf("bench dsound-vs-plain: %.2fx (%.0f ms vs %.0f ms of processor time streaming %lu s, every level at 0)\n",
           zero / plain, zero * 1000, plain * 1000, kSeconds);
    printf("note dsound-at-11-vs-plain: %.2fx (%.0f ms vs %.0f ms, every level at 11)\n", eleven / plain, eleven * 1000,
           plain * 1000);
    printf(
        "bench dsound-memory: %.2fx (%.1f MB vs %.1f MB for %d static effects and %d streams of 1 s, every level at "
        "0)\n",
        zeroMb / plainMb, zeroMb, plainMb, kEffects, kStreams);
    printf("note dsound-memory-at-11: %.2fx (%.1f MB vs %.1f MB, every level at 11)\n", elevenMb / plainMb, elevenMb,
           plainMb);
    return 0;
}
