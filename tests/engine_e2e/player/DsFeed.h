// How the player (api=ds mode=stream) keeps its looping buffer fed, in the
// ways games and players do it (feed=). The player owns the buffer and the
// signal; a feed decides where and how much to write.
//   notify:    the whole ring written before Play; what the play cursor
//              left behind refilled when a position notification (at the
//              ring's start and middle) wakes the program;
//   pieces:    fixed 100 ms pieces at the program's own offsets whenever less
//              than half the ring is queued ahead of the play cursor (no
//              notifications);
//   cursor:    from the write cursor GetCurrentPosition reports to half a
//              ring past the play cursor, at every tick (what lies there is
//              written over);
//   fromwrite: the same through a lock with DSBLOCK_FROMWRITECURSOR;
//   whole:     the whole ring rewritten at every tick (DSBLOCK_ENTIREBUFFER),
//              each place with the frame it will play next.
// Fed in pieces, half the ring is written before Play; the others write it whole.
#pragma once

#include <windows.h>

#include <string>

namespace dsfeed {

enum Style { kNone, kNotify, kPieces, kCursor, kFromWrite, kWhole };

Style StyleOf(const std::string& name);

// Where the stream stands: frames from its start.
struct Cursor {
    unsigned long long played;  // frames the play cursor passed
    unsigned long long write;   // where the write cursor stands
    DWORD play;                 // the play cursor's offset
};

// One write: (offset, bytes, first frame).
struct Piece {
    DWORD offset, bytes;
    unsigned long long first;
};

// What to write at a timer tick; `written` is how far the program has
// written (frames). False: nothing to do.
bool Plan(Style style, const Cursor& at, unsigned long long written, DWORD ringBytes, DWORD block, DWORD rate,
          Piece* out);

}  // namespace dsfeed
