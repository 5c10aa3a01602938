// Finds the program's top-level windows by process id, class and title, and
// reads texts byte for byte (Windows-1252) across the process boundary.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class WindowFinder {
public:
    static const char* const kConsoleTitle;  // " Korvane "
    static const char* const kAboutTitle;    // "Über Korvane" in Windows-1252
    static const int kMessageBoxTextId;      // id of a message box's text static

    explicit WindowFinder(DWORD pid) : m_pid(pid) {}

    // Top-level dialog windows (#32770) of the process, in z-order.
    std::vector<HWND> Dialogs() const;
    // The first of them that `fits`, or null.
    HWND First(bool (*fits)(HWND)) const;
    HWND Console() const;
    HWND MessageBox() const { return First(&IsMessageBox); }
    HWND About() const;

    HWND WaitConsole(DWORD timeoutMs) const { return Wait(&WindowFinder::Console, timeoutMs); }
    HWND WaitMessageBox(DWORD timeoutMs) const { return Wait(&WindowFinder::MessageBox, timeoutMs); }
    HWND WaitAbout(DWORD timeoutMs) const { return Wait(&WindowFinder::About, timeoutMs); }

    static bool IsMessageBox(HWND hwnd);
    static std::string Text(HWND hwnd);  // WM_GETTEXT, raw bytes
    static std::string ClassName(HWND hwnd);
    static DWORD ProcessOf(HWND hwnd);
    // The focus, capture and active window of the window's thread (all null
    // when it cannot be read).
    static GUITHREADINFO ThreadOf(HWND hwnd);
    // The message box's text, from its text static.
    static std::string MessageBoxText(HWND box);

private:
    HWND Wait(HWND (WindowFinder::*find)() const, DWORD timeoutMs) const;

    DWORD m_pid;
};
