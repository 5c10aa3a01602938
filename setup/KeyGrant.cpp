// KeyGrant.exe HKLM-SUBKEY
// Run by setup on Windows 2000 and later, so that a limited user's Korvane
// can open its settings key (see UsersGrant.h). Exit code 0 on success,
// otherwise the Windows error code.
#include "UsersGrant.h"

#include <windows.h>

namespace {

// The command line's first argument, quoted or not.
void FirstArgument(const char* line, char* out, size_t size) {
    while (*line == ' ' || *line == '\t') ++line;
    const bool quoted = *line == '"';
    if (quoted) ++line;
    size_t n = 0;
    while (*line && n + 1 < size) {
        if (quoted ? *line == '"' : (*line == ' ' || *line == '\t')) break;
        out[n++] = *line++;
    }
    out[n] = '\0';
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    char subKey[512];
    FirstArgument(cmdLine, subKey, sizeof subKey);
    if (!subKey[0]) return ERROR_INVALID_PARAMETER;
    return static_cast<int>(GrantUsersFullAccess(subKey));
}
