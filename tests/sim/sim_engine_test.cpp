// The wave hook as the effects engine, inside a process that plays: this test
// program, which the hook entry joins at once (it imports winmm). What the
// device gets is captured by the session's ALSA file device
// (tools/audio-capture.sh) and compared with the effects library's own
// rendering; the program's buffers, headers and notifications are checked
// as a program sees them.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>
// after mmsystem.h: the extensible format and its subformats
#include <mmreg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchEngine.h"
#include "ExportedAddress.h"
#include "SimTestSupport.h"
#include "engine/ControlCodes.h"
#include "fx/FxParams.h"
#include "fxengine/stream/HeaderStream.h"
#include "fxengine/stream/Period.h"
#include "tests/common/AudioMatch.h"
#include "tests/common/CaptureFile.h"
#include "tests/common/EngineRender.h"
#include "tests/common/FloatBits.h"
#include "tests/common/TestSignal.h"

namespace {

using VoidFn = DWORD(WINAPI*)();
using IoCtlFn = DWORD(WINAPI*)(DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD);

template <class Fn>
Fn Entry(HMODULE lib, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(lib, name)));
}

std::string CapturePath() {
    const char* unixPath = getenv("KORVANE_AUDIO_OUT");
    if (!unixPath) return "";
    return WindowsPath(unixPath);
}

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// A program that plays: its buffers and headers, and what it heard of them
// (a play by Play() also what the device got).
struct Program {
    HWAVEOUT out = nullptr;
    WAVEFORMATEX format = {};
    std::vector<std::string> data, given;  // the buffers, and as handed over
    std::vector<WAVEHDR> headers;
    LONG opens = 0, closes = 0, strangers = 0;
    std::vector<LONG> doneOf;
    bool writeFromOpen = false;  // writes the first header from WOM_OPEN
    MMRESULT open = MMSYSERR_ERROR, openWrite = MMSYSERR_ERROR;
    bool allDone = false, unchanged = true, headersIntact = true;
    std::string captured;
    LONG Done() const {
        LONG n = 0;
        for (LONG d : doneOf) n += d;
        return n;
    }
};

Program* g_program = nullptr;
const UINT kWomBase = MM_WOM_OPEN;

void Notice(HWAVEOUT hwo, UINT msg, DWORD_PTR param) {
    Program& p = *g_program;
    if (msg == WOM_OPEN) InterlockedIncrement(&p.opens);
    if (msg == WOM_OPEN && p.writeFromOpen) {
        // As some players do: the first buffer goes out from the open notification.
        waveOutPrepareHeader(hwo, &p.headers[0], sizeof(WAVEHDR));
        p.openWrite = waveOutWrite(hwo, &p.headers[0], sizeof(WAVEHDR));
    }
    if (msg == WOM_CLOSE) InterlockedIncrement(&p.closes);
    if (msg != WOM_DONE) return;
    for (size_t i = 0; i < p.headers.size(); ++i)
        if (param == reinterpret_cast<DWORD_PTR>(&p.headers[i])) {
            InterlockedIncrement(&p.doneOf[i]);
            return;
        }
    InterlockedIncrement(&p.strangers);
}

void CALLBACK OnWave(HWAVEOUT hwo, UINT msg, DWORD_PTR, DWORD_PTR p1, DWORD_PTR) {
    Notice(hwo, msg, p1);
}

LRESULT CALLBACK OnWindow(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg >= kWomBase && msg <= MM_WOM_DONE) {
        Notice(nullptr, msg, static_cast<DWORD_PTR>(l));
        return 0;
    }
    return DefWindowProcA(h, msg, w, l);
}

template <class Pred>
bool Pump(Pred done, HANDLE event, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (!m.hwnd && m.message >= kWomBase && m.message <= MM_WOM_DONE)
                Notice(nullptr, m.message, static_cast<DWORD_PTR>(m.lParam));
            else
                DispatchMessageA(&m);
        }
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(1, &event, FALSE, 20, QS_ALLINPUT);
    }
}

