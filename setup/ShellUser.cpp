#include "ShellUser.h"

#include <windows.h>

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

}  // namespace

bool RunsAsShellUser() {
    HWND shell = GetShellWindow();
    DWORD pid = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &pid) || !pid) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    // An administrator may open any process; failing that, it is not ours.
    if (!process) return false;
    std::vector<BYTE> shellUser, me;
    const bool known = TokenUserOf(process, &shellUser) && TokenUserOf(GetCurrentProcess(), &me);
    CloseHandle(process);
    return known && shellUser == me;
}
