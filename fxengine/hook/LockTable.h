// The locks a program holds on one DirectSound buffer: where each of its two
// parts lies in the buffer, and the real buffer's own pointers for them, so
// that its pointers can always be the shadow's. The real pointers may be the
// buffer's memory or a driver's staging copy; either way the program's bytes
// reach them at Unlock. Any number of locks at once.
#pragma once

#include <windows.h>

namespace fxengine {

struct LockRecord {
    BYTE* shadow;  // the program's first pointer (null: free)
    BYTE* real1;
    BYTE* real2;
    DWORD offset1, bytes1, offset2, bytes2;
};

class LockTable {
public:
    LockTable() = default;
    ~LockTable();
    LockTable(const LockTable&) = delete;
    LockTable& operator=(const LockTable&) = delete;

    // Where a lock's parts lie, from what the program asked and what the real
    // buffer answered. DSBLOCK_ENTIREBUFFER starts at the offset where the
    // buffer honoured it (its first part ends at the buffer's end), at 0 where
    // it did not; a second part always starts at 0. False: the answer fits no
    // buffer of `size` bytes.
    static bool Place(DWORD offset, DWORD flags, DWORD size, DWORD bytes1, DWORD bytes2, DWORD* offset1);

    // Records a lock; false when memory is short (the lock is then refused).
    bool Add(const LockRecord& r);
    // Takes out the lock whose shadow pointer is `p1`; false when none is.
    bool Take(const void* p1, LockRecord* out);
    bool Empty() const;

private:
    static const int kInline = 4;
    LockRecord m_inline[kInline] = {};
    LockRecord* m_more = nullptr;  // further ones, made when a program holds more
    int m_moreRoom = 0;
};

}  // namespace fxengine
