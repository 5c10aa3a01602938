// The player's DirectSound family (api=ds): a window program as games and
// players are: it shows its window, runs its message loop, and from a timer
// sets up DirectSound and keeps its buffer fed. It plays the DirectSound test
// signal (player/DsSignal.h) and checks that what it reads back from its
// buffer is always what it wrote.
//
//   korvplay.exe api=ds mode=stream|static|3d [feed=notify] [create=ds]
//                [rate=48000] [ms=2000] [ring=1000] [dup=1] [wait=1] [sync=NAME]
//
// stream: a looping ring of `ring` ms (DSBCAPS_GETCURRENTPOSITION2 |
//         DSBCAPS_GLOBALFOCUS) fed as player/DsFeed.h says (feed=), until
//         `ms` of signal and a tail of silence played;
// static: one static buffer holding the whole signal and 200 ms of silence,
//         played once (dup=1: through a duplicate, DuplicateSoundBuffer);
//         with wait=1 and sync=, once loaded it sets NAME.wrote and waits
//         for NAME.go before it plays, as a game plays a shot loaded long before;
// 3d:     one static mono buffer with 3D positioning, played once, the
//         listener placed through the primary buffer.
// create= says how the object is made (player/DsCreate.h).
#include <windows.h>
// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Args.h"
#include "Player.h"
#include "tests/engine_e2e/player/DsCreate.h"
#include "tests/engine_e2e/player/DsFeed.h"
#include "tests/engine_e2e/player/DsSignal.h"

namespace {

struct Options {
    std::string mode, feed = "notify", create = "ds", sync;
    DWORD rate = 48000, ms = 2000, ringMs = 1000, dup = 0, wait = 0;
};

class Player {
public:
    explicit Player(const Options& o) : m_o(o) {}
    ~Player() { Close(); }

    bool Start(HWND window) {
        m_style = dsfeed::StyleOf(m_o.feed);
        m_stream = m_o.mode == "stream";
        const bool three = m_o.mode == "3d";
        m_channels = three ? 1 : 2;
        m_block = m_channels * 2;
        m_signalFrames = m_o.rate / 1000 * m_o.ms;
        if (!m_o.sync.empty()) {
            m_wrote = CreateEventA(nullptr, FALSE, FALSE, (m_o.sync + ".wrote").c_str());
            m_go = CreateEventA(nullptr, FALSE, FALSE, (m_o.sync + ".go").c_str());
        }

        m_ds = dscreate::Create(m_o.create);
        if (!m_ds) return Fail(kCreate, "create");
        m_ds->SetCooperativeLevel(window, DSSCL_PRIORITY);

        WAVEFORMATEX f = PcmFormat(m_o.rate, m_channels, 16);
        DSBUFFERDESC d = {};
        d.dwSize = sizeof(d);
        d.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
        if (!m_stream) d.dwFlags |= DSBCAPS_STATIC;
        if (m_style == dsfeed::kNotify) d.dwFlags |= DSBCAPS_CTRLPOSITIONNOTIFY;
        if (three) d.dwFlags |= DSBCAPS_CTRL3D;
        // A static buffer ends in 200 ms of silence, as many sound effects do.
        m_bytes = (m_stream ? m_o.rate / 1000 * m_o.ringMs : m_signalFrames + m_o.rate / 5) * m_block;
        d.dwBufferBytes = m_bytes;
        d.lpwfxFormat = &f;
        if (FAILED(m_ds->CreateSoundBuffer(&d, &m_buffer, nullptr)) || !m_buffer) return Fail(kBuffer, "buffer");
        if (three && !PlaceListener()) return false;
        if (dscreate::Eight(m_o.create)) {
            // From here on through the 8 interface, as programs written for it do.
            IDirectSoundBuffer8* b8 = nullptr;
            if (FAILED(m_buffer->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&b8))) || !b8)
                return Fail(kBuffer, "no IDirectSoundBuffer8");
            m_buffer->Release();
            m_buffer = reinterpret_cast<IDirectSoundBuffer*>(b8);
        }

