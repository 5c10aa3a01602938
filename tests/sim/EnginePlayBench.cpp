// engine_play_bench.exe: processor time of a player playing 20 s of
// 44.1 kHz 16-bit stereo through waveOut (making its sound as it goes, as a
// decoder does) with the wave hook's engine in the process and every level
// at 0, against the same player in a process of its own that the engine never
// entered (`engine_play_bench plain`, started with the hooks off). Five pairs,
// alternating which goes first, so a machine that gets busier or quieter
// weighs on both alike; the median pair. Then one play with every level at
// 11, and three pairs of the same player with its sound made beforehand:
// under Wine making it is most of the player's time, which hides what the
// engine costs against playing alone. Prints
//   bench engine-vs-plain: <ratio>x (...)
//   note engine-vs-plain-pairs: <each pair's ratio> (...)
//   note engine-at-11-vs-plain: <ratio>x (...)
//   note engine-vs-bare-playing: <ratio>x (...)
// Nothing is asserted; a figure that could not be measured exits non-zero.
//   engine_play_bench hooks   instead: processor time of a window program
//   without winmm (sim_probe hookcost) handling 100,000 messages with the
//   engine's hooks set against without; prints
//   bench hook-cost: <ratio>x (...)
#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/common/Median.h"
#include "tests/common/TestSignal.h"
#include "tests/sim/BenchEngine.h"

