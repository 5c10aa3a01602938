// The player's DirectSound family (api=ds): a window program as games and
// players are: it shows its window, runs its message loop, and from a timer
// sets up DirectSound and keeps its buffer fed. It plays the DirectSound test
// signal (player/DsSignal.h) and checks that what it reads back from its
// buffer is always what it wrote.
//
//   korvplay.exe api=ds mode=stream|static|lookup|3d|pieces|cursor|whole|cocreate|ds8
//                [rate=48000] [ms=2000] [ring=4000]
//
// stream: DirectSoundCreate (imported); a looping ring of `ring` ms, filled
//         once, played, and refilled behind the play cursor from the timer,
//         with position notifications at its start and middle, which must
//         come as the cursor passes them;
// lookup: the same through DirectSoundCreate8 looked up by name;
// static: one static buffer holding the whole signal, played once;
// 3d:     the same as a mono buffer with 3D positioning;
// pieces, cursor, whole: a looping ring without notifications, half of it
//         written before Play, then fed as player/DsFeed.h says;
// cocreate: pieces, the object from CoCreateInstance and Initialize;
// ds8:    pieces, DirectSoundCreate8 and the buffer's 8 interface.
#include <windows.h>
// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Args.h"
#include "Player.h"
#include "tests/engine_e2e/player/DsFeed.h"
#include "tests/engine_e2e/player/DsSignal.h"

namespace {

typedef HRESULT(WINAPI* Create8Fn)(LPCGUID, IDirectSound8**, IUnknown*);

struct Options {
    std::string mode;
    DWORD rate = 48000, ms = 2000, ringMs = 4000;
};

class Player {
public:
    explicit Player(const Options& o) : m_o(o) {}
    ~Player() { Close(); }

    int Start(HWND window);
    // A timer tick: false when done (Result() says how it went).
    bool Tick();
    int Result() const { return m_result; }
    // Reads the whole buffer back a last time and lets it and the object go.
    void Close();

private:
    bool Fail(int code, const char* what) {
        if (m_result == kOk) m_result = ::Fail(code, what);
        return false;
    }
    bool Write(DWORD offset, DWORD bytes, unsigned long long firstFrame, DWORD flags = 0);
    bool Feed(DWORD play, DWORD write);
    bool ReadBack(DWORD offset, DWORD bytes);

