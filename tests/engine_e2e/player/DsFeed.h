// How the player (api=ds) keeps a looping buffer fed, in the ways games and players
// do it. The player owns the buffer and the signal; a feed decides where and
// how much to write at each tick of the player's timer.
//   pieces: fixed 100 ms pieces at the program's own offsets whenever less
//           than half the ring is queued ahead of the play cursor (no
//           notifications);
//   cursor: from the write cursor GetCurrentPosition reports to an eighth
//           of the ring past it, again at every tick (what lies there is written over);
//   whole:  the whole ring rewritten at every tick (DSBLOCK_ENTIREBUFFER),
//           each place with the frame it will play next.
#pragma once

#include <windows.h>

#include <string>

namespace dsfeed {

enum Style { kBehind, kPieces, kCursor, kWhole };

Style StyleOf(const std::string& name);

// Where the stream stands: frames from its start.
struct Cursor {
    unsigned long long played;  // frames the play cursor passed
    unsigned long long write;   // where the write cursor stands
    DWORD play;                 // the play cursor's offset
};

// The writes of one tick: up to two (offset, bytes, first frame) pieces.
struct Piece {
    DWORD offset, bytes;
    unsigned long long first;
};

// What to write at this tick; `written` is how far the program has written
// (frames). Returns the number of pieces (0: nothing to do).
int Plan(Style style, const Cursor& at, unsigned long long written, DWORD ringBytes, DWORD block, DWORD rate,
         Piece out[2]);

}  // namespace dsfeed