        // A new buffer reads back as it came, before anything is written.
        m_mine.assign(m_bytes, 0);
        if (!ReadBack(0, m_bytes)) return false;
        // Fed in pieces, the ring's first half only, as many games do: the
        // rest comes while it plays. The others fill it whole.
        const DWORD first = m_stream && m_style == dsfeed::kPieces ? m_bytes / 2 : m_bytes;
        if (!Write(0, first, 0)) return false;
        m_written = first / m_block;
        if (m_style == dsfeed::kNotify) {
            IDirectSoundNotify* notify = nullptr;
            if (FAILED(m_buffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify))) || !notify)
                return Fail(kNotify, "no notify interface");
            DSBPOSITIONNOTIFY at[2];
            for (int i = 0; i < 2; ++i) {
                m_passed[i] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
                at[i].dwOffset = i * (m_bytes / 2);
                at[i].hEventNotify = m_passed[i];
            }
            const HRESULT set = notify->SetNotificationPositions(2, at);
            notify->Release();
            if (FAILED(set)) return Fail(kNotify, "notification positions");
        }
        if (m_o.dup && (FAILED(m_ds->DuplicateSoundBuffer(m_buffer, &m_duplicate)) || !m_duplicate))
            return Fail(kBuffer, "duplicate");
        m_started = m_lastAdvance = GetTickCount();
        if (!m_stream && m_o.wait) {
            if (!m_go) return Fail(kSync, "wait=1 without sync=");
            m_waiting = true;
            return SetEvent(m_wrote) || Fail(kSync, "wrote");
        }
        IDirectSoundBuffer* b = m_duplicate ? m_duplicate : m_buffer;
        return SUCCEEDED(b->Play(0, 0, m_stream ? DSBPLAY_LOOPING : 0)) || Fail(kBuffer, "play");
    }

    // A timer tick: false when done (Result() says how it went).
    bool Tick() {
        if (!m_buffer || m_result != kOk) return false;
        const DWORD now = GetTickCount();
        if (!m_waiting && now - m_started > 30000 + m_o.ms * 20) return Fail(kTimeout, "still playing");
        DWORD status = 0;
        m_buffer->GetStatus(&status);
        if (!m_stream) return StaticTick(status);
        if (m_lastTick && now - m_lastTick > m_longestGap) m_longestGap = now - m_lastTick;
        m_lastTick = now;

        DWORD play = 0, write = 0;
        if (!Advance(&play, &write)) return false;
        // Everything played, and a tail of silence after it: the end.
        if (m_played > m_signalFrames + m_o.rate / 5) {
            m_buffer->Stop();
            // Each place came (a late wake sees several as one: a loaded machine
            // may hold the program back for more than a lap).
            if (m_style == dsfeed::kNotify) {
                fprintf(stderr, "korvplay: notified %lu and %lu times in %llu laps\n", m_notified[0], m_notified[1],
                        m_played / (m_bytes / m_block));
                if (!m_notified[0] || !m_notified[1]) return Fail(kNotify, "notifications missing");
            }
            return false;
        }
        return m_style == dsfeed::kNotify || Feed(play, write);
    }

    // The notifications that wake the program (notify feed); their count.
    int Events(HANDLE out[2]) const {
        if (!m_buffer || m_result != kOk || !m_passed[0]) return 0;
        out[0] = m_passed[0];
        out[1] = m_passed[1];
        return 2;
    }

    // Notification i came: the cursor entered half i.
    bool Notified(int i) {
        ++m_notified[i];
        DWORD play = 0, write = 0;
        if (!Advance(&play, &write)) return false;
        // Refill what the cursor left behind (Wine signals a place as its mixer
        // takes it, before the play cursor has passed it).
        const DWORD from = static_cast<DWORD>(m_written % (m_bytes / m_block)) * m_block;
        const DWORD room = (play + m_bytes - from) % m_bytes;
        return !room || Write(from, room, m_written);
    }

    int Result() const { return m_result == kOk && m_dry ? kRanDry : m_result; }

    // Reads the whole buffer back a last time and lets it and the object go.
    void Close() {
        // The buffers first, then the object, as a careful program does.
        if (m_buffer) {
            if (m_stream)
                fprintf(stderr,
                        "korvplay: %llu frames played in %lu ms, the timer %lu ms late at most, the write cursor %lu "
                        "frames ahead at most, the ring dry %lu times, the play cursor %lu times back (%lu frames at "
                        "most)\n",
                        m_played, GetTickCount() - m_started, m_longestGap, m_longestLead, m_dry, m_back,
                        m_longestBack);
            if (m_result == kOk) ReadBack(0, m_bytes);
            if (m_duplicate) m_duplicate->Release();
            m_buffer->Release();
        }
        if (m_ds) m_ds->Release();
        for (HANDLE* h : {&m_passed[0], &m_passed[1], &m_wrote, &m_go})
            if (*h) CloseHandle(*h), *h = nullptr;
        m_buffer = m_duplicate = nullptr;
        m_ds = nullptr;
    }