    Options m_o;
    int m_result = kOk;
    IDirectSound* m_ds = nullptr;
    IDirectSoundBuffer* m_buffer = nullptr;
    DWORD m_channels = 2, m_block = 4, m_bytes = 0, m_signalFrames = 0;
    std::vector<char> m_mine;  // what this program last wrote, place by place
    bool m_stream = false;
    dsfeed::Style m_style = dsfeed::kBehind;
    unsigned long long m_written = 0;  // frames written into the ring so far
    unsigned long long m_played = 0;   // frames the play cursor passed
    DWORD m_lastPlay = 0;
    DWORD m_started = 0;
    DWORD m_lastTick = 0, m_longestGap = 0;  // for the log: how steadily the timer came
    HANDLE m_passed[2] = {};                 // the cursor passed the start, the middle
    DWORD m_notified[2] = {};
};

int Player::Start(HWND window) {
    m_style = dsfeed::StyleOf(m_o.mode);
    m_stream = m_o.mode == "stream" || m_o.mode == "lookup" || m_style != dsfeed::kBehind;
    const bool three = m_o.mode == "3d";
    m_channels = three ? 1 : 2;
    m_block = m_channels * 2;
    m_signalFrames = m_o.rate / 1000 * m_o.ms;

    HRESULT hr;
    if (m_o.mode == "lookup") {
        HMODULE dsound = LoadLibraryA("dsound.dll");
        Create8Fn create8 = dsound ? reinterpret_cast<Create8Fn>(
                                         reinterpret_cast<void (*)()>(GetProcAddress(dsound, "DirectSoundCreate8")))
                                   : nullptr;
        if (!create8) return Fail(kCreate, "no DirectSoundCreate8"), m_result;
        IDirectSound8* ds8 = nullptr;
        hr = create8(nullptr, &ds8, nullptr);
        m_ds = reinterpret_cast<IDirectSound*>(ds8);
    } else if (m_o.mode == "ds8") {
        IDirectSound8* ds8 = nullptr;
        hr = DirectSoundCreate8(nullptr, &ds8, nullptr);
        m_ds = reinterpret_cast<IDirectSound*>(ds8);
    } else if (m_o.mode == "cocreate") {
        // As COM-based libraries get theirs.
        CoInitialize(nullptr);
        hr = CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound,
                              reinterpret_cast<void**>(&m_ds));
        if (SUCCEEDED(hr) && m_ds) hr = m_ds->Initialize(nullptr);
    } else {
        hr = DirectSoundCreate(nullptr, &m_ds, nullptr);
    }
    if (FAILED(hr) || !m_ds) return Fail(kCreate, "create"), m_result;
    m_ds->SetCooperativeLevel(window, DSSCL_PRIORITY);

    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = static_cast<WORD>(m_channels);
    f.nSamplesPerSec = m_o.rate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = static_cast<WORD>(m_block);
    f.nAvgBytesPerSec = m_o.rate * m_block;
    DSBUFFERDESC d = {};
    d.dwSize = sizeof(d);
    d.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    if (!m_stream) d.dwFlags |= DSBCAPS_STATIC;
    if (m_stream && m_style == dsfeed::kBehind) d.dwFlags |= DSBCAPS_CTRLPOSITIONNOTIFY;
    if (three) d.dwFlags |= DSBCAPS_CTRL3D;
    m_bytes = m_stream ? m_o.rate / 1000 * m_o.ringMs * m_block : m_signalFrames * m_block;
    d.dwBufferBytes = m_bytes;
    d.lpwfxFormat = &f;
    if (FAILED(m_ds->CreateSoundBuffer(&d, &m_buffer, nullptr)) || !m_buffer) return Fail(kBuffer, "buffer"), m_result;
    if (m_o.mode == "ds8") {
        // From here on through the 8 interface, as programs written for it do.
        IDirectSoundBuffer8* b8 = nullptr;
        if (FAILED(m_buffer->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&b8))) || !b8)
            return Fail(kBuffer, "no IDirectSoundBuffer8"), m_result;
        m_buffer->Release();
        m_buffer = reinterpret_cast<IDirectSoundBuffer*>(b8);
    }

    // A new buffer reads back as it came, before anything is written.
    m_mine.assign(m_bytes, 0);
    if (!ReadBack(0, m_bytes)) return m_result;
    // The ring's first half only, for the fed styles: the rest comes while it plays.
    const DWORD first = m_style == dsfeed::kBehind ? m_bytes : m_bytes / 2;
    if (!Write(0, first, 0)) return m_result;
    m_written = first / m_block;
    if (m_stream && m_style == dsfeed::kBehind) {
        IDirectSoundNotify* notify = nullptr;
        if (FAILED(m_buffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify))) || !notify)
            return Fail(kNotify, "no notify interface"), m_result;
        DSBPOSITIONNOTIFY at[2];
        for (int i = 0; i < 2; ++i) {
            m_passed[i] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            at[i].dwOffset = i * (m_bytes / 2);
            at[i].hEventNotify = m_passed[i];
        }
        const HRESULT set = notify->SetNotificationPositions(2, at);
        notify->Release();
        if (FAILED(set)) return Fail(kNotify, "notification positions"), m_result;
    }
    if (FAILED(m_buffer->Play(0, 0, m_stream ? DSBPLAY_LOOPING : 0))) return Fail(kBuffer, "play"), m_result;
    m_started = GetTickCount();
    return kOk;
}

