// The names by which the logon host is known to others: setup and the
// uninstaller end it by its quit event and wait for its mutex to go; tests do
// the same.
#pragma once

#define KORVHOST_EXE "KorvHost.exe"
// Held while a host runs (one per logon session).
#define KORVHOST_MUTEX "KorvaneHost.Running"
// Set it, and the host takes its hooks away and ends.
#define KORVHOST_QUIT_EVENT "KorvaneHost.Quit"
// Its window, never shown, which hears of the end of the session.
#define KORVHOST_WINDOW_CLASS "KorvaneHostWindow"
