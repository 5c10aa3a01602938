#include "Journal.h"

#include "ScopedHandle.h"

#include <cstdlib>
#include <sstream>

const char* const Journal::kPath = "C:\\korvane-sim\\journal.log";

namespace {

std::optional<DWORD> Hex(const std::string& s) {
    if (s.size() < 3 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return std::nullopt;
    char* end = nullptr;
    unsigned long v = strtoul(s.c_str() + 2, &end, 16);
    if (*end != '\0') return std::nullopt;
    return static_cast<DWORD>(v);
}

ScopedHandle OpenJournal(DWORD access, DWORD disposition) {
    // Share everything: the engine's components keep writing while we look.
    return ScopedHandle(CreateFileA(Journal::kPath, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::optional<DWORD> JournalEntry::Code() const {
    return kind == "IOCTL" ? Hex(a) : std::nullopt;
}
std::optional<DWORD> JournalEntry::Payload() const {
    return kind == "IOCTL" ? Hex(b) : std::nullopt;
}
std::optional<DWORD> JournalEntry::Result() const {
    return kind == "CALL" ? Hex(b) : std::nullopt;
}

bool Journal::Exists() {
    return GetFileAttributesA(kPath) != INVALID_FILE_ATTRIBUTES;
}

unsigned long long Journal::Mark() {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(kPath, GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<JournalEntry> Journal::Read(unsigned long long from) {
    std::vector<JournalEntry> out;
    ScopedHandle f = OpenJournal(GENERIC_READ, OPEN_EXISTING);
    if (!f.Valid()) return out;
    LONG high = static_cast<LONG>(from >> 32);
    if (SetFilePointer(f.Get(), static_cast<LONG>(from & 0xFFFFFFFFu), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return out;
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f.Get(), buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
    // Only complete lines: a writer may be in the middle of one.
    std::string::size_type start = 0, nl;
    while ((nl = text.find('\n', start)) != std::string::npos) {
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (std::optional<JournalEntry> e = Parse(line)) out.push_back(*e);
        start = nl + 1;
    }
    return out;
}

std::optional<JournalEntry> Journal::Parse(const std::string& line) {
    std::istringstream in(line);
    JournalEntry e;
    std::string ms;
    if (!(in >> ms >> e.chan >> e.kind)) return std::nullopt;
    if (ms.empty() || ms.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    e.ms = std::strtoull(ms.c_str(), nullptr, 10);
    in >> e.a >> e.b >> e.c;
    e.raw = line;
    return e;
}

std::string Journal::Format(const std::vector<JournalEntry>& entries) {
    std::string s;
    for (const JournalEntry& e : entries) s += e.raw + "\n";
    return s.empty() ? "(no journal lines)\n" : s;
}

std::vector<JournalEntry> Journal::Select(const std::vector<JournalEntry>& entries, const std::string& chan,
                                          const std::string& kind, const std::string& a) {
    std::vector<JournalEntry> out;
    for (const JournalEntry& e : entries)
        if ((chan.empty() || e.chan == chan) && (kind.empty() || e.kind == kind) && (a.empty() || e.a == a))
            out.push_back(e);
    return out;
}
