// Asks questions inside the program's process: installs the probe DLL's
// WH_GETMESSAGE hook on a window's thread (Wine, like Windows, loads the DLL
// into that process), posts the question to the window and waits for the
// answer. Menus and the loader's module list cannot be read from outside.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct MenuItemInfo {
    UINT id = 0;
    UINT state = 0;
    std::string text;  // bytes as stored (Windows-1252)
    bool Separator() const { return (state & MF_SEPARATOR) != 0; }
};

class InProcessProbe {
public:
    // The window's system menu in menu order.
    static bool ReadSystemMenu(HWND window, std::vector<MenuItemInfo>* items, std::string* error);
    // Whether the window's process has the module (e.g. "QuorInst.dll") loaded.
    static bool IsModuleLoaded(HWND window, const std::string& name, bool* loaded, std::string* error);

    // The tooltip tools of the window's thread: text by the id of each
    // tool's window; shown is the tool whose tip is visible now (0 if none).
    static bool ReadToolTips(HWND window, std::map<int, std::string>* tools, int* shownId, std::string* shownText,
                             std::string* error);
    // Highest GDI handle index the process reaches when it takes `objects`
    // objects at once (see ProbeProtocol.h); compared before and after a run.
    static bool GdiHighWater(HWND window, int objects, long* index, std::string* error);
    // "drag", "hover", "arrow", "none", "hand" (looks like the help viewer's
    // cursor 106) or "other".
    static bool CurrentCursor(HWND window, std::string* name, std::string* error);
    // Medians in milliseconds, measured on the window's own thread.
    struct PaintFigures {
        double paintMs;  // one repaint of the window, children included
        double blitMs;   // one blit of its background picture (or of a bitmap its size)
        double aloneMs;  // its own erase and paint, without the children
    };
    static bool BenchPaint(HWND window, int repeats, PaintFigures* figures, std::string* error);

    // Stops one of the window's timers from its own thread.
    static bool KillTimer(HWND window, UINT_PTR id, std::string* error);

    // Returns once the window's thread has handled every input and message
    // that was waiting for it (see ProbeProtocol.h); false when it did not
    // get there in time.
    static bool WaitIdle(HWND window, std::string* error, DWORD timeoutMs = 20000);
    // Returns once the window's thread has taken the timer's WM_TIMER `turns`
    // times after the question; false when it did not in time.
    static bool WaitTimerTurns(HWND window, UINT_PTR id, int turns, std::string* error, DWORD timeoutMs = 20000);
    // Opens a message box owned by the window on its thread (it stays up
    // until closed); the probe's answer comes just before it shows.
    static bool OpenMessageBox(HWND window, std::string* error);
    // The system icon the message box shows (see ProbeProtocol.h).
    static bool BoxIcon(HWND box, std::string* name, std::string* error);

private:
    // request, if any, is in the shared memory when the question arrives.
    static bool Ask(HWND window, const char* question, const std::string& request, std::string* answer,
                    std::string* error, DWORD timeoutMs = 10000);
    // Ask, and the answer is `lead` and a name (else it is the error).
    static bool AskName(HWND window, const char* question, const std::string& lead, std::string* name,
                        std::string* error);
    // Ask, and the answer must be `expected` (else it is the error).
    static bool AskExpecting(HWND window, const char* question, const std::string& request, const std::string& expected,
                             std::string* error, DWORD timeoutMs = 10000);
};