// `count` buffers of `bytes` each (not necessarily whole frames) of one
// stream: the test signal, or for formats it does not make, bytes that are
// the same whatever they mean.
void Fill(Program* p, int count, DWORD bytes) {
    const WAVEFORMATEX& f = p->format;
    std::string all(count * bytes + f.nBlockAlign, '\0');
    if (f.wFormatTag == WAVE_FORMAT_PCM && f.wBitsPerSample <= 16)
        testsignal::Fill(&all[0], static_cast<uint32_t>(all.size() - all.size() % f.nBlockAlign), 0, f.nSamplesPerSec,
                         f.nChannels, f.wBitsPerSample);
    else
        for (size_t b = 0; b < all.size(); ++b) all[b] = static_cast<char>(b * 7 % 61);
    p->data.assign(count, std::string());
    p->headers.assign(count, WAVEHDR());
    p->doneOf.assign(count, 0);
    for (int i = 0; i < count; ++i) {
        p->data[i] = all.substr(i * bytes, bytes);
        p->headers[i].lpData = &p->data[i][0];
        p->headers[i].dwBufferLength = bytes;
    }
    p->given = p->data;
}

// Prepares and writes every header from `from` on; false at the first the device refuses.
bool WriteAll(Program& p, size_t from = 0) {
    for (size_t i = from; i < p.headers.size(); ++i) {
        waveOutPrepareHeader(p.out, &p.headers[i], sizeof(WAVEHDR));
        if (waveOutWrite(p.out, &p.headers[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return false;
    }
    return true;
}

// Plays `count` buffers of `frames` frames, notified by `callbackType`;
// `resetAfter` resets the device right after the writes.
Program Play(const WAVEFORMATEX& fmt, DWORD callbackType, int count, DWORD frames, bool resetAfter = false) {
    Program p;
    p.format = fmt;
    g_program = &p;
    const DWORD bytes = frames * fmt.nBlockAlign;
    Fill(&p, count, bytes);
    DeleteFileA(CapturePath().c_str());

    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWND window = nullptr;
    DWORD_PTR target = 0;
    if (callbackType == CALLBACK_FUNCTION) target = reinterpret_cast<DWORD_PTR>(&OnWave);
    if (callbackType == CALLBACK_EVENT) target = reinterpret_cast<DWORD_PTR>(event);
    if (callbackType == CALLBACK_THREAD) target = GetCurrentThreadId();
    if (callbackType == CALLBACK_WINDOW) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OnWindow;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SimEngineTestWave";
        RegisterClassA(&wc);
        window =
            CreateWindowA(wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
        target = reinterpret_cast<DWORD_PTR>(window);
    }

    p.open = waveOutOpen(&p.out, WAVE_MAPPER, &fmt, target, 0, callbackType);
    if (p.open == MMSYSERR_NOERROR) {
        WriteAll(p);
        if (resetAfter) waveOutReset(p.out);
        p.allDone = Pump(
            [&] {
                for (const WAVEHDR& h : p.headers)
                    if (!(h.dwFlags & WHDR_DONE)) return false;
                return true;
            },
            event, 20000);
        for (int i = 0; i < count; ++i) {
            p.unchanged = p.unchanged && p.data[i] == p.given[i];
            p.headersIntact = p.headersIntact && p.headers[i].lpData == &p.data[i][0] &&
                              p.headers[i].dwBufferLength == bytes && !(p.headers[i].dwFlags & WHDR_INQUEUE);
            waveOutUnprepareHeader(p.out, &p.headers[i], sizeof(WAVEHDR));
        }
        waveOutClose(p.out);
        Pump([&] { return callbackType == CALLBACK_EVENT || p.closes > 0; }, event, 5000);
    }
    if (window) DestroyWindow(window);
    CloseHandle(event);
    p.captured = ReadAll(CapturePath());
    return p;
}

// What a module's import table holds now for `dll`'s `name` (read afresh each time).
void* ImportedAddress(HMODULE module, const char* dll, const char* name) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        void* const volatile* slots = reinterpret_cast<void* const volatile*>(base + d->FirstThunk);
        for (size_t i = 0; names[i].u1.AddressOfData; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0) return slots[i];
        }
    }
    return nullptr;
}

