// The player's waveOut family (api=wave): plays the known signal
// (TestSignal.h) through waveOut in chunks of buffers, notified the way the
// command line asks, and checks afterwards that every buffer and header it
// handed over came back as it gave them.
//
//   korvplay.exe [rate=11025] [channels=2] [bits=16] [frames=1024] [buffers=8]
//                [chunks=1] [callback=event|function|window|thread]
//                [sync=NAME] [mode=queue|window|console] [paused=1] [last=BUFFERS]
//                [tracks=1] [bytes=N] [openwrite=1] [loop=1] [closer=1] [drain=1]
//                [inflight=N]
//   korvplay.exe file=WAV [frames=...] [buffers=...] [while=TITLE]
//
// sync=NAME: after each chunk but the last, sets event NAME.wrote and waits
// for NAME.go before writing the next. mode: how the player lives, as real
// players do; none of them posts itself anything:
//   queue    no window; reads its thread's queue whenever it waits (default)
//   window   first creates and shows its main window, then as queue
//   console  never touches a message queue or a window: waits on its event
//            alone (callback=event or function)
// paused=1: pauses the device before writing, so the buffers stay queued.
// last=BUFFERS: the last chunk has that many buffers instead.
// tracks=N: plays it all N times, each time on a newly opened device.
// drain=1 (with sync=): NAME.wrote is set once the chunk has played.
// inflight=N: at most N buffers queued; the next is written as one comes
// back, as a streaming player does (all of a chunk at once otherwise).
// bytes=N: buffers of N bytes (not necessarily whole frames) cut from one
// stream of the signal. openwrite=1 (with callback=function): the first
// buffer is prepared and written from the WOM_OPEN notification. loop=1: the
// first buffer loops until broken; while it plays it is rewritten three
// times, 150 ms apart, with the signal that follows the last buffer, then
// the loop is broken. closer=1: a second thread resets and closes the device
// while the first keeps writing whatever came back, until its writes fail.
//
// file=WAV plays a PCM WAV file instead (for listening, `make listen`), over
// and over while a window titled TITLE exists (once without while=).
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

struct Options {
    DWORD rate = 11025, channels = 2, bits = 16, frames = 1024, buffers = 8, chunks = 1, paused = 0, last = 0,
          tracks = 1;
    DWORD bytes = 0, openWrite = 0, loop = 0, closer = 0, drain = 0, inflight = 0;
    std::string callback = "event", sync, file, whileTitle, mode = "queue";
};

struct Counts {
    volatile LONG open = 0, close = 0, done = 0, strange = 0;
};

Counts g_counts;
std::vector<WAVEHDR*> g_headers;
std::vector<LONG> g_doneOf;  // notifications per header
HANDLE g_event = nullptr;
bool g_console = false;  // mode=console: no message queue, ever
bool g_openWrite = false;
MMRESULT g_openWriteResult = MMSYSERR_ERROR;

void Note(UINT msg, DWORD_PTR param) {
    if (msg == WOM_OPEN) InterlockedIncrement(&g_counts.open);
    if (msg == WOM_CLOSE) InterlockedIncrement(&g_counts.close);
    if (msg != WOM_DONE) return;
    InterlockedIncrement(&g_counts.done);
    for (size_t i = 0; i < g_headers.size(); ++i)
        if (reinterpret_cast<DWORD_PTR>(g_headers[i]) == param) {
            InterlockedIncrement(&g_doneOf[i]);
            return;
        }
    InterlockedIncrement(&g_counts.strange);  // a header that is not ours
}