private:
    bool Fail(int code, const char* what) {
        if (m_result == kOk) m_result = ::Fail(code, what);
        return false;
    }

    // A 3D game places its listener through the primary buffer, which must
    // stay the system's own.
    bool PlaceListener() {
        DSBUFFERDESC d = {};
        d.dwSize = sizeof(d);
        d.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
        IDirectSoundBuffer* primary = nullptr;
        if (FAILED(m_ds->CreateSoundBuffer(&d, &primary, nullptr)) || !primary) return Fail(kBuffer, "primary buffer");
        IDirectSound3DListener* listener = nullptr;
        const bool placed =
            SUCCEEDED(primary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&listener))) &&
            listener && SUCCEEDED(listener->SetPosition(0, 0, 0, DS3D_IMMEDIATE));
        if (listener) listener->Release();
        primary->Release();
        return placed || Fail(kBuffer, "no listener on the primary buffer");
    }

    // Writes the signal from `first` on at `offset`; with
    // DSBLOCK_FROMWRITECURSOR the place (and so the frame) is the write
    // cursor's; with DSBLOCK_ENTIREBUFFER the whole ring, in one lock.
    bool Write(DWORD offset, DWORD bytes, unsigned long long first, DWORD flags = 0) {
        // A lock from the write cursor lands where the cursor stands: known
        // when it stood still across the lock.
        DWORD play = 0;
        const bool fromWrite = (flags & DSBLOCK_FROMWRITECURSOR) != 0;
        if (fromWrite && FAILED(m_buffer->GetCurrentPosition(&play, &offset))) return Fail(kPosition, "position");
        void *p1 = nullptr, *p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        // The whole ring, locked from its start: the part before `offset` plays a lap later.
        const bool whole = (flags & DSBLOCK_ENTIREBUFFER) != 0;
        if (FAILED(m_buffer->Lock(whole ? 0 : offset, bytes, &p1, &n1, &p2, &n2, flags)) || n1 + n2 != bytes)
            return Fail(kLock, "lock");
        if (fromWrite) {
            DWORD after = 0;
            if (FAILED(m_buffer->GetCurrentPosition(&play, &after))) return Fail(kPosition, "position");
            // It moved: the place is not known, so nothing is written (again at the next tick).
            if (after != offset) return SUCCEEDED(m_buffer->Unlock(p1, 0, p2, 0)) || Fail(kLock, "unlock");
            // The frame that plays there next: as far past the play cursor as the place is.
            first = m_played + (offset + m_bytes - m_lastPlay) % m_bytes / m_block;
        }
        std::vector<int16_t> data(bytes / 2);
        dssignal::Fill(data.data(), bytes / m_block, static_cast<uint32_t>(first), m_signalFrames, m_o.rate,
                       m_channels);
        if (whole) {
            std::rotate(data.begin(), data.begin() + (m_bytes - offset) % m_bytes / 2, data.end());
            offset = 0;
        }
        KeepNearCursor(offset, reinterpret_cast<char*>(data.data()), bytes);
        memcpy(p1, data.data(), n1);
        if (p2) memcpy(p2, reinterpret_cast<char*>(data.data()) + n1, n2);
        memcpy(&m_mine[offset], data.data(), n1);
        if (n2) memcpy(&m_mine[0], reinterpret_cast<char*>(data.data()) + n1, n2);
        if (FAILED(m_buffer->Unlock(p1, n1, p2, n2))) return Fail(kLock, "unlock");
        const unsigned long long end = first + bytes / m_block;
        if (end > m_written) m_written = end;
        return ReadBack(offset, bytes);
    }

    // This Wine's mixer takes the sound ahead of the play cursor in passes
    // reaching well past the write cursor it reports, so a frame changed there
    // while it reads is heard half old, half new (seen without the engine, from
    // a program that had fallen behind). A careful program changes nothing that
    // near: there it writes again what it wrote before.
    void KeepNearCursor(DWORD offset, char* data, DWORD bytes) {
        constexpr DWORD kGuardMs = 150;
        DWORD status = 0, play = 0;
        if (FAILED(m_buffer->GetStatus(&status)) || !(status & DSBSTATUS_PLAYING) ||
            FAILED(m_buffer->GetCurrentPosition(&play, nullptr)))
            return;
        const DWORD guard = m_o.rate / 1000 * kGuardMs * m_block;
        for (DWORD i = 0; i < bytes; i += m_block) {
            const DWORD at = (offset + i) % m_bytes;
            if ((at + m_bytes - play) % m_bytes < guard) memcpy(data + i, &m_mine[at], m_block);
        }
    }

    // Locks the place again and reads it: it must hold what this program wrote.
    bool ReadBack(DWORD offset, DWORD bytes) {
        void *p1 = nullptr, *p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        if (FAILED(m_buffer->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0))) return Fail(kLock, "lock to read");
        const bool same = memcmp(p1, &m_mine[offset], n1) == 0 && (!n2 || memcmp(p2, &m_mine[0], n2) == 0);
        m_buffer->Unlock(p1, 0, p2, 0);
        return same || Fail(kChanged, "the buffer reads back otherwise than written");
    }

    // Follows the play cursor; false on a fault.
    bool Advance(DWORD* play, DWORD* write) {
        if (FAILED(m_buffer->GetCurrentPosition(play, write)) || *play >= m_bytes || *write >= m_bytes)
            return Fail(kPosition, "position");
        const DWORD lead = (*write + m_bytes - *play) % m_bytes / m_block;
        if (lead > m_longestLead) m_longestLead = lead;
        // A cursor that seems to have run nearly a lap in less time than even a
        // mixer at eight times real time needs has stepped back a little: it
        // stays where it was.
        const DWORD now = GetTickCount(), moved = (*play + m_bytes - m_lastPlay) % m_bytes / m_block;
        const unsigned long long most = (now - m_lastAdvance + 1ull) * m_o.rate / 1000 * 8;
        if (moved > m_bytes / m_block / 8 * 7 && moved > most) {
            const DWORD back = m_bytes / m_block - moved;
            if (back > m_longestBack) m_longestBack = back;
            ++m_back;
            return true;
        }
        m_played += moved;
        m_lastPlay = *play;
        m_lastAdvance = now;
        // Fed too late (the machine held the program back): the cursor reached
        // what was not written, so a lap plays again. On from where it is.
        if (m_written < m_played + 1) {
            ++m_dry;
            m_written = m_played + lead;  // where writing is safe again
        }
        return true;
    }

    bool StaticTick(DWORD status) {
        IDirectSoundBuffer* b = m_duplicate ? m_duplicate : m_buffer;
        if (m_waiting) {
            if (GetTickCount() - m_started > 120000) return Fail(kSync, "no go");
            if (WaitForSingleObject(m_go, 0) != WAIT_OBJECT_0) return true;
            m_waiting = false;
            if (FAILED(b->Play(0, 0, 0))) return Fail(kBuffer, "play");
            m_started = GetTickCount();
            return true;
        }
        DWORD playing = status;
        if (b != m_buffer) b->GetStatus(&playing);
        return (playing & DSBSTATUS_PLAYING) != 0;
    }

    bool Feed(DWORD play, DWORD write) {
        const dsfeed::Cursor at = {m_played, m_played + (write + m_bytes - play) % m_bytes / m_block, play};
        dsfeed::Piece p;
        // Pieces until the ring is half full again (a late tick writes several).
        while (dsfeed::Plan(m_style, at, m_written, m_bytes, m_block, m_o.rate, &p)) {
            if (m_style == dsfeed::kWhole) return Write(p.offset, m_bytes, p.first, DSBLOCK_ENTIREBUFFER);
            if (m_style == dsfeed::kFromWrite) return Write(0, p.bytes, 0, DSBLOCK_FROMWRITECURSOR);
            if (!Write(p.offset, p.bytes, p.first)) return false;
            if (m_style != dsfeed::kPieces) return true;
        }
        return true;
    }

    Options m_o;
    int m_result = kOk;
    IDirectSound* m_ds = nullptr;
    IDirectSoundBuffer* m_buffer = nullptr;
    IDirectSoundBuffer* m_duplicate = nullptr;  // static: the one it plays through (dup=1)
    DWORD m_channels = 2, m_block = 4, m_bytes = 0, m_signalFrames = 0;
    std::vector<char> m_mine;  // what this program last wrote, place by place
    bool m_stream = false;
    dsfeed::Style m_style = dsfeed::kNone;
    unsigned long long m_written = 0;  // frames written into the ring so far
    unsigned long long m_played = 0;   // frames the play cursor passed
    DWORD m_lastPlay = 0;
    DWORD m_started = 0;
    DWORD m_lastTick = 0, m_longestGap = 0;  // for the log: how steadily the timer came
    DWORD m_longestLead = 0;                 // and how far the write cursor ran ahead
    DWORD m_dry = 0;                         // times the ring ran dry
    DWORD m_lastAdvance = 0;                 // when the play cursor was last seen moving
    DWORD m_back = 0, m_longestBack = 0;     // times the play cursor stepped back, and how far at most
    HANDLE m_passed[2] = {};                 // the cursor passed the start, the middle
    DWORD m_notified[2] = {};
    HANDLE m_wrote = nullptr, m_go = nullptr;
    bool m_waiting = false;
};

