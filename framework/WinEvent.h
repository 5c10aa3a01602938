// Tells accessibility clients (screen readers) that an object changed, where
// the system offers that (Windows 98, and 2000 on). Looked up at run time, so
// that the program still starts on Windows 95, which lacks it.
#pragma once

#include <windows.h>

// Does nothing on a system without NotifyWinEvent.
void NotifyWinEventIfAvailable(DWORD event, HWND hwnd, LONG idObject, LONG idChild);