void CALLBACK WaveProc(HWAVEOUT hwo, UINT msg, DWORD_PTR, DWORD_PTR param1, DWORD_PTR) {
    if (msg == WOM_OPEN && g_openWrite && !g_headers.empty()) {
        waveOutPrepareHeader(hwo, g_headers[0], sizeof(WAVEHDR));
        g_openWriteResult = waveOutWrite(hwo, g_headers[0], sizeof(WAVEHDR));
    }
    Note(msg, param1);
    SetEvent(g_event);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= MM_WOM_OPEN && msg <= MM_WOM_DONE) {
        Note(msg, static_cast<DWORD_PTR>(lParam));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A thread notification (callback=thread) is the player's, not a window's.
bool TakeThreadMessage(const MSG& msg) {
    if (msg.hwnd || msg.message < MM_WOM_OPEN || msg.message > MM_WOM_DONE) return false;
    Note(msg.message, static_cast<DWORD_PTR>(msg.lParam));
    return true;
}

// Reads messages (thread messages included; none in console mode) until
// `done` or the time is up.
template <class Pred>
bool Await(Pred done, DWORD timeoutMs) {
    return Pump(done, timeoutMs, g_event, !g_console, &TakeThreadMessage);
}

bool Parse(Args& a, Options* o) {
    a.Read({{"rate", &o->rate}, {"channels", &o->channels}, {"bits", &o->bits}, {"frames", &o->frames}});
    a.Read({{"buffers", &o->buffers}, {"chunks", &o->chunks}, {"paused", &o->paused}, {"last", &o->last}});
    a.Read({{"tracks", &o->tracks}, {"bytes", &o->bytes}, {"openwrite", &o->openWrite}, {"loop", &o->loop}});
    a.Read({{"closer", &o->closer}, {"drain", &o->drain}, {"inflight", &o->inflight}});
    a.Read({{"mode", &o->mode}, {"callback", &o->callback}, {"sync", &o->sync}, {"file", &o->file}});
    a.Read({{"while", &o->whileTitle}});
    const bool mode = o->mode == "queue" || o->mode == "window" || o->mode == "console";
    const bool queueless = o->mode != "console" || o->callback == "event" || o->callback == "function";
    return a.AllRead() && mode && queueless && o->tracks && o->frames && o->buffers && o->chunks &&
           (o->bits == 8 || o->bits == 16) && o->channels;
}

// The format and samples of a PCM WAV file, read as programs read theirs,
// through the multimedia file calls; false when it is not one.
bool ReadWav(const std::string& path, WAVEFORMATEX* fmt, std::vector<char>* samples) {
    HMMIO f = mmioOpenA(const_cast<char*>(path.c_str()), nullptr, MMIO_READ);
    if (!f) return false;
    MMCKINFO riff = {}, chunk = {};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    *fmt = {};
    bool ok = !mmioDescend(f, &riff, nullptr, MMIO_FINDRIFF) && !mmioDescend(f, &chunk, &riff, MMIO_FINDCHUNK) &&
              chunk.cksize >= 16 && mmioRead(f, reinterpret_cast<HPSTR>(fmt), 16) == 16 &&
              fmt->wFormatTag == WAVE_FORMAT_PCM && fmt->nBlockAlign && !mmioAscend(f, &chunk, 0);
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ok = ok && !mmioDescend(f, &chunk, &riff, MMIO_FINDCHUNK);
    if (ok) samples->resize(chunk.cksize);
    ok = ok && mmioRead(f, samples->data(), static_cast<LONG>(chunk.cksize)) == static_cast<LONG>(chunk.cksize);
    mmioClose(f, 0);
    return ok;
}

// Plays the file through `buffers` buffers in turn, again and again while the
// window is there (once when no title is given).
int PlayFile(const Options& o) {
    WAVEFORMATEX fmt;
    std::vector<char> samples;
    if (!ReadWav(o.file, &fmt, &samples)) return Fail(kArguments, "not a PCM WAV file");
    HWAVEOUT out = nullptr;
    if (waveOutOpen(&out, WAVE_MAPPER, &fmt, reinterpret_cast<DWORD_PTR>(g_event), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR)
        return Fail(kOpen, "open");
    const DWORD bytes = o.frames * fmt.nBlockAlign;
    std::vector<std::vector<char>> data(o.buffers, std::vector<char>(bytes));
    std::vector<WAVEHDR> headers(o.buffers);
    size_t at = 0;
    const auto playing = [&] { return o.whileTitle.empty() || FindWindowA(nullptr, o.whileTitle.c_str()); };
    bool more = true;
    while (more) {
        for (DWORD i = 0; i < o.buffers && more; ++i) {
            WAVEHDR& h = headers[i];
            if (h.dwFlags & WHDR_INQUEUE) continue;
            if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(out, &h, sizeof(h));
            if (at >= samples.size()) {
                at = 0;
                if (o.whileTitle.empty()) more = false;
            }
            if (!more || !playing()) {
                more = false;
                break;
            }
            const size_t n = samples.size() - at < bytes ? samples.size() - at : bytes;
            memcpy(data[i].data(), &samples[at], n);
            at += n;
            memset(&h, 0, sizeof(h));
            h.lpData = data[i].data();
            h.dwBufferLength = static_cast<DWORD>(n);
            waveOutPrepareHeader(out, &h, sizeof(h));
            if (waveOutWrite(out, &h, sizeof(h)) != MMSYSERR_NOERROR) return Fail(kWrite, "write");
        }
        Await([] { return true; }, 0);
        WaitForSingleObject(g_event, 200);
    }
    for (WAVEHDR& h : headers) {
        Await([&] { return !(h.dwFlags & WHDR_INQUEUE); }, 30000);
        waveOutUnprepareHeader(out, &h, sizeof(h));
    }
    waveOutClose(out);
    return kOk;
}

struct Closing {
    HWAVEOUT out;
    LONG closed;
};

DWORD WINAPI CloseFromAfar(LPVOID arg) {
    Closing* c = static_cast<Closing*>(arg);
    // Once the writes flow (a buffer has come back), however long starting took.
    for (const DWORD start = GetTickCount(); !g_counts.done && GetTickCount() - start < 20000;) Sleep(1);
    for (int tries = 0; tries < 2000; ++tries) {
        waveOutReset(c->out);
        if (waveOutClose(c->out) == MMSYSERR_NOERROR) {
            InterlockedExchange(&c->closed, 1);
            return 0;
        }
        Sleep(1);
    }
    return 1;
}

// Keeps every buffer that comes back written until the second thread has
// closed the device under it.
int CloseWhileWriting(HWAVEOUT out, std::vector<WAVEHDR>* headers) {
    Closing closing = {out, 0};
    HANDLE closer = CreateThread(nullptr, 0, &CloseFromAfar, &closing, 0, nullptr);
    if (!closer) return Fail(kArguments, "no thread");
    const DWORD start = GetTickCount();
    for (bool open = true; open && GetTickCount() - start < 20000;) {
        for (WAVEHDR& h : *headers)
            if (!(h.dwFlags & WHDR_INQUEUE) && waveOutWrite(out, &h, sizeof(WAVEHDR)) == MMSYSERR_INVALHANDLE)
                open = false;
        Await([] { return true; }, 0);
        Sleep(2);
    }
    const bool ended = WaitForSingleObject(closer, 20000) == WAIT_OBJECT_0;
    CloseHandle(closer);
    if (!ended || !closing.closed) return Fail(kNotDone, "the second thread could not close the device");
    return g_counts.strange ? Fail(kNotifications, "a header that is not ours") : kOk;
}

// Plays the signal once on a device of its own: open, write every chunk,
// wait for all of it, check the buffers and notifications, close.
int PlayTrack(const Options& o, DWORD_PTR callback, DWORD flags) {
    g_counts.open = g_counts.close = g_counts.done = g_counts.strange = 0;
    g_headers.clear();
    WAVEFORMATEX fmt = PcmFormat(o.rate, o.channels, o.bits);
    // The buffers are cut from one stream of the signal.
    const DWORD bytes = o.bytes ? o.bytes : o.frames * fmt.nBlockAlign;
    const DWORD lastChunk = o.last ? o.last : o.buffers;
    const DWORD total = o.buffers * (o.chunks - 1) + lastChunk;
    std::vector<char> stream(total * bytes + fmt.nBlockAlign);
    testsignal::Fill(stream.data(), static_cast<uint32_t>(stream.size() - stream.size() % fmt.nBlockAlign), 0, o.rate,
                     o.channels, o.bits);
    std::vector<std::vector<char>> data(total), pristine(total);
    std::vector<WAVEHDR> headers(total);
    g_doneOf.assign(total, 0);
    for (DWORD i = 0; i < total; ++i) {
        data[i].assign(stream.begin() + i * bytes, stream.begin() + (i + 1) * bytes);
        pristine[i] = data[i];
        g_headers.push_back(&headers[i]);
        headers[i].lpData = data[i].data();
        headers[i].dwBufferLength = bytes;
    }
    if (o.loop) {
        headers[0].dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        headers[0].dwLoops = 0xFFFFFFFF;
    }
    g_openWrite = o.openWrite && flags == CALLBACK_FUNCTION;

    HWAVEOUT out = nullptr;
    if (waveOutOpen(&out, WAVE_MAPPER, &fmt, callback, 0, flags) != MMSYSERR_NOERROR) return Fail(kOpen, "open");
    if (g_openWrite && g_openWriteResult != MMSYSERR_NOERROR) return Fail(kWrite, "write from WOM_OPEN");
    if (o.paused) waveOutPause(out);
    for (WAVEHDR& h : headers)
        if (!(h.dwFlags & WHDR_INQUEUE) && waveOutPrepareHeader(out, &h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
            return Fail(kPrepare, "prepare");
    if (o.closer) return CloseWhileWriting(out, &headers);

    HANDLE wrote = nullptr, go = nullptr;
    if (!o.sync.empty()) {
        wrote = CreateEventA(nullptr, FALSE, FALSE, (o.sync + ".wrote").c_str());
        go = CreateEventA(nullptr, FALSE, FALSE, (o.sync + ".go").c_str());
    }
    // Headers up to `end` not back yet.
    const auto queued = [&](DWORD end) {
        DWORD n = 0;
        for (DWORD i = 0; i < end; ++i) n += !(headers[i].dwFlags & WHDR_DONE);
        return n;
    };
    for (DWORD c = 0; c < o.chunks; ++c) {
        if (c > 0 && go) {
            if (o.drain && !Await([&] { return !queued(c * o.buffers); }, 60000))
                return Fail(kNotDone, "chunk not played");
            SetEvent(wrote);
            if (!Await([go] { return WaitForSingleObject(go, 0) == WAIT_OBJECT_0; }, 120000))
                return Fail(kSync, "no go");
        }
        for (DWORD b = 0; b < (c + 1 == o.chunks ? lastChunk : o.buffers); ++b) {
            if (c == 0 && b == 0 && g_openWrite) continue;  // written already
            const DWORD at = c * o.buffers + b;
            if (o.inflight && !Await([&] { return queued(at) < o.inflight; }, 60000))
                return Fail(kNotDone, "no buffer came back");
            if (waveOutWrite(out, &headers[at], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return Fail(kWrite, "write");
        }
    }
    if (o.loop) {
        // New sound into the looped buffer while it plays, then on to the rest.
        for (DWORD k = 0; k < 3; ++k) {
            Await([] { return false; }, 150);
            testsignal::Fill(data[0].data(), bytes - bytes % fmt.nBlockAlign, (total + k) * (bytes / fmt.nBlockAlign),
                             o.rate, o.channels, o.bits);
            pristine[0] = data[0];
        }
        Await([] { return false; }, 150);
        if (waveOutBreakLoop(out) != MMSYSERR_NOERROR) return Fail(kWrite, "break loop");
    }
    if (!Await([&] { return !queued(total); }, 10000 + total * bytes / fmt.nBlockAlign * 1000 / o.rate * 4))
        return Fail(kNotDone, "buffers not done");

    int result = kOk;
    for (DWORD i = 0; i < total; ++i) {
        const WAVEHDR& h = headers[i];
        if (memcmp(data[i].data(), pristine[i].data(), bytes) != 0) result = Fail(kBufferChanged, "a buffer changed");
        if (h.lpData != data[i].data() || h.dwBufferLength != bytes || (h.dwFlags & WHDR_INQUEUE) ||
            !(h.dwFlags & WHDR_PREPARED))
            result = Fail(kHeader, "a header changed");
    }
    for (WAVEHDR& h : headers) waveOutUnprepareHeader(out, &h, sizeof(WAVEHDR));
    waveOutClose(out);

    if (flags != CALLBACK_EVENT) {
        Await([] { return g_counts.close > 0; }, 5000);
        bool once = g_counts.open == 1 && g_counts.close == 1 && g_counts.strange == 0;
        for (LONG n : g_doneOf) once = once && n == 1;
        if (!once) {
            fprintf(stderr, "korvplay: open %ld close %ld done %ld strange %ld\n", g_counts.open, g_counts.close,
                    g_counts.done, g_counts.strange);
            if (result == kOk) result = kNotifications;
        }
    }
    return result;
}

}  // namespace

int PlayWave(Args& args) {
    Options o;
    if (!Parse(args, &o)) return Fail(kArguments, "bad arguments");
    g_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);

    g_console = o.mode == "console";

    // A window-based player: its main window first, shown, as programs do.
    HWND main = nullptr;
    if (o.mode == "window" && !(main = MakeWindow("korvplayMain", DefWindowProcA)))
        return Fail(kArguments, "no main window");
    if (!o.file.empty()) {
        const int played = PlayFile(o);
        if (main) DestroyWindow(main);
        return played;
    }

    HWND window = nullptr;
    DWORD_PTR callback = 0;
    DWORD flags = CALLBACK_NULL;
    if (o.callback == "event") {
        callback = reinterpret_cast<DWORD_PTR>(g_event);
        flags = CALLBACK_EVENT;
    } else if (o.callback == "function") {
        callback = reinterpret_cast<DWORD_PTR>(&WaveProc);
        flags = CALLBACK_FUNCTION;
    } else if (o.callback == "window") {
        window = MakeWindow("korvplay", WndProc, false);
        callback = reinterpret_cast<DWORD_PTR>(window);
        flags = CALLBACK_WINDOW;
    } else if (o.callback == "thread") {
        callback = GetCurrentThreadId();
        flags = CALLBACK_THREAD;
    } else {
        return Fail(kArguments, "unknown callback");
    }

    int result = kOk;
    for (DWORD t = 0; t < o.tracks && result == kOk; ++t) result = PlayTrack(o, callback, flags);
    if (window) DestroyWindow(window);
    if (main) DestroyWindow(main);
    return result;
}
