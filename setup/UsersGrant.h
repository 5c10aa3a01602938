// Gives the built-in Users group full access to one key below
// HKEY_LOCAL_MACHINE: that key's own list only, inherited by nothing, every
// other entry left as it was; nothing when the entry is already there.
#pragma once

#include <windows.h>

// 0 on success, otherwise the Windows error code.
DWORD GrantUsersFullAccess(const char* subKey);