bool Player::Write(DWORD offset, DWORD bytes, unsigned long long firstFrame, DWORD flags) {
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(m_buffer->Lock(offset, bytes, &p1, &n1, &p2, &n2, flags)) || n1 + n2 != bytes)
        return Fail(kLock, "lock");
    std::vector<int16_t> data(bytes / 2);
    dssignal::Fill(data.data(), bytes / m_block, static_cast<uint32_t>(firstFrame), m_signalFrames, m_o.rate,
                   m_channels);
    memcpy(p1, data.data(), n1);
    if (p2) memcpy(p2, reinterpret_cast<char*>(data.data()) + n1, n2);
    memcpy(&m_mine[offset], data.data(), n1);
    if (n2) memcpy(&m_mine[0], reinterpret_cast<char*>(data.data()) + n1, n2);
    if (FAILED(m_buffer->Unlock(p1, n1, p2, n2))) return Fail(kLock, "unlock");
    return ReadBack(offset, bytes);
}

// Locks the place again and reads it: it must hold what this program wrote.
bool Player::ReadBack(DWORD offset, DWORD bytes) {
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(m_buffer->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0))) return Fail(kLock, "lock to read");
    const bool same = memcmp(p1, &m_mine[offset], n1) == 0 && (!n2 || memcmp(p2, &m_mine[0], n2) == 0);
    m_buffer->Unlock(p1, 0, p2, 0);
    return same || Fail(kChanged, "the buffer reads back otherwise than written");
}

bool Player::Tick() {
    if (!m_buffer || m_result != kOk) return false;
    const DWORD limit = 30000 + m_o.ms * 20;
    if (GetTickCount() - m_started > limit) return Fail(kTimeout, "still playing");
    DWORD play = 0, write = 0, status = 0;
    if (FAILED(m_buffer->GetCurrentPosition(&play, &write)) || play >= m_bytes || write >= m_bytes)
        return Fail(kPosition, "position");
    m_buffer->GetStatus(&status);
    if (!m_stream) return (status & DSBSTATUS_PLAYING) != 0;
    const DWORD now = GetTickCount();
    if (m_lastTick && now - m_lastTick > m_longestGap) m_longestGap = now - m_lastTick;
    m_lastTick = now;

    // A notification says the cursor passed its place: it is now in the half after it.
    for (int i = 0; i < 2; ++i)
        if (WaitForSingleObject(m_passed[i], 0) == WAIT_OBJECT_0) {
            ++m_notified[i];
            if (static_cast<int>(play / (m_bytes / 2)) != i && m_played > 0)
                fprintf(stderr, "korvplay: notification %d came with the cursor at %lu\n", i, play);
        }
    m_played += (play + m_bytes - m_lastPlay) % m_bytes / m_block;
    m_lastPlay = play;
    if (m_written < m_played + 1) return Fail(kTimeout, "the ring ran dry");  // fed too late: a gap
    // Everything played, and a tail of silence after it: the end.
    if (m_played > m_signalFrames + m_o.rate / 5) {
        m_buffer->Stop();
        // Each place passed at least once a lap (a late timer may see two as one).
        const DWORD laps = static_cast<DWORD>(m_played / (m_bytes / m_block));
        if (m_style == dsfeed::kBehind && (m_notified[1] < laps || m_notified[0] < laps))
            return Fail(kNotify, "notifications missing");
        return false;
    }
    if (m_style != dsfeed::kBehind) return Feed(play, write);
    // Refill what was played, up to the play cursor.
    const DWORD from = static_cast<DWORD>(m_written % (m_bytes / m_block)) * m_block;
    const DWORD room = (play + m_bytes - from) % m_bytes;
    if (room && !Write(from, room, m_written)) return false;
    m_written += room / m_block;
    return true;
}

