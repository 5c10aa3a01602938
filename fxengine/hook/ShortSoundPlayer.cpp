#include "ShortSoundPlayer.h"

// after windows.h, which it needs
#include <mmsystem.h>
#include <string.h>

#include <new>
#include <utility>

#include "WaveOutEngine.h"

namespace fxengine {

struct ShortSoundPlayer::Sound {
    SoundBytes bytes;
    const uint8_t* data;
    DWORD dataBytes;
    bool loop;
    // The format as a whole WAVEFORMATEX (a plain PCM chunk has no cbSize).
    alignas(4) uint8_t format[kMaxFormat];
};

namespace {

CRITICAL_SECTION g_lock;
bool g_ready = false;
void* volatile g_current = nullptr;  // the Sound playing
HANDLE g_stop = nullptr;             // manual: set while the sound playing is to end
HANDLE g_idle = nullptr;             // manual: set while none plays

}  // namespace

void ShortSoundPlayer::Init() {
    InitializeCriticalSection(&g_lock);
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_idle = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    g_ready = g_stop && g_idle;
}

void ShortSoundPlayer::Shutdown() {
    // Only reached in a process the engine never joined: nothing ever played.
    if (g_stop) CloseHandle(g_stop);
    if (g_idle) CloseHandle(g_idle);
    DeleteCriticalSection(&g_lock);
    g_ready = false;
}

bool ShortSoundPlayer::Playing() {
    return __atomic_load_n(&g_current, __ATOMIC_ACQUIRE) != nullptr;
}

bool ShortSoundPlayer::Begin(Sound* sound, bool noStop) {
    EnterCriticalSection(&g_lock);
    if (noStop && g_current) {
        LeaveCriticalSection(&g_lock);
        return false;
    }
    // Another thread may start a sound while this one waits: until none plays.
    while (g_current) {
        ResetEvent(g_idle);
        SetEvent(g_stop);
        LeaveCriticalSection(&g_lock);
        WaitForSingleObject(g_idle, INFINITE);
        EnterCriticalSection(&g_lock);
    }
    ResetEvent(g_stop);
    if (sound) {
        ResetEvent(g_idle);
        __atomic_store_n(&g_current, static_cast<void*>(sound), __ATOMIC_RELEASE);
    }
    LeaveCriticalSection(&g_lock);
    return true;
}

void ShortSoundPlayer::End(Sound* sound) {
    EnterCriticalSection(&g_lock);
    if (g_current == sound) {
        __atomic_store_n(&g_current, static_cast<void*>(nullptr), __ATOMIC_RELEASE);
        SetEvent(g_idle);
    }
    LeaveCriticalSection(&g_lock);
}

void ShortSoundPlayer::Stop() {
    if (g_ready && Playing()) Begin(nullptr, false);
}

BOOL ShortSoundPlayer::Play(SoundBytes bytes, const WaveImage& image, bool async, bool loop, bool noStop) {
    if (!g_ready || image.formatBytes > sizeof(Sound::format)) return FALSE;
    Sound* sound = new (std::nothrow) Sound;
    if (!sound) return FALSE;
    memset(sound->format, 0, sizeof(sound->format));
    memcpy(sound->format, image.format, image.formatBytes);
    sound->data = image.data;
    sound->dataBytes = image.dataBytes;
    sound->loop = loop;
    sound->bytes = std::move(bytes);
    if (!Begin(sound, noStop)) {
        delete sound;
        return FALSE;
    }
    if (!async) return Run(sound);
    HANDLE thread = CreateThread(nullptr, 0, &Thread, sound, 0, nullptr);
    if (!thread) {
        End(sound);
        delete sound;
        return FALSE;
    }
    CloseHandle(thread);
    return TRUE;
}

DWORD WINAPI ShortSoundPlayer::Thread(LPVOID sound) {
    Run(static_cast<Sound*>(sound));
    return 0;
}

BOOL ShortSoundPlayer::Run(Sound* sound) {
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT out = nullptr;
    const MMRESULT opened =
        done ? WaveOutEngine::Open(&out, WAVE_MAPPER, reinterpret_cast<const WAVEFORMATEX*>(sound->format),
                                   reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT)
             : MMSYSERR_NOMEM;
    if (opened == MMSYSERR_NOERROR) {
        // The whole sound as one buffer; a loop plays it until stopped.
        WAVEHDR header = {};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<uint8_t*>(sound->data));
        header.dwBufferLength = sound->dataBytes;
        if (sound->loop) {
            header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
            header.dwLoops = 0xFFFFFFFF;
        }
        if (WaveOutEngine::Prepare(out, &header, sizeof(header)) == MMSYSERR_NOERROR) {
            if (WaveOutEngine::Write(out, &header, sizeof(header)) == MMSYSERR_NOERROR) {
                const HANDLE either[] = {g_stop, done};
                while (!(header.dwFlags & WHDR_DONE))
                    if (WaitForMultipleObjects(2, either, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
            }
            WaveOutEngine::Reset(out);
            WaveOutEngine::Unprepare(out, &header, sizeof(header));
        }
        WaveOutEngine::Close(out);
    }
    if (done) CloseHandle(done);
    End(sound);
    delete sound;
    return opened == MMSYSERR_NOERROR;
}

}  // namespace fxengine
