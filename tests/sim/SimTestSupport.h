// Helpers of the simulated engine's Wine tests: the journal, the test
// settings in the registry, the built DLLs and a child process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "sim/core/JournalRecord.h"

namespace simtest {

constexpr const char* kJournal = "C:\\korvane-sim\\journal.log";

// Starts every test with no journal at all; the writers create it again.
void RemoveJournal();

// The raw bytes of the journal ("" when it does not exist).
std::string ReadJournalText();

// The parsed records, in file order; every line must parse.
std::vector<sim::JournalRecord> ReadJournal();

// ReadJournal once at least `count` records are there, or after 5 seconds.
// Wine hands a device's create and close requests to the driver without
// waiting for them, so OPEN and CLOSE records may come a little later.
std::vector<sim::JournalRecord> WaitForRecords(size_t count);

// The records of one channel.
std::vector<sim::JournalRecord> OfChannel(const std::vector<sim::JournalRecord>& records, sim::Channel channel);

// A record as a test expects it, every field but the time.
struct Expected {
    sim::Kind kind;
    uint32_t code;
    std::optional<uint32_t> value;
    uint32_t length;
    std::string name;
};
inline Expected Opened() {
    return {sim::Kind::Open, 0, std::nullopt, 0, ""};
}
inline Expected Closed() {
    return {sim::Kind::Close, 0, std::nullopt, 0, ""};
}
inline Expected Ioctl(uint32_t code, std::optional<uint32_t> value, uint32_t length) {
    return {sim::Kind::Ioctl, code, value, length, ""};
}
inline Expected Call(const char* name, std::optional<uint32_t> result = std::nullopt) {
    return {sim::Kind::Call, 0, result, 0, name};
}

// The records are `expected`, in order, all of `channel`.
void ExpectRecords(const std::vector<sim::JournalRecord>& records, sim::Channel channel,
                   const std::vector<Expected>& expected);

// The journal's clock, as the writers read it.
unsigned long long NowMs();

// A built DLL of the simulation, by file name.
std::string SimDll(const char* fileName);

// A loaded library, freed at the end; its entries by plain name.
class Library {
public:
    explicit Library(const std::string& path) : m_h(LoadLibraryA(path.c_str())) {}
    ~Library() {
        if (m_h) FreeLibrary(m_h);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    bool IsLoaded() const { return m_h != nullptr; }
    FARPROC Entry(const char* name) const { return GetProcAddress(m_h, name); }
    // FARPROC has no arguments; going through void(*)() says the cast is meant.
    template <class Fn>
    Fn As(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(Entry(name)));
    }

private:
    HMODULE m_h;
};

// Each variant `base`-noEXPORT.dll of a library lacks exactly that export
// and has the others.
void ExpectEachVariantLacksItsExport(const std::string& base, const std::vector<const char*>& exports);

// HKLM\Software\KorvaneSim values; absent when `present` is false.
void SetSimDword(const char* name, bool present, DWORD value = 0);

// Runs `commandLine` with the Windows version Wine should pose as for that
// executable; returns its exit code, or -1 when it could not run in time.
int RunAsVersion(const std::string& exePath, const std::string& arguments, const char* version);

}  // namespace simtest