// Loaded through this program's import table as it is now (the compiler may
// keep an older copy of the entry).
HMODULE LoadThroughImports(const char* name) {
    using Load = HMODULE(WINAPI*)(LPCSTR);
    const auto load =
        reinterpret_cast<Load>(ImportedAddress(GetModuleHandleA(nullptr), "kernel32.dll", "LoadLibraryA"));
    return load ? load(name) : nullptr;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string all;
    for (const std::string& s : parts) all += s;
    return all;
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(CapturePath().empty()) << "no capture device: run under tools/run-tests.sh";
        simtest::SetSimDword("Journal", true, 1);
        m_lib = LoadLibraryA(simtest::SimDll("WavHok32.dll").c_str());
        ASSERT_NE(m_lib, nullptr);
        m_hook = Entry<VoidFn>(m_lib, "QuorWav9xHook");
        m_unhook = Entry<VoidFn>(m_lib, "QuorWav9xUnHook");
        m_ioctl = Entry<IoCtlFn>(m_lib, "QuorWav9xIoCtl");
        ASSERT_TRUE(m_hook && m_unhook && m_ioctl);
        ASSERT_NE(m_winmm, nullptr);
        fx::FxParams_Reset(&m_params);
    }
    void TearDown() override {
        if (m_unhook) m_unhook();
        if (m_lib) FreeLibrary(m_lib);
    }
    // Sends one message to the engine and follows it in the test's own state.
    void Send(DWORD code, float value) { SendBits(code, Bits(value)); }
    void SendBits(DWORD code, DWORD bits) {
        DWORD returned = 0;
        m_ioctl(code, &bits, 4, nullptr, 0, &returned);
        fx::FxParams_Apply(&m_params, code, &bits, 4);
    }
    // Every effect up, and the master down: whatever the effects are, this changes the sound.
    // (Levels between the ends: a level applied twice, or squared, shows.)
    void TurnEverythingUp() {
        bench::SendLevels([this](DWORD code, DWORD bits) { SendBits(code, bits); }, 0.6f);
        Send(IOCTL_MASTER_VOLUME, 0.5f);
    }
    // `tag` stands for an extensible format's subformat.
    static std::string Rendered(const WAVEFORMATEX& f, const std::vector<std::string>& buffers,
                                const fx::FxParams& params, WORD tag = 0) {
        EngineRender render({tag ? tag : f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.wBitsPerSample, f.nBlockAlign});
        EXPECT_TRUE(render.Opened());
        std::string out;
        for (const std::string& b : buffers) render.Buffer(params, b.data(), static_cast<uint32_t>(b.size()), &out);
        return out;
    }

    // What the effects make of what the program handed over.
    std::string Rendered(const Program& p, WORD tag = 0) const { return Rendered(p.format, p.given, m_params, tag); }

    HMODULE m_lib = nullptr;
    const HMODULE m_winmm = GetModuleHandleA("winmm.dll");
    VoidFn m_hook = nullptr, m_unhook = nullptr;
    IoCtlFn m_ioctl = nullptr;
    fx::FxParams m_params;
};

// The program's side of a play: opened, every header back, its buffers
// untouched; `toldOnce`: it heard of its own headers, each once, and of nothing else.
void ExpectPlayed(const Program& p, bool toldOnce) {
    EXPECT_EQ(p.open, MMSYSERR_NOERROR);
    EXPECT_TRUE(p.allDone);
    EXPECT_TRUE(p.unchanged);
    if (!toldOnce) return;
    EXPECT_EQ(p.opens, 1);
    EXPECT_EQ(p.closes, 1);
    EXPECT_EQ(p.strangers, 0);
    for (LONG n : p.doneOf) EXPECT_EQ(n, 1);
}

