#include "sim/win/JournalFile.h"

#include <windows.h>

namespace sim {

const char* JournalFile::DefaultPath() {
    return "C:\\korvane-sim\\journal.log";
}

unsigned long long JournalFile::Now() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return JournalLine_Milliseconds(ticks);
}

bool JournalFile::Append(const JournalLine& line, const char* path) {
    // Append-only access: each write goes to the end of the file as it is then.
    // A journal deleted by a test stays "delete pending" while another writer
    // still has it open; a few short waits let that writer finish.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() == ERROR_PATH_NOT_FOUND) break;
        Sleep(5);
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    // Wine appends by looking up the end and then writing there, so two
    // writers at once can land on the same place and one line is lost. A
    // byte lock far past any end (held by every writer, the driver too)
    // makes the appends take turns; closing the handle gives it up.
    OVERLAPPED turn{};
    turn.OffsetHigh = kTurnLockOffsetHigh;
    const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != FALSE;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line.text, line.length, &written, nullptr);
    if (locked) UnlockFileEx(file, 0, 1, 0, &turn);
    CloseHandle(file);
    return ok && written == line.length;
}

}  // namespace sim
