#include "LockTable.h"

// after windows.h, which they need
#include <mmsystem.h>
// after mmsystem.h, whose wave formats it uses
#include <dsound.h>

namespace fxengine {

LockTable::~LockTable() {
    if (m_more) HeapFree(GetProcessHeap(), 0, m_more);
}

bool LockTable::Place(DWORD offset, DWORD flags, DWORD size, DWORD bytes1, DWORD bytes2, DWORD* offset1) {
    if (flags & DSBLOCK_ENTIREBUFFER) {
        // The whole buffer: from the offset on (wrapping) or from its start.
        if (bytes1 + bytes2 != size) return false;
        *offset1 = offset < size && bytes1 == size - offset ? offset : 0;
        return true;
    }
    if (offset >= size || bytes1 > size - offset || bytes2 > offset) return false;
    *offset1 = offset;
    return true;
}

bool LockTable::Add(const LockRecord& r) {
    for (LockRecord& slot : m_inline)
        if (!slot.shadow) {
            slot = r;
            return true;
        }
    for (int i = 0; i < m_moreRoom; ++i)
        if (!m_more[i].shadow) {
            m_more[i] = r;
            return true;
        }
    const int room = m_moreRoom ? m_moreRoom * 2 : 8;
    void* grown = m_more ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, m_more, room * sizeof(LockRecord))
                         : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, room * sizeof(LockRecord));
    if (!grown) return false;
    m_more = static_cast<LockRecord*>(grown);
    m_more[m_moreRoom] = r;
    m_moreRoom = room;
    return true;
}

bool LockTable::Take(const void* p1, LockRecord* out) {
    if (!p1) return false;
    for (int i = 0; i < kInline + m_moreRoom; ++i) {
        LockRecord& slot = i < kInline ? m_inline[i] : m_more[i - kInline];
        if (slot.shadow == p1) {
            *out = slot;
            slot.shadow = nullptr;
            return true;
        }
    }
    return false;
}

bool LockTable::Empty() const {
    for (const LockRecord& slot : m_inline)
        if (slot.shadow) return false;
    for (int i = 0; i < m_moreRoom; ++i)
        if (m_more[i].shadow) return false;
    return true;
}

}  // namespace fxengine