namespace {

constexpr DWORD kRate = 44100, kBlock = 4, kFrames = 4410, kBuffers = 8, kSeconds = 20;
constexpr int kPairs = 5, kBarePairs = 3;

using bench::ProcessSeconds;
using VoidFn = bench::HookLibrary::VoidFn;

// The whole clip, made once before any play that takes it.
const std::string& Clip() {
    static std::string clip;
    if (clip.empty()) {
        clip.resize(kSeconds * kRate * kBlock);
        testsignal::Fill(&clip[0], clip.size(), 0, kRate, 2, 16);
    }
    return clip;
}

// Plays kSeconds of the test signal the way a plain player does, making it
// as it goes, or (`bare`) copying it from the clip made beforehand; false
// when the device failed.
bool Play(double* cpu, bool bare) {
    const char* clip = bare ? Clip().data() : nullptr;
    WAVEFORMATEX f = {WAVE_FORMAT_PCM, 2, kRate, kRate * kBlock, kBlock, 16, 0};
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT out = nullptr;
    if (waveOutOpen(&out, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR)
        return false;
    std::vector<std::string> data(kBuffers, std::string(kFrames * kBlock, '\0'));
    std::vector<WAVEHDR> headers(kBuffers);
    const double start = ProcessSeconds();
    DWORD written = 0;
    const DWORD total = kSeconds * kRate / kFrames;
    bool ok = true;
    while (ok) {
        bool busy = false;
        for (DWORD i = 0; i < kBuffers; ++i) {
            WAVEHDR& h = headers[i];
            if (h.dwFlags & WHDR_INQUEUE) {
                busy = true;
                continue;
            }
            if (written == total) continue;
            if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(out, &h, sizeof(h));
            if (clip)
                memcpy(&data[i][0], clip + written * kFrames * kBlock, kFrames * kBlock);
            else
                testsignal::Fill(&data[i][0], kFrames * kBlock, written * kFrames, kRate, 2, 16);
            memset(&h, 0, sizeof(h));
            h.lpData = &data[i][0];
            h.dwBufferLength = kFrames * kBlock;
            waveOutPrepareHeader(out, &h, sizeof(h));
            ok = waveOutWrite(out, &h, sizeof(h)) == MMSYSERR_NOERROR;
            ++written;
            busy = true;
        }
        if (!busy) break;
        WaitForSingleObject(event, 1000);
    }
    *cpu = ProcessSeconds() - start;
    for (WAVEHDR& h : headers) waveOutUnprepareHeader(out, &h, sizeof(h));
    waveOutClose(out);
    CloseHandle(event);
    return ok;
}

// Plays as above in a process of its own that the engine never entered
// (the hooks are off while it runs): its processor time in seconds, 0 when it
// failed or the engine's library was in it after all.
double PlainInChild(bool bare) {
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string out;
    if (!length || length >= sizeof(self) ||
        !bench::ChildOutput(std::string("\"") + self + (bare ? "\" plain bare" : "\" plain"), &out))
        return 0;
    char* end = nullptr;
    const double us = strtod(out.c_str(), &end);
    if (end == out.c_str()) return 0;
    if (strtol(end, nullptr, 10) != 0) {
        fprintf(stderr, "engine_play_bench: the engine's library was in the plain player\n");
        return 0;
    }
    return us / 1e6;
}

// `engine_play_bench plain`: the processor time of one play in microseconds,
// and whether the engine's library came into this process (1) or not (0).
int PlainMode(bool bare) {
    double cpu = 0;
    if (!Play(&cpu, bare)) return 1;
    printf("%.0f %d\n", cpu * 1e6, GetModuleHandleA("WavHok32.dll") ? 1 : 0);
    return 0;
}

// One play with the engine, every level at `level`: processor time in
// seconds, 0 when it failed. The hooks are set only around it, so no plain
// player started meanwhile is entered.
double EnginePlay(const bench::HookLibrary& hook, float level, bool bare) {
    hook.set();
    hook.Levels(level);
    double cpu = 0;
    const bool played = Play(&cpu, bare);
    hook.unset();
    return played ? cpu : 0;
}

// The pair with the median ratio (n odd).
int MedianPair(const double* ratios, int n) {
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [ratios](int a, int b) { return ratios[a] < ratios[b]; });
    return order[n / 2];
}

// Runs the probe's message workload; its processor time in microseconds, 0
// when it failed. `between` runs once the probe's window is up and before its
// messages start: the hooks set then find it running, as they find the
// programs of a session.
double ProbeMicroseconds(VoidFn between) {
    std::string out;
    if (!bench::ChildOutput(WindowsPath(BENCH_PROBE) + " hookcost", &out, [between] {
            if (between) between();
        }))
        return 0;
    char* end = nullptr;
    const double us = strtod(out.c_str(), &end);
    // A run with the hooks that they never reached measured nothing of them.
    if (strtol(end, nullptr, 10) != (between ? 1 : 0)) {
        fprintf(stderr, "engine_play_bench: the hooks %s the probe\n", between ? "never reached" : "were already in");
        return 0;
    }
    return us;
}

// Each probe is a process of its own, running when the hooks are set (the
// dearer case: a process started later meets only the window hook, at its
// first window); runs with and without alternate, so a machine that gets
// busier or quieter meanwhile weighs on both alike. Medians of three.
int HookCost(VoidFn set, VoidFn unset) {
    std::vector<double> withouts, withs;
    for (int i = 0; i < 3; ++i) {
        withouts.push_back(ProbeMicroseconds(nullptr));
        withs.push_back(ProbeMicroseconds(set));
        unset();
    }
    const double without = Median(withouts), with = Median(withs);
    if (!without || !with) {
        fprintf(stderr, "engine_play_bench: the probe took no measurable time\n");
        return 1;
    }
    printf("bench hook-cost: %.2fx (%.0f ms vs %.0f ms of processor time handling 100000 messages, hooks set vs not)\n",
           with / without, with / 1000, without / 1000);
    return 0;
}

// `n` pairs of plays, plain (in a process of its own) and with the engine at
// levels 0, alternating which goes first; false when a play failed.
bool Pairs(const bench::HookLibrary& hook, bool bare, int n, double* plains, double* zeros, double* ratios) {
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < 2; ++k) {
            if ((i + k) % 2 == 0)
                plains[i] = PlainInChild(bare);
            else
                zeros[i] = EnginePlay(hook, 0.0f, bare);
        }
        if (plains[i] <= 0 || zeros[i] <= 0) {
            fprintf(stderr, "engine_play_bench: a play failed or took no measurable time\n");
            return false;
        }
        ratios[i] = zeros[i] / plains[i];
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "plain") == 0) return PlainMode(argc == 3 && strcmp(argv[2], "bare") == 0);
    const bool hooksOnly = argc == 2 && strcmp(argv[1], "hooks") == 0;
    const bench::HookLibrary hook(BENCH_WAVHOK, "engine_play_bench");
    if (!hook.Ready()) return 1;
    if (hooksOnly) return HookCost(hook.set, hook.unset);
    double plains[kPairs], zeros[kPairs], ratios[kPairs];
    if (!Pairs(hook, false, kPairs, plains, zeros, ratios)) return 1;
    const double eleven = EnginePlay(hook, 1.0f, false);
    if (eleven <= 0) {
        fprintf(stderr, "engine_play_bench: the play at 11 failed\n");
        return 1;
    }
    const double plain = Median(std::vector<double>(plains, plains + kPairs));
    const int m = MedianPair(ratios, kPairs);
    printf(
        "bench engine-vs-plain: %.2fx (the median of %d alternating pairs: %.0f ms vs %.0f ms of processor time "
        "playing %lu s, every level at 0)\n",
        ratios[m], kPairs, zeros[m] * 1000, plains[m] * 1000, kSeconds);
    printf("note engine-vs-plain-pairs:");
    for (int i = 0; i < kPairs; ++i) printf(" %.2fx", ratios[i]);
    printf(" (each pair, in the order played)\n");
    printf("note engine-at-11-vs-plain: %.2fx (%.0f ms vs %.0f ms, the median plain play, every level at 11)\n",
           eleven / plain, eleven * 1000, plain * 1000);
    // The same without the player's own work: the engine against playing alone.
    double barePlains[kBarePairs], bareZeros[kBarePairs], bareRatios[kBarePairs];
    if (!Pairs(hook, true, kBarePairs, barePlains, bareZeros, bareRatios)) return 1;
    const int b = MedianPair(bareRatios, kBarePairs);
    printf(
        "note engine-vs-bare-playing: %.2fx (the median of %d alternating pairs: %.0f ms vs %.0f ms, the same player "
        "with its sound made beforehand, every level at 0)\n",
        bareRatios[b], kBarePairs, bareZeros[b] * 1000, barePlains[b] * 1000);
    return 0;
}