bool Parse(Args& a, Options* o) {
    a.Read({{"mode", &o->mode}, {"feed", &o->feed}, {"create", &o->create}, {"sync", &o->sync}});
    a.Read({{"rate", &o->rate}, {"ms", &o->ms}, {"ring", &o->ringMs}, {"dup", &o->dup}, {"wait", &o->wait}});
    return a.AllRead() && (o->mode == "stream" || o->mode == "static" || o->mode == "3d") &&
           dsfeed::StyleOf(o->feed) != dsfeed::kNone && dscreate::Known(o->create) && o->rate >= 8000 && o->ms &&
           o->ringMs >= 100;
}

Player* g_player = nullptr;
int g_exit = kOk;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        // Sound starts with the first tick, after the window is up.
        bool more;
        if (g_player->Result() == kOk && GetWindowLongPtrA(hwnd, GWLP_USERDATA) == 0) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 1);
            more = g_player->Start(hwnd);
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
    HWND window = MakeWindow("korvplayDs", WndProc);
    if (!window) return Fail(kArguments, "no main window");
    SetTimer(window, 1, 10, nullptr);
    // The message loop also wakes on the buffer's notifications, as a
    // program fed by them does.
    for (;;) {
        MSG msg;
        bool quit = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (quit) break;
        HANDLE events[2];
        const int n = player.Events(events);
        const DWORD woke = MsgWaitForMultipleObjects(n, events, FALSE, INFINITE, QS_ALLINPUT);
        // Both may have come while the program was held back: each is
        // taken (a fault ends the play at the next tick).
        if (woke < WAIT_OBJECT_0 + n)
            for (int i = 0; i < n; ++i)
                if (i == static_cast<int>(woke - WAIT_OBJECT_0) || WaitForSingleObject(events[i], 0) == WAIT_OBJECT_0)
                    player.Notified(i);
    }
    timeEndPeriod(1);
    return g_exit;
}