bool Player::Feed(DWORD play, DWORD write) {
    const dsfeed::Cursor at = {m_played, m_played + (write + m_bytes - play) % m_bytes / m_block, play};
    dsfeed::Piece pieces[2];
    // Pieces until the ring is half full again (a late tick writes several).
    for (int n = dsfeed::Plan(m_style, at, m_written, m_bytes, m_block, m_o.rate, pieces); n;
         n = m_style == dsfeed::kPieces ? dsfeed::Plan(m_style, at, m_written, m_bytes, m_block, m_o.rate, pieces) : 0)
        for (int i = 0; i < n; ++i) {
            const dsfeed::Piece& p = pieces[i];
            if (m_style == dsfeed::kWhole) {
                // One lock of the whole ring from its start: the part before the
                // play cursor plays a lap later.
                std::vector<char> ring(m_bytes);
                const DWORD tail = m_bytes - p.offset;
                std::vector<int16_t> data(m_bytes / 2);
                dssignal::Fill(data.data(), m_bytes / m_block, static_cast<uint32_t>(p.first), m_signalFrames, m_o.rate,
                               m_channels);
                memcpy(&ring[p.offset], data.data(), tail);
                memcpy(&ring[0], reinterpret_cast<char*>(data.data()) + tail, p.offset);
                void *p1 = nullptr, *p2 = nullptr;
                DWORD n1 = 0, n2 = 0;
                if (FAILED(m_buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER)) || n1 + n2 != m_bytes)
                    return Fail(kLock, "lock the whole ring");
                memcpy(p1, ring.data(), n1);
                if (n2) memcpy(p2, ring.data() + n1, n2);
                m_mine.assign(ring.begin(), ring.end());
                if (FAILED(m_buffer->Unlock(p1, n1, p2, n2))) return Fail(kLock, "unlock");
                if (!ReadBack(0, m_bytes)) return false;
            } else if (!Write(p.offset, p.bytes, p.first)) {
                return false;
            }
            const unsigned long long end = p.first + p.bytes / m_block;
            if (end > m_written) m_written = end;
        }
    return true;
}

void Player::Close() {
    // The buffer first, then the object, as a careful program does.
    if (m_buffer) {
        if (m_stream)
            fprintf(stderr, "korvplay: %llu frames played in %lu ms, the timer %lu ms late at most\n", m_played,
                    GetTickCount() - m_started, m_longestGap);
        if (m_result == kOk) ReadBack(0, m_bytes);
        m_buffer->Release();
    }
    if (m_ds) m_ds->Release();
    for (HANDLE& h : m_passed)
        if (h) CloseHandle(h);
    m_buffer = nullptr;
    m_ds = nullptr;
}

bool Parse(Args& a, Options* o) {
    o->mode = a.Text("mode", o->mode);
    o->rate = a.Number("rate", o->rate);
    o->ms = a.Number("ms", o->ms);
    o->ringMs = a.Number("ring", o->ringMs);
    return a.AllRead() &&
           (o->mode == "stream" || o->mode == "lookup" || o->mode == "static" || o->mode == "3d" ||
            dsfeed::StyleOf(o->mode) != dsfeed::kBehind) &&
           o->rate >= 8000 && o->ms && o->ringMs >= 100;
}

Player* g_player = nullptr;
int g_exit = kOk;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        // Sound starts with the first tick, after the window is up.
        bool more;
        if (!g_player->Result() && GetWindowLongPtrA(hwnd, GWLP_USERDATA) == 0) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 1);
            more = g_player->Start(hwnd) == kOk;
        } else {
            more = g_player->Tick();
        }
        if (!more) {
            KillTimer(hwnd, 1);
            g_player->Close();
            g_exit = g_player->Result();
            DestroyWindow(hwnd);
        }
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int PlayDirectSound(Args& args) {
    Options o;
    if (!Parse(args, &o)) return Fail(kArguments, "bad arguments");
    timeBeginPeriod(1);  // as games do, for a steady timer
    Player player(o);
    g_player = &player;
    HWND window = ShowMainWindow("korvplayDs", WndProc);
    if (!window) return Fail(kArguments, "no main window");
    SetTimer(window, 1, 10, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    timeEndPeriod(1);
    return g_exit;
}