// The device got `expected` in the program's format.
::testing::AssertionResult Arrived(const Program& p, const std::string& expected) {
    const std::string& captured = p.captured;
    const auto r = audiomatch::Match(captured.data(), captured.size(), expected.data(), expected.size(),
                                     p.format.nBlockAlign, p.format.wBitsPerSample == 8 ? 0x80 : 0);
    if (r.same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "captured " << captured.size() << " bytes, expected " << expected.size()
                                         << "; " << r.matchedFrames << " frames matched, difference at captured frame "
                                         << r.firstDifference;
}

// A plain format in the extensible struct (the rest unused); `tag` for float.
WAVEFORMATEXTENSIBLE Plain(WAVEFORMATEX f, WORD tag = WAVE_FORMAT_PCM) {
    WAVEFORMATEXTENSIBLE x = {};
    x.Format = f;
    x.Format.wFormatTag = tag;
    return x;
}

WAVEFORMATEXTENSIBLE Extensible(WORD channels, DWORD rate, WORD bits, WORD subformat) {
    WAVEFORMATEXTENSIBLE x = {};
    x.Format = Pcm(channels, rate, bits);
    x.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    x.Format.cbSize = 22;
    x.Samples.wValidBitsPerSample = bits;
    x.dwChannelMask = channels == 2 ? 3 : 4;
    x.SubFormat = {subformat, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    return x;
}

// What the device should get: the effects' rendering (which differs from
// the program's own sound), the program's own sound (a format the effects
// do not take, or the hook gone with its state still there), or anything
// (a reset cuts the sound short).
enum class Heard { kEffects, kOwn, kOwnUnhooked, kAny };

struct PlayCase {
    const char* name;
    WAVEFORMATEXTENSIBLE format;
    DWORD callback;
    int count;
    DWORD frames;
    Heard heard;
    bool toldOnce;  // an event, or the system's own device, tells nothing apart
    bool reset = false;
};

void PrintTo(const PlayCase& c, std::ostream* os) {
    *os << c.name;
}

class PlayTest : public EngineTest, public ::testing::WithParamInterface<PlayCase> {};

// The program's buffers and headers are left alone whatever it plays and however it is told.
TEST_P(PlayTest, TheDeviceGetsTheEffectsOrTheProgramsOwnSound) {
    const PlayCase& c = GetParam();
    m_hook();
    TurnEverythingUp();
    if (c.heard == Heard::kOwnUnhooked) m_unhook();
    const WAVEFORMATEX& f = c.format.Format;
    const Program p = Play(f, c.callback, c.count, c.frames, c.reset);
    ExpectPlayed(p, c.toldOnce);
    EXPECT_TRUE(p.headersIntact);
    if (c.heard == Heard::kEffects) {
        // An extensible format's subformat stands for its tag.
        const std::string expected = Rendered(p, f.wFormatTag == WAVE_FORMAT_EXTENSIBLE ? c.format.SubFormat.Data1 : 0);
        EXPECT_NE(expected, Joined(p.given)) << "the effects should change this sound";
        EXPECT_TRUE(Arrived(p, expected));
    }
    if (c.heard == Heard::kOwn || c.heard == Heard::kOwnUnhooked) {
        EXPECT_TRUE(Arrived(p, Joined(p.given)));
    }
}

const WAVEFORMATEX kStereo = Pcm(2, 11025, 16);

INSTANTIATE_TEST_SUITE_P(
    Plays, PlayTest,
    ::testing::Values(
        PlayCase{"Stereo16", Plain(kStereo), CALLBACK_FUNCTION, 6, 512, Heard::kEffects, true},
        PlayCase{"Mono8", Plain(Pcm(1, 8000, 8)), CALLBACK_FUNCTION, 6, 512, Heard::kEffects, true},
        PlayCase{"ToldByWindow", Plain(kStereo), CALLBACK_WINDOW, 3, 256, Heard::kEffects, true},
        PlayCase{"ToldByThread", Plain(kStereo), CALLBACK_THREAD, 3, 256, Heard::kEffects, true},
        PlayCase{"ToldByEvent", Plain(kStereo), CALLBACK_EVENT, 3, 256, Heard::kEffects, false},
        PlayCase{"ResetHandsEveryHeaderBackDone", Plain(kStereo), CALLBACK_FUNCTION, 8, 1024, Heard::kAny, true, true},
        PlayCase{"Below8kHz", Plain(Pcm(2, 4000, 16)), CALLBACK_FUNCTION, 3, 256, Heard::kOwn, false},
        PlayCase{"Unhooked", Plain(kStereo), CALLBACK_FUNCTION, 3, 512, Heard::kOwnUnhooked, false},
        PlayCase{"Pcm24", Plain(Pcm(2, 44100, 24)), CALLBACK_FUNCTION, 4, 512, Heard::kEffects, false},
        PlayCase{"Pcm32", Plain(Pcm(2, 44100, 32)), CALLBACK_FUNCTION, 4, 512, Heard::kEffects, false},
        PlayCase{"Float", Plain(Pcm(2, 48000, 32), 3), CALLBACK_FUNCTION, 4, 512, Heard::kEffects, false},
        PlayCase{"Extensible24", Extensible(2, 96000, 24, 1), CALLBACK_FUNCTION, 4, 512, Heard::kEffects, false},
        PlayCase{"ExtensibleFloat", Extensible(2, 44100, 32, 3), CALLBACK_FUNCTION, 4, 512, Heard::kEffects, false}),
    [](const ::testing::TestParamInfo<PlayCase>& row) { return std::string(row.param.name); });

TEST_F(EngineTest, EntriesLookedUpLaterAreTheEnginesAndStayAfterTheHook) {
    void* const system = ExportedAddress(m_winmm, "waveOutWrite");
    ASSERT_NE(system, nullptr);
    // The address this program's import table holds for waveOutWrite.
    const auto imported = [] { return ImportedAddress(GetModuleHandleA(nullptr), "winmm.dll", "waveOutWrite"); };
    ASSERT_NE(imported(), nullptr);

    m_hook();
    EXPECT_NE(imported(), system);
    // Looked up by name, the entry is the engine's too. Called through the
    // import table as it is now (the compiler may keep an older copy of it).
    using LookUp = FARPROC(WINAPI*)(HMODULE, LPCSTR);
    const auto lookUp =
        reinterpret_cast<LookUp>(ImportedAddress(GetModuleHandleA(nullptr), "kernel32.dll", "GetProcAddress"));
    ASSERT_NE(lookUp, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(lookUp(m_winmm, "waveOutWrite")), imported());
    EXPECT_EQ(reinterpret_cast<void*>(lookUp(m_winmm, "waveOutGetNumDevs")),
              ExportedAddress(m_winmm, "waveOutGetNumDevs"));

    // A thread may hold an entry's address at any time: once in, the engine
    // stays, and without the hook every entry is the system's own call.
    m_unhook();
    FreeLibrary(m_lib);
    m_lib = nullptr;
    EXPECT_NE(imported(), system);
    const WAVEFORMATEX f = Pcm(2, 11025, 16);
    const Program p = Play(f, CALLBACK_FUNCTION, 3, 512);
    ExpectPlayed(p, false);
    EXPECT_TRUE(Arrived(p, Joined(p.given)));
    m_lib = LoadLibraryA(simtest::SimDll("WavHok32.dll").c_str());
}

TEST_F(EngineTest, ModulesLoadedLaterAreTakenOverToo) {
    m_hook();
    HMODULE late = LoadThroughImports(WindowsPath(SIM_LATE_MODULE).c_str());
    ASSERT_NE(late, nullptr);
    const auto entry = Entry<void*(WINAPI*)()>(late, "LateModuleWaveOutWrite");
    ASSERT_TRUE(entry);
    EXPECT_NE(entry(), ExportedAddress(m_winmm, "waveOutWrite"));
    EXPECT_EQ(entry(), ImportedAddress(GetModuleHandleA(nullptr), "winmm.dll", "waveOutWrite"));
    FreeLibrary(late);
}

// winmm's own drivers (the NT wave mapper is msacm32.drv, which opens the
// real device through its own imports) keep the system's entries: a device
// they open for the program is not processed a second time.
TEST_F(EngineTest, WinmmsOwnDriversKeepTheSystemsEntries) {
    m_hook();
    HMODULE driver = LoadThroughImports("msacm32.drv");
    ASSERT_NE(driver, nullptr);
    for (const char* name : {"waveOutOpen", "waveOutWrite"}) {
        void* const system = ExportedAddress(m_winmm, name);
        ASSERT_NE(ImportedAddress(driver, "winmm.dll", name), nullptr) << name << ": not imported by the driver";
        EXPECT_EQ(ImportedAddress(driver, "winmm.dll", name), system) << name;
        EXPECT_NE(ImportedAddress(GetModuleHandleA(nullptr), "winmm.dll", name), system) << name;
    }
    FreeLibrary(driver);
}

// A second engine library (another copy: an older host's during an update)
// joined in a process the first had taken: the sound goes through one of
// them, never through both.
TEST_F(EngineTest, ASecondEngineLibraryNeverProcessesTheSoundAgain) {
    m_hook();  // this one joins this process
    HMODULE other = LoadLibraryA(simtest::SimDll("WavHok32-noQuorWav9xCanUnloadNow.dll").c_str());
    ASSERT_NE(other, nullptr);
    const auto otherHook = Entry<VoidFn>(other, "QuorWav9xHook");
    const auto otherUnhook = Entry<VoidFn>(other, "QuorWav9xUnHook");
    ASSERT_TRUE(otherHook && otherUnhook);
    m_unhook();   // its hooks go; it stays joined
    otherHook();  // the other sets its own and joins too
    TurnEverythingUp();
    const WAVEFORMATEX f = Pcm(2, 11025, 16);
    const Program p = Play(f, CALLBACK_FUNCTION, 6, 512);
    ExpectPlayed(p, true);
    EXPECT_TRUE(Arrived(p, Rendered(p))) << "not processed once";
    otherUnhook();
    FreeLibrary(other);
}

// A window program that loads winmm, or dsound alone, itself and opens a
// device at once (in the same handler) gets the engine's entry for its first
// device.
TEST_F(EngineTest, AProgramThatLoadsWinmmOrDsoundItselfHasItsFirstDeviceTaken) {
    m_hook();
    for (const char* mode : {"lateplay", "lateplay ds"})
        EXPECT_EQ(simtest::RunAsVersion(SIM_PROBE_EXE, mode, "win98"), 0)
            << mode << ": 21: the system's entry; other codes: see sim_probe.cpp";
}

// A library whose DllMain makes a window and loads a library, loaded and
// freed on one thread while another loads and frees too, the engine joining
// meanwhile: the loader's lock and the engine's are never taken in opposite
// orders (a hang otherwise).
TEST_F(EngineTest, LoadsFromDllMainBesideOtherLoadsNeverHang) {
    m_hook();
    EXPECT_EQ(simtest::RunAsVersion(SIM_PROBE_EXE, "loaderrace " + WindowsPath(SIM_LATE_MODULE), "winxp"), 0)
        << "23: a hang; other codes: see sim_probe.cpp";
}

TEST_F(EngineTest, AgreesToUnloadOnlyWithNoBufferInside) {
    const auto canUnload = Entry<VoidFn>(m_lib, "QuorWav9xCanUnloadNow");
    ASSERT_TRUE(canUnload);
    simtest::SetSimDword("CanUnloadAfter", false);
    m_hook();
    const WAVEFORMATEX f = Pcm(2, 11025, 16);
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &f, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT),
              MMSYSERR_NOERROR);
    std::string data(4096, '\x11');
    WAVEHDR h = {};
    h.lpData = &data[0];
    h.dwBufferLength = static_cast<DWORD>(data.size());
    ASSERT_EQ(waveOutPrepareHeader(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    EXPECT_EQ(canUnload(), 1u);
    // Paused, the buffer stays queued on the device: inside the engine.
    waveOutPause(out);
    ASSERT_EQ(waveOutWrite(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    EXPECT_EQ(canUnload(), 0u);
    waveOutRestart(out);
    const DWORD start = GetTickCount();
    while (!(h.dwFlags & WHDR_DONE) && GetTickCount() - start < 10000) WaitForSingleObject(done, 100);
    EXPECT_TRUE(h.dwFlags & WHDR_DONE);
    EXPECT_EQ(canUnload(), 1u);
    waveOutUnprepareHeader(out, &h, sizeof(h));
    waveOutClose(out);
    CloseHandle(done);
}

TEST_F(EngineTest, JournalsOnlyWhenTheRigAsks) {
    simtest::RemoveJournal();
    simtest::SetSimDword("Journal", false);
    m_hook();
    Send(IOCTL_MASTER_VOLUME, 0.5f);
    m_unhook();
    EXPECT_EQ(simtest::ReadJournalText(), "");
    simtest::SetSimDword("Journal", true, 0);
    m_hook();
    EXPECT_EQ(simtest::ReadJournalText(), "");
    simtest::SetSimDword("Journal", true, 1);
    Send(IOCTL_MASTER_VOLUME, 0.5f);
    const auto records = simtest::ReadJournal();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].code, IOCTL_MASTER_VOLUME);
}

bool WaitDone(const Program& p, LONG count, DWORD ms) {
    const DWORD start = GetTickCount();
    while (p.Done() < count && GetTickCount() - start < ms) Sleep(10);
    return p.Done() >= count;
}

class SafetyTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        m_fedLooks = Entry<LONG(WINAPI*)()>(m_lib, "SimFedLooks");
        ASSERT_NE(m_fedLooks, nullptr);
        g_program = &m_program;
        m_program.format = Pcm(2, 11025, 16);
        DeleteFileA(CapturePath().c_str());
        m_hook();
    }
    // Writes every buffer to the paused device, and waits until its feed has
    // handed the real device the lead it takes from them.
    ::testing::AssertionResult WritePausedUntilFed(Program* p) {
        waveOutPause(p->out);
        const LONG before = m_fedLooks();
        if (!WriteAll(*p)) return ::testing::AssertionFailure() << "a write was refused";
        const DWORD start = GetTickCount();
        while (m_fedLooks() == before && GetTickCount() - start < 10000) Sleep(1);
        if (m_fedLooks() == before)
            return ::testing::AssertionFailure() << "the feed never handed the paused device its lead";
        return ::testing::AssertionSuccess();
    }
    // `count` buffers of `bytes` each, and the device opened for them.
    MMRESULT Open(Program* p, int count, DWORD bytes) {
        Fill(p, count, bytes);
        return waveOutOpen(&p->out, WAVE_MAPPER, &p->format, reinterpret_cast<DWORD_PTR>(&OnWave), 0,
                           CALLBACK_FUNCTION);
    }
    void Finish(Program* p) {
        for (WAVEHDR& h : p->headers) waveOutUnprepareHeader(p->out, &h, sizeof(WAVEHDR));
        EXPECT_EQ(waveOutClose(p->out), MMSYSERR_NOERROR);
        p->captured = ReadAll(CapturePath());
    }
    Program m_program;
    LONG(WINAPI* m_fedLooks)() = nullptr;
};

