// Ends the logon host of every session before its files or the driver it
// reads are replaced or removed: Fast User Switching and Terminal Services
// run one host per session, and setup sees only its own session's names.
#pragma once

// Asks each session's host to end (its quit event), again and again, since
// a host still starting makes and clears its event only after a first ask,
// until no session's host mutex is left. A mutex that cannot be opened for
// want of access counts as a host running. False when one is still there
// after twenty seconds.
bool EndEveryHost();

// Some session holds the mutex of that name (or one that may not be opened
// for want of access: another user's).
bool AnySessionHas(const char* mutexName);
