// Whether setup runs as the user who sits at this desktop. After a Run As
// install (a limited user entering an administrator's password) it does
// not: a host or a Korvane started from there would run with the
// administrator's rights on the user's desktop, open to any of the user's
// programs (window hooks, messages), and would make the engine's shared
// objects with the administrator's access list.
#pragma once

// True only when the desktop's shell runs and its user is this process's
// user; false when that cannot be told.
bool RunsAsShellUser();
