// The program's queued buffers as one stream of whole frames. The engine
// reads the stream shortly before the device needs it, so what it plays is
// what the buffers hold then (a program may keep rewriting a looped buffer),
// a frame cut between two buffers is put together again, and loops repeat
// the buffers themselves. Each buffer is handed back once the stream has
// gone past it for good, with the stream position its last frame ends at;
// the device reports it done when it has played that far.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace fxengine {

class HeaderStream {
public:
    static const uint32_t kBeginLoop = 1;
    static const uint32_t kEndLoop = 2;
    static const uint32_t kMaxBlock = 256;

    struct Piece {
        const unsigned char* data;  // read when the stream reaches it
        uint32_t bytes;
        uint32_t flags;  // kBeginLoop, kEndLoop
        uint32_t loops;  // plays of the loop it begins (0 counts as 1)
        void* owner;     // the program's header
    };

    explicit HeaderStream(uint32_t blockAlign);
    ~HeaderStream();
    HeaderStream(const HeaderStream&) = delete;
    HeaderStream& operator=(const HeaderStream&) = delete;

    // False when no memory was left for one more piece.
    bool Push(const Piece& piece);
    // Copies whole frames, up to `max` bytes (a multiple of the block), and
    // returns how many; an incomplete last frame waits for the next piece.
    // Ends early at the end of a loop pass, so that a break can take effect.
    uint32_t Read(unsigned char* out, uint32_t max);
    // Reads one period: whole frames, about `target` bytes, ending where the
    // piece being read ends (a header's end is a period's end, so it is
    // reported done the moment it has played), except inside a loop and at
    // its end, where periods run across passes. Less than half a
    // period left of the piece after `target` is taken along (up to `max`),
    // so no short period is left alone on the device.
    // With `loops` given, a loop whose whole pass fits in `max` comes back as
    // that one pass, with *loops set to its plays (0 otherwise): the device
    // loops it itself, so a break ends it within the pass that plays however
    // short the pass (a lead of rendered passes would bury the break under
    // many of them).
    uint32_t ReadPeriod(unsigned char* out, uint32_t target, uint32_t max, uint32_t* loops = nullptr);
    // The last loop ReadPeriod gave out whole, as its buffers hold it now (a
    // program may rewrite them while the device loops the pass); 0 once its
    // pieces were taken (played, or a reset), or when it does not fit `max`.
    uint32_t RereadLoop(unsigned char* out, uint32_t max) const;
    // The piece being read goes as if read through, without its bytes (its
    // memory could not be read); a loop it was in ends.
    void SkipPiece();
    // The loop now playing ends after the pass under way.
    void BreakLoop();
    // Every piece is handed back at once; a partial frame is dropped.
    void Reset();

    // The next piece handed back whose end the device has played (`played`
    // is the stream position played so far); false when there is none.
    bool NextPlayed(uint64_t played, void** owner);
    // A piece handed back, played or not (for a reset).
    bool NextReturned(void** owner);

    // Bytes of whole frames the stream has given out so far.
    uint64_t Position() const { return m_position; }
    // Pieces written and not yet handed back.
    size_t Queued() const { return m_count + m_returnedCount; }
    // Pieces not yet read through.
    bool Empty() const { return m_count == 0; }
    // Bytes written and not yet read (a loop's passes to come not counted).
    uint64_t Ahead() const { return m_unread + m_carried; }
    // A loop is under way: its next pass is not yet decided.
    bool Looping() const { return m_looping; }
    // Bytes of one whole pass of the loop under way or beginning with the
    // next read (a frame while its end is not written yet); 0 when none.
    uint64_t LoopPass() const;
    // The pieces handed back and not yet taken, oldest first.
    size_t ReturnedCount() const { return m_returnedCount; }
    void* ReturnedAt(size_t i) const { return m_returned[(m_returnedHead + i) % m_returnedCapacity].owner; }

private:
    struct Returned {
        void* owner;
        uint64_t end;
        const unsigned char* data;
        uint32_t bytes;
    };

    Piece& At(size_t i) { return m_pieces[(m_head + i) % m_capacity]; }
    bool Grow();
    bool GrowReturned();
    void Release(size_t upTo);  // hands back the first upTo pieces
    void HandBack(const Piece& piece, uint64_t end);
    uint32_t ReadUpTo(unsigned char* out, uint32_t target, uint32_t max, bool toPieceEnd);
    // The loop beginning at the cursor as one pass for the device to loop; 0 when it does not fit.
    uint32_t ReadWholeLoop(unsigned char* out, uint32_t max, uint32_t* loops);

    uint32_t m_block;
    Piece* m_pieces = nullptr;
    size_t m_capacity = 0, m_head = 0, m_count = 0;
    size_t m_cursor = 0;    // the piece being read
    uint32_t m_offset = 0;  // within it
    bool m_looping = false;
    size_t m_loopStart = 0;
    uint32_t m_loopsLeft = 0;
    uint64_t m_passBytes = 0;  // bytes of the loop pass under way
    unsigned char m_carry[kMaxBlock];
    uint32_t m_carried = 0;
    uint64_t m_position = 0;
    uint64_t m_unread = 0;  // bytes of pieces not yet read (this pass of a loop on)

    Returned* m_returned = nullptr;
    size_t m_returnedCapacity = 0, m_returnedHead = 0, m_returnedCount = 0;
    uint64_t m_returnedTaken = 0;  // pieces taken off the front so far
    uint64_t m_loopFirst = 0;      // the last whole loop given out: its first piece, counted as m_returnedTaken
    size_t m_loopPieces = 0;
};

}  // namespace fxengine
