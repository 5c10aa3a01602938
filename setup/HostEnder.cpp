#include "HostEnder.h"

#include "fxengine/host/HostNames.h"

#include <windows.h>

#include <tlhelp32.h>

#include <stdio.h>

#include <vector>

namespace {

constexpr DWORD kGiveUpMs = 20000;
constexpr DWORD kAskEveryMs = 250;

DWORD SessionOf(DWORD pid) {
    DWORD session = 0;
    return ProcessIdToSessionId(pid, &session) ? session : 0;
}

// Every session with a process in it, this process's first. Session 0 is
// always looked at: on Windows 2000 every name lives there.
std::vector<DWORD> Sessions() {
    std::vector<DWORD> sessions{SessionOf(GetCurrentProcessId())};
    auto add = [&](DWORD s) {
        for (DWORD known : sessions)
            if (known == s) return;
        sessions.push_back(s);
    };
    add(0);
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return sessions;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        if (pe.th32ProcessID != 0) add(SessionOf(pe.th32ProcessID));
    CloseHandle(snap);
    return sessions;
}

// The name as another session's processes made it: this session's plainly,
// session 0's in the global namespace, any other through its session link.
void NameIn(DWORD session, DWORD mine, const char* name, char* out, size_t size) {
    if (session == mine)
        snprintf(out, size, "%s", name);
    else if (session == 0)
        snprintf(out, size, "Global\\%s", name);
    else
        snprintf(out, size, "Session\\%lu\\%s", static_cast<unsigned long>(session), name);
}

bool Has(DWORD session, DWORD mine, const char* mutexName) {
    char name[160];
    NameIn(session, mine, mutexName, name, sizeof name);
    HANDLE running = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (!running) return GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(running);
    return true;
}

// True when that session's host still runs (or may: access denied); asks it to end.
bool AskToEnd(DWORD session, DWORD mine) {
    if (!Has(session, mine, KORVHOST_MUTEX)) return false;
    char name[160];
    NameIn(session, mine, KORVHOST_QUIT_EVENT, name, sizeof name);
    if (HANDLE quit = OpenEventA(EVENT_MODIFY_STATE, FALSE, name)) {
        SetEvent(quit);
        CloseHandle(quit);
    }
    return true;
}

}  // namespace

bool EndEveryHost() {
    const DWORD start = GetTickCount();
    for (;;) {
        const std::vector<DWORD> sessions = Sessions();
        bool left = false;
        for (DWORD s : sessions) left = AskToEnd(s, sessions.front()) || left;
        if (!left) return true;
        if (GetTickCount() - start > kGiveUpMs) return false;
        Sleep(kAskEveryMs);
    }
}

bool AnySessionHas(const char* mutexName) {
    const std::vector<DWORD> sessions = Sessions();
    for (DWORD s : sessions)
        if (Has(s, sessions.front(), mutexName)) return true;
    return false;
}
