// The simulated engine's journal, C:\korvane-sim\journal.log: one line per
// control message, in arrival order,
//   <ms> <CHAN> <KIND> <A> <B> <C>
// CHAN is VXD, WDM, HOOK or INST; KIND is OPEN, CLOSE, IOCTL or CALL.
// IOCTL: A code 0x%08X, B payload 0x%08X, C length. CALL: A export name,
// B result 0x%08X or "-".
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct JournalEntry {
    unsigned long long ms = 0;  // the shared clock's milliseconds do not fit 32 bits
    std::string chan, kind, a, b, c;
    std::string raw;

    std::optional<DWORD> Code() const;     // IOCTL A
    std::optional<DWORD> Payload() const;  // IOCTL B
    std::optional<DWORD> Result() const;   // CALL B, nullopt for "-"
};

class Journal {
public:
    static const char* const kPath;

    static bool Exists();
    // Size now; Read(mark) then returns only what was written after it, which
    // stays right even while a writer keeps the file open.
    static unsigned long long Mark();
    static std::vector<JournalEntry> Read(unsigned long long from = 0);
    static std::optional<JournalEntry> Parse(const std::string& line);
    static std::string Format(const std::vector<JournalEntry>& entries);

    // Filters; an empty criterion matches everything.
    static std::vector<JournalEntry> Select(const std::vector<JournalEntry>& entries, const std::string& chan,
                                            const std::string& kind = "", const std::string& a = "");
};
