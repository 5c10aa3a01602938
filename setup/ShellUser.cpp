#include "ShellUser.h"

#include <windows.h>

#include <tlhelp32.h>

#include <vector>

namespace {

// The user of a process's token, copied into `sid`.
bool TokenUserOf(HANDLE process, std::vector<BYTE>* sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    const bool ok = size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    if (!ok) return false;
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    if (!IsValidSid(user)) return false;
    const BYTE* bytes = static_cast<const BYTE*>(user);
    sid->assign(bytes, bytes + GetLengthSid(user));
    return true;
}

// The process of the shell shown at this desktop: the one that registered
// its window, else (none registered: an older shell, Wine) this session's
// explorer.exe. 0 when there is none.
DWORD ShellProcess() {
    DWORD pid = 0;
    if (HWND shell = GetShellWindow()) GetWindowThreadProcessId(shell, &pid);
    if (pid) return pid;
    DWORD mine = 0, theirs = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &mine);
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok && !pid; ok = Process32Next(snap, &pe))
        if (lstrcmpiA(pe.szExeFile, "explorer.exe") == 0 && ProcessIdToSessionId(pe.th32ProcessID, &theirs) &&
            theirs == mine)
            pid = pe.th32ProcessID;
    CloseHandle(snap);
    return pid;
}

}  // namespace

bool RunsAsShellUser() {
    const DWORD pid = ShellProcess();
    if (!pid) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    // An administrator may open any process; failing that, it is not ours.
    if (!process) return false;
    std::vector<BYTE> shellUser, me;
    const bool known = TokenUserOf(process, &shellUser) && TokenUserOf(GetCurrentProcess(), &me);
    CloseHandle(process);
    return known && shellUser == me;
}
