#include "HeaderStream.h"

#include <stdlib.h>
#include <string.h>

namespace fxengine {

HeaderStream::HeaderStream(uint32_t blockAlign)
    : m_block(blockAlign == 0          ? 1
              : blockAlign > kMaxBlock ? kMaxBlock
                                       : blockAlign) {}

HeaderStream::~HeaderStream() {
    free(m_pieces);
    free(m_returned);
}

bool HeaderStream::Grow() {
    const size_t capacity = m_capacity ? m_capacity * 2 : 16;
    Piece* pieces = static_cast<Piece*>(malloc(capacity * sizeof(Piece)));
    if (!pieces) return false;
    for (size_t i = 0; i < m_count; ++i) pieces[i] = At(i);
    free(m_pieces);
    m_pieces = pieces;
    m_capacity = capacity;
    m_head = 0;
    return true;
}

bool HeaderStream::GrowReturned() {
    const size_t capacity = m_returnedCapacity ? m_returnedCapacity * 2 : 16;
    Returned* returned = static_cast<Returned*>(malloc(capacity * sizeof(Returned)));
    if (!returned) return false;
    for (size_t i = 0; i < m_returnedCount; ++i) returned[i] = m_returned[(m_returnedHead + i) % m_returnedCapacity];
    free(m_returned);
    m_returned = returned;
    m_returnedCapacity = capacity;
    m_returnedHead = 0;
    return true;
}

bool HeaderStream::Push(const Piece& piece) {
    // Room to hand every piece back later is made now, so that reading never
    // needs memory.
    if (m_count + m_returnedCount + 1 > m_returnedCapacity && !GrowReturned()) return false;
    if (m_count == m_capacity && !Grow()) return false;
    m_pieces[(m_head + m_count) % m_capacity] = piece;
    ++m_count;
    m_unread += piece.bytes;
    return true;
}

void HeaderStream::HandBack(const Piece& piece, uint64_t end) {
    m_returned[(m_returnedHead + m_returnedCount) % m_returnedCapacity] = {piece.owner, end, piece.data, piece.bytes};
    ++m_returnedCount;
}

void HeaderStream::Release(size_t upTo) {
    for (size_t i = 0; i < upTo; ++i) {
        HandBack(m_pieces[m_head], m_position);
        m_head = (m_head + 1) % m_capacity;
        --m_count;
    }
    m_cursor -= upTo;
    if (m_looping) m_loopStart -= upTo;
}

uint32_t HeaderStream::Read(unsigned char* out, uint32_t max) {
    return ReadUpTo(out, max, max, false);
}

uint32_t HeaderStream::ReadPeriod(unsigned char* out, uint32_t target, uint32_t max, uint32_t* loops) {
    if (loops) {
        *loops = 0;
        if (const uint32_t n = ReadWholeLoop(out, max, loops)) return n;
    }
    return ReadUpTo(out, target < max ? target : max, max, true);
}

uint32_t HeaderStream::ReadWholeLoop(unsigned char* out, uint32_t max, uint32_t* loops) {
    if (m_carried || m_offset || m_looping || m_cursor >= m_count) return 0;
    const Piece& first = At(m_cursor);
    if (!(first.flags & kBeginLoop) || first.loops <= 1) return 0;
    uint64_t pass = 0;
    size_t end = m_cursor;
    for (;; ++end) {
        if (end == m_count) return 0;  // its end is not written yet
        pass += At(end).bytes;
        if (At(end).flags & kEndLoop) break;
    }
    if (pass < m_block || pass > max || pass % m_block) return 0;
    uint32_t n = 0;
    for (size_t i = m_cursor; i <= end; ++i) {
        memcpy(out + n, At(i).data, At(i).bytes);
        n += At(i).bytes;
    }
    *loops = first.loops;
    // Its pieces stay readable until handed on (RereadLoop).
    m_loopFirst = m_returnedTaken + m_returnedCount + m_cursor;
    m_loopPieces = end - m_cursor + 1;
    m_cursor = end + 1;
    m_position += n;
    m_unread -= n;
    Release(m_cursor);
    return n;
}

uint32_t HeaderStream::ReadUpTo(unsigned char* out, uint32_t target, uint32_t max, bool toPieceEnd) {
    if (max < m_block) return 0;
    if (target < m_block) target = m_block;
    uint32_t n = m_carried;
    memcpy(out, m_carry, m_carried);
    m_carried = 0;
    while (n < target && m_cursor < m_count) {
        const Piece& p = At(m_cursor);
        // A loop begins here unless one is under way (loops do not nest).
        if (m_offset == 0 && (p.flags & kBeginLoop) && !m_looping) {
            m_looping = true;
            m_loopStart = m_cursor;
            m_loopsLeft = p.loops ? p.loops : 1;
            m_passBytes = 0;
        }
        const uint32_t left = p.bytes - m_offset;
        uint32_t want = target - n;
        if (toPieceEnd && left > want && left - want < target / 2 && left <= max - n) want = left;
        const uint32_t take = left < want ? left : want;
        memcpy(out + n, p.data + m_offset, take);
        n += take;
        m_offset += take;
        m_passBytes += take;
        m_unread -= take;
        if (m_offset < p.bytes) break;
        m_offset = 0;
        bool again = false, loopEnded = false;
        if ((p.flags & kEndLoop) && m_looping) {
            // A pass that gave nothing would go round for good.
            if (m_loopsLeft > 1 && m_passBytes > 0) {
                --m_loopsLeft;
                m_cursor = m_loopStart;
                m_unread += m_passBytes;
                m_passBytes = 0;
                again = true;
            } else {
                m_looping = false;
                loopEnded = true;
            }
        }
        if (!again) ++m_cursor;
        // Inside a loop and at its end a period runs on: a mixer that runs
        // short between two periods cannot part one pass from the next.
        if (toPieceEnd && n >= m_block && !m_looping && !loopEnded) break;
    }
    const uint32_t whole = n - n % m_block;
    m_carried = n - whole;
    memcpy(m_carry, out + whole, m_carried);
    m_position += whole;
    // Pieces read through are handed back, except those of a loop still playing.
    Release(m_looping ? m_loopStart : m_cursor);
    return whole;
}

uint64_t HeaderStream::LoopPass() const {
    size_t start = m_loopStart;
    if (!m_looping) {
        if (m_cursor >= m_count || m_offset || !(m_pieces[(m_head + m_cursor) % m_capacity].flags & kBeginLoop))
            return 0;
        start = m_cursor;  // it begins with the next read
    }
    uint64_t pass = 0;
    for (size_t i = start; i < m_count; ++i) {
        const Piece& p = m_pieces[(m_head + i) % m_capacity];
        pass += p.bytes;
        if (p.flags & kEndLoop) return pass > m_block ? pass : m_block;
    }
    return m_block;
}

void HeaderStream::SkipPiece() {
    if (m_cursor >= m_count) return;
    m_unread -= At(m_cursor).bytes - m_offset;
    m_offset = 0;
    m_looping = false;
    ++m_cursor;
    Release(m_cursor);
}

void HeaderStream::BreakLoop() {
    if (m_looping) m_loopsLeft = 1;
}

void HeaderStream::Reset() {
    m_carried = 0;
    m_offset = 0;
    m_unread = 0;
    m_looping = false;
    m_cursor = m_count;
    Release(m_count);
    m_cursor = 0;
}

bool HeaderStream::NextPlayed(uint64_t played, void** owner) {
    if (!m_returnedCount || m_returned[m_returnedHead].end > played) return false;
    return NextReturned(owner);
}

bool HeaderStream::NextReturned(void** owner) {
    if (!m_returnedCount) return false;
    *owner = m_returned[m_returnedHead].owner;
    m_returnedHead = (m_returnedHead + 1) % m_returnedCapacity;
    --m_returnedCount;
    ++m_returnedTaken;
    return true;
}

uint32_t HeaderStream::RereadLoop(unsigned char* out, uint32_t max) const {
    // Only while every piece of it is still handed back and not yet taken:
    // until then the program's buffers are queued, so still there.
    if (!m_loopPieces || m_loopFirst < m_returnedTaken ||
        m_loopFirst + m_loopPieces > m_returnedTaken + m_returnedCount)
        return 0;
    uint32_t n = 0;
    for (size_t i = 0; i < m_loopPieces; ++i) {
        const Returned& r = m_returned[(m_returnedHead + (m_loopFirst - m_returnedTaken) + i) % m_returnedCapacity];
        if (r.bytes > max - n) return 0;
        memcpy(out + n, r.data, r.bytes);
        n += r.bytes;
    }
    return n;
}

}  // namespace fxengine
