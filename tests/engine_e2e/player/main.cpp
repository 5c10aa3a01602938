// korvplay: the tests' audio player, one program whose modes stand for the
// ways real programs play. Words key=value; api= picks the family:
//   api=wave (default)  waveOut, see WavePlay.cpp
//   api=ds              DirectSound, see DsPlay.cpp
//   api=playsound       PlaySound and sndPlaySound, see SoundPlay.cpp
// Exit code 0 when all is well; otherwise the first fault found (Player.h).
#include "Args.h"
#include "Player.h"

#include <cstdio>
#include <string>

int Fail(int code, const char* what) {
    fprintf(stderr, "korvplay: %s\n", what);
    return code;
}

HWND MakeWindow(const char* className, WNDPROC proc, bool shown) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND window = CreateWindowA(className, "korvplay", shown ? WS_OVERLAPPEDWINDOW : WS_OVERLAPPED, 0, 0,
                                shown ? 200 : 10, shown ? 100 : 10, nullptr, nullptr, wc.hInstance, nullptr);
    if (window && shown) ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

WAVEFORMATEX PcmFormat(DWORD rate, DWORD channels, DWORD bits) {
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = static_cast<WORD>(channels);
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = static_cast<WORD>(bits);
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

int main(int argc, char** argv) {
    Args args;
    if (!args.Parse(argc, argv)) return Fail(kArguments, "bad arguments");
    const std::string api = args.Text("api", "wave");
    if (api == "wave") return PlayWave(args);
    if (api == "ds") return PlayDirectSound(args);
    if (api == "playsound") return PlayShortSound(args);
    return Fail(kArguments, "unknown api");
}