TEST_F(SafetyTest, AProgramMayWriteFromItsOpenNotification) {
    Send(IOCTL_MASTER_VOLUME, 0.5f);
    Program& p = m_program;
    p.writeFromOpen = true;
    ASSERT_EQ(Open(&p, 4, 2048), MMSYSERR_NOERROR);
    EXPECT_EQ(p.openWrite, MMSYSERR_NOERROR);
    ASSERT_TRUE(WriteAll(p, 1));
    EXPECT_TRUE(WaitDone(p, 4, 10000));
    Finish(&p);
    EXPECT_EQ(p.opens, 1);
    EXPECT_EQ(p.strangers, 0);
    EXPECT_TRUE(Arrived(p, Rendered(p)));
}

TEST_F(SafetyTest, BuffersCutInsideAFrameStayInStep) {
    // 1023 bytes of 4-byte frames: every buffer but the first starts inside a frame.
    Send(IOCTL_MASTER_VOLUME, 0.5f);
    Program& p = m_program;
    ASSERT_EQ(Open(&p, 12, 1023), MMSYSERR_NOERROR);
    ASSERT_TRUE(WriteAll(p));
    EXPECT_TRUE(WaitDone(p, 12, 10000));
    Finish(&p);
    // Heard as one stream of whole frames.
    const std::string all = Joined(p.data);
    EXPECT_TRUE(Arrived(p, Rendered(p.format, {all.substr(0, all.size() - all.size() % 4)}, m_params)));
}

