// SetupAid.exe COMMAND [ARGUMENT]: what setup and the uninstaller do on
// Windows 2000 and later that takes more than a plugin call.
//   grant HKLM-SUBKEY  gives Users full access to that key (UsersGrant.h),
//                      so a limited user's Korvane can open its settings;
//                      exit code 0, else the Windows error code
//   endhosts           asks the logon host of every session to end and waits
//                      until none is left (HostEnder.h); exit code 0, else 2
//   running MUTEX      exit code 2 when some session holds that mutex (or
//                      one this process may not open), else 0
//   shelluser          exit code 0 when this process runs as the user whose
//                      desktop shell is shown (not a Run As install), else 1
#include "HostEnder.h"
#include "ShellUser.h"
#include "UsersGrant.h"

#include <windows.h>

#include <string.h>

namespace {

// The command line's next argument, quoted or not; the rest is returned.
const char* NextArgument(const char* line, char* out, size_t size) {
    while (*line == ' ' || *line == '\t') ++line;
    const bool quoted = *line == '"';
    if (quoted) ++line;
    size_t n = 0;
    while (*line && n + 1 < size) {
        if (quoted ? *line == '"' : (*line == ' ' || *line == '\t')) break;
        out[n++] = *line++;
    }
    out[n] = '\0';
    if (quoted && *line == '"') ++line;
    return line;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    char command[32];
    char argument[512];
    const char* rest = NextArgument(cmdLine, command, sizeof command);
    NextArgument(rest, argument, sizeof argument);
    if (strcmp(command, "grant") == 0) {
        if (!argument[0]) return ERROR_INVALID_PARAMETER;
        return static_cast<int>(GrantUsersFullAccess(argument));
    }
    if (strcmp(command, "endhosts") == 0) return EndEveryHost() ? 0 : 2;
    if (strcmp(command, "running") == 0) return argument[0] && !AnySessionHas(argument) ? 0 : 2;
    if (strcmp(command, "shelluser") == 0) return RunsAsShellUser() ? 0 : 1;
    return ERROR_INVALID_PARAMETER;
}
