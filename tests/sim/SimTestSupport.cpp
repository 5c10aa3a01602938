#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/common/CaptureFile.h"

namespace simtest {
namespace {

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void RemoveJournal() {
    CreateDirectoryA("C:\\korvane-sim", nullptr);
    DeleteFileA(kJournal);
    // Under Wine the name can stay a moment while the driver's process still
    // closes its handle.
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(kJournal) != INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 3000) Sleep(10);
    ASSERT_EQ(GetFileAttributesA(kJournal), INVALID_FILE_ATTRIBUTES);
}

std::string ReadJournalText() {
    return ReadAll(kJournal);
}

std::vector<sim::JournalRecord> ReadJournal() {
    std::vector<sim::JournalRecord> records;
    std::istringstream text(ReadJournalText());
    std::string line;
    while (std::getline(text, line)) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CRLF: " << line;
        const auto record = sim::JournalRecord::Parse(line);
        EXPECT_TRUE(record.has_value()) << "malformed journal line: " << line;
        if (record) records.push_back(*record);
    }
    return records;
}

std::vector<sim::JournalRecord> WaitForRecords(size_t count) {
    const DWORD start = GetTickCount();
    for (;;) {
        std::istringstream text(ReadJournalText());
        size_t lines = 0;
        std::string line;
        while (std::getline(text, line)) ++lines;
        if (lines >= count || GetTickCount() - start > 5000) return ReadJournal();
        Sleep(50);
    }
}

std::vector<sim::JournalRecord> OfChannel(const std::vector<sim::JournalRecord>& records, sim::Channel channel) {
    std::vector<sim::JournalRecord> out;
    for (const auto& r : records)
        if (r.channel == channel) out.push_back(r);
    return out;
}

void ExpectRecords(const std::vector<sim::JournalRecord>& records, sim::Channel channel,
                   const std::vector<Expected>& expected) {
    ASSERT_EQ(records.size(), expected.size()) << ReadJournalText();
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        const sim::JournalRecord& r = records[i];
        const Expected& e = expected[i];
        EXPECT_EQ(r.channel, channel);
        EXPECT_EQ(r.kind, e.kind);
        EXPECT_EQ(r.code, e.code);
        EXPECT_EQ(r.value, e.value);
        EXPECT_EQ(r.length, e.length);
        EXPECT_EQ(r.name, e.name);
    }
}

unsigned long long NowMs() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return ((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000u;
}

std::string SimDll(const char* fileName) {
    return WindowsPath(SIM_DLL_DIR) + "\\" + fileName;
}

void ExpectEachVariantLacksItsExport(const std::string& base, const std::vector<const char*>& exports) {
    for (const char* missing : exports) {
        SCOPED_TRACE(missing);
        Library lib(SimDll((base + "-no" + missing + ".dll").c_str()));
        ASSERT_TRUE(lib.IsLoaded());
        for (const char* name : exports) EXPECT_EQ(lib.Entry(name) == nullptr, strcmp(name, missing) == 0) << name;
    }
}

void SetSimDword(const char* name, bool present, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\KorvaneSim", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    if (present)
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    else
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

int RunAsVersion(const std::string& exePath, const std::string& arguments, const char* version) {
    const std::string windowsExe = WindowsPath(exePath);
    const std::string appKey = "Software\\Wine\\AppDefaults\\" + BaseName(exePath);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, appKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return -1;
    RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   static_cast<DWORD>(strlen(version) + 1));
    RegCloseKey(key);

    std::string commandLine = "\"" + windowsExe + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    int exitCode = -1;
    if (CreateProcessA(windowsExe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            exitCode = static_cast<int>(code);
        } else {
            TerminateProcess(pi.hProcess, 99);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
    return exitCode;
}

}  // namespace simtest