TEST_F(SafetyTest, AHeaderZeroedAndPreparedAgainPlaysWhole) {
    Program& p = m_program;
    ASSERT_EQ(Open(&p, 1, 8192), MMSYSERR_NOERROR);
    WAVEHDR& h = p.headers[0];
    h.dwBufferLength = 1024;
    ASSERT_EQ(waveOutPrepareHeader(p.out, &h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(p.out, &h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_TRUE(WaitDone(p, 1, 5000));
    // Zeroed and prepared again without an unprepare, and longer now.
    memset(&h, 0, sizeof(h));
    h.lpData = &p.data[0][0];
    h.dwBufferLength = 8192;
    ASSERT_EQ(waveOutPrepareHeader(p.out, &h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(p.out, &h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_TRUE(WaitDone(p, 2, 5000));
    Finish(&p);
    EXPECT_TRUE(Arrived(p, p.data[0].substr(0, 1024) + p.data[0]));
}

TEST_F(SafetyTest, ALoopedBufferRewrittenWhilePlayingIsHeardAsRewritten) {
    Program& p = m_program;
    ASSERT_EQ(Open(&p, 2, 4096), MMSYSERR_NOERROR);
    std::string& looped = p.data[0];
    const std::string first = looped;
    WAVEHDR& h = p.headers[0];
    h.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    h.dwLoops = 0xFFFFFFFF;
    ASSERT_TRUE(WriteAll(p));
    // Until the loop was heard whole, as first written and then as rewritten
    // while it plays, however long a round takes here.
    auto heard = [](const std::string& sound) {
        const DWORD start = GetTickCount();
        while (ReadAll(CapturePath()).find(sound) == std::string::npos && GetTickCount() - start < 20000) Sleep(10);
        return ReadAll(CapturePath()).find(sound) != std::string::npos;
    };
    EXPECT_TRUE(heard(first));
    for (size_t i = 0; i < looped.size(); ++i) looped[i] = static_cast<char>(first[i] ^ 0x40);
    const std::string second = looped;
    EXPECT_TRUE(heard(second)) << "the rewritten loop was never heard";
    EXPECT_EQ(waveOutBreakLoop(p.out), MMSYSERR_NOERROR);
    EXPECT_TRUE(WaitDone(p, 2, 5000)) << "the loop did not end at the break";
    Finish(&p);
    EXPECT_NE(p.captured.find(second + p.data[1]), std::string::npos) << "the break did not lead on";
}

TEST_F(SafetyTest, AKnobTurnIsHeardWithinFiftyMillisecondsOfADeepQueue) {
    Program& p = m_program;
    ASSERT_EQ(Open(&p, 32, 4096), MMSYSERR_NOERROR);  // three seconds queued
    // The lead is rendered before the turn: all of it is heard unturned.
    ASSERT_TRUE(WritePausedUntilFed(&p));
    const fx::FxParams before = m_params;
    Send(IOCTL_MASTER_VOLUME, 0.5f);
    waveOutRestart(p.out);
    EXPECT_TRUE(WaitDone(p, 32, 20000));
    Finish(&p);
    // The engine renders in periods (cut from the headers as its stream cuts
    // them): the turn comes in at one of those that begin within 50 ms.
    const std::string all = Joined(p.data);
    const uint32_t frames = fxengine::PeriodFrames(p.format.nSamplesPerSec);
    const uint32_t block = p.format.nBlockAlign;
    std::vector<uint32_t> periods;
    {
        fxengine::HeaderStream cut(block);
        for (const std::string& d : p.data)
            cut.Push(
                {reinterpret_cast<const unsigned char*>(d.data()), static_cast<uint32_t>(d.size()), 0, 0, nullptr});
        std::vector<unsigned char> scratch(2 * frames * block);
        for (uint32_t n; (n = cut.ReadPeriod(scratch.data(), frames * block, (frames + frames / 2) * block)) > 0;)
            periods.push_back(n);
    }
    int heardAt = -1;
    for (int turn = 0, begins = 0; begins <= static_cast<int>(p.format.nSamplesPerSec / 20) && heardAt < 0; ++turn) {
        EngineRender render(
            {1, p.format.nChannels, p.format.nSamplesPerSec, p.format.wBitsPerSample, p.format.nBlockAlign});
        std::string expected;
        uint32_t at = 0;
        for (size_t i = 0; i < periods.size(); at += periods[i++])
            render.Buffer(static_cast<int>(i) < turn ? before : m_params, all.data() + at, periods[i], &expected);
        if (Arrived(p, expected)) heardAt = turn;
        begins += static_cast<int>(periods[turn] / block);
    }
    EXPECT_GE(heardAt, 0) << "the turn was not heard within 50 ms";
    printf("knob turn heard from period %d (about %u frames each)\n", heardAt, frames);
}

DWORD WINAPI CloseFromAfar(LPVOID arg) {
    Program* p = static_cast<Program*>(arg);
    // Once the writes flow (a header has come back), however long starting took.
    for (const DWORD start = GetTickCount(); !p->Done() && GetTickCount() - start < 10000;) Sleep(1);
    for (int tries = 0; tries < 500; ++tries) {
        waveOutReset(p->out);
        if (waveOutClose(p->out) == MMSYSERR_NOERROR) return 0;
        Sleep(1);
    }
    return 1;
}

TEST_F(SafetyTest, AClosedFromASecondThreadWhileTheFirstWritesSurvives) {
    TurnEverythingUp();
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        Program p;
        p.format = Pcm(2, 11025, 16);
        g_program = &p;
        ASSERT_EQ(Open(&p, 8, 1024), MMSYSERR_NOERROR);
        for (WAVEHDR& h : p.headers) waveOutPrepareHeader(p.out, &h, sizeof(WAVEHDR));
        HANDLE closer = CreateThread(nullptr, 0, &CloseFromAfar, &p, 0, nullptr);
        // Writes whatever is free until the device is gone under it.
        for (bool open = true; open;) {
            for (WAVEHDR& h : p.headers)
                if (!(h.dwFlags & WHDR_INQUEUE) && waveOutWrite(p.out, &h, sizeof(WAVEHDR)) == MMSYSERR_INVALHANDLE)
                    open = false;
            Sleep(1);
        }
        ASSERT_EQ(WaitForSingleObject(closer, 10000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeThread(closer, &code);
        CloseHandle(closer);
        EXPECT_EQ(code, 0u) << "never closed";
        EXPECT_EQ(p.strangers, 0);
        g_program = &m_program;
    }
}

TEST_F(SafetyTest, ABufferFreedWhileQueuedCostsTheEffectsNotTheProgram) {
    Program& p = m_program;
    ASSERT_EQ(Open(&p, 4, 4096), MMSYSERR_NOERROR);
    // The third buffer lives in memory the program gives back while it is queued.
    char* lent = static_cast<char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(lent, nullptr);
    memcpy(lent, p.data[2].data(), 4096);
    p.headers[2].lpData = lent;
    // Freed once the feed has read on from the start of the queue.
    ASSERT_TRUE(WritePausedUntilFed(&p));
    VirtualFree(lent, 0, MEM_RELEASE);
    waveOutRestart(p.out);
    EXPECT_TRUE(WaitDone(p, 4, 10000));
    p.headers[2].lpData = &p.data[2][0];
    Finish(&p);
}

}  // namespace
