// The Windows side of `make bench` (tools/bench.sh). Prints one line per
// figure, `bench NAME: RATIOx (OURS vs BASELINE)`, and fails only when it
// could not measure.
//   korvbench paint REPEATS      one repaint of the running console against
//                                one blit of its picture (measured inside it)
//   korvbench paint REPEATS empty   the same for the empty dialog (a note)
//   korvbench startup ROUNDS     process start until waiting for input:
//                                Korvane.exe against the empty dialog
//   korvbench quiet WHAT         for the idle breakdown: WHAT is animation (hide
//                                the animation control) or relay (stop the
//                                console's status relay timer)
//   korvbench wait TITLE SECONDS until a visible top-level window has the title
//   korvbench close TITLE        WM_CLOSE to that window and wait until it is gone
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "harness/InProcessProbe.h"
#include "harness/KorvaneLauncher.h"
#include "harness/KorvaneProcess.h"
#include "harness/Wait.h"
#include "tests/common/Median.h"

namespace {

const char kConsoleTitle[] = " Korvane ";
const char kEmptyTitle[] = " Empty bench dialog ";

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(f.QuadPart);
}

HWND VisibleWindow(const char* title, DWORD pid = 0) {
    HWND w = FindWindowA(nullptr, title);
    if (!w || !IsWindowVisible(w)) return nullptr;
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    return pid == 0 || owner == pid ? w : nullptr;
}

HWND WaitVisible(const char* title, DWORD timeoutMs, DWORD pid = 0) {
    HWND w = nullptr;
    WaitUntil([&] { return (w = VisibleWindow(title, pid)) != nullptr; }, timeoutMs, 2);
    return w;
}

bool CloseAndWait(const char* title) {
    HWND w = FindWindowA(nullptr, title);
    if (!w) return true;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(w, WM_CLOSE, 0, 0);
    const bool ended = !process || WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
    if (process) CloseHandle(process);
    return ended;
}

// From CreateProcess until the window shows and the process waits for input.
bool TimeStart(const std::string& exe, const std::string& dir, const char* title, double* ms) {
    const double t0 = Now();
    std::string error;
    KorvaneProcess p = KorvaneProcess::Start(exe, dir, &error);
    if (!p.Valid()) {
        fprintf(stderr, "korvbench: cannot start %s: %s\n", exe.c_str(), error.c_str());
        return false;
    }
    HWND w = WaitVisible(title, 90000, p.Pid());
    const bool idle = w && WaitForInputIdle(p.Handle(), 60000) == 0;
    *ms = Now() - t0;
    if (!w || !idle) {
        fprintf(stderr, "korvbench: %s did not come up\n", exe.c_str());
        return false;
    }
    PostMessageA(w, WM_CLOSE, 0, 0);
    if (!p.WaitForExit(30000)) {
        fprintf(stderr, "korvbench: %s did not close\n", exe.c_str());
        return false;
    }
    return true;
}

std::string Sibling(const char* name) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n);
    return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

int Paint(int repeats, bool empty) {
    HWND window = VisibleWindow(empty ? kEmptyTitle : kConsoleTitle);
    if (!window) {
        fprintf(stderr, "korvbench: no window to measure\n");
        return 1;
    }
    InProcessProbe::PaintFigures f = {};
    std::string error;
    if (!InProcessProbe::BenchPaint(window, repeats, &f, &error) || f.blitMs <= 0) {
        fprintf(stderr, "korvbench: %s\n", error.c_str());
        return 1;
    }
    if (empty) {
        // What any repaint of a window this size costs here: the floor under
        // the console's figure.
        printf("note paint-vs-blit: the empty dialog's repaint (the system's own erase and paint) %.3f ms,"
               " %.2fx a blit of its size (%.3f ms)\n",
               f.paintMs, f.paintMs / f.blitMs, f.blitMs);
        return 0;
    }
    printf("bench paint-vs-blit: %.2fx (%.3f ms vs %.3f ms, median of %d)\n", f.paintMs / f.blitMs, f.paintMs,
           f.blitMs, repeats);
    printf("note paint-vs-blit: the console's own erase and paint %.3f ms (%.2fx the blit), its children the rest\n",
           f.aloneMs, f.aloneMs / f.blitMs);
    return 0;
}

int Quiet(const char* what) {
    HWND console = VisibleWindow(kConsoleTitle);
    if (!console) return 1;
    if (strcmp(what, "animation") == 0) {
        ShowWindow(GetDlgItem(console, 1003), SW_HIDE);
        return 0;
    }
    std::string error;
    if (strcmp(what, "relay") == 0 && InProcessProbe::KillTimer(console, 666, &error)) return 0;
    fprintf(stderr, "korvbench: %s\n", error.c_str());
    return 1;
}

int Startup(int rounds) {
    if (FindWindowA(nullptr, kConsoleTitle)) {
        fprintf(stderr, "korvbench: a console is already running\n");
        return 1;
    }
    KorvaneLauncher().Version("winxp").Apply();
    // From the program's drive when tools/bench.sh put it there.
    const char* const installed = "C:\\korvane-bench\\emptydlg.exe";
    const bool there = GetFileAttributesA(installed) != INVALID_FILE_ATTRIBUTES;
    const std::string empty = there ? installed : Sibling("emptydlg.exe");
    const std::string emptyDir = there ? "C:\\korvane-bench" : ".";
    std::vector<double> ours, base;
    for (int i = 0; i < rounds; ++i) {
        double a = 0, b = 0;
        if (!TimeStart(KorvaneLauncher::kExe, KorvaneLauncher::kDir, kConsoleTitle, &a)) return 1;
        if (!TimeStart(empty, emptyDir, kEmptyTitle, &b)) return 1;
        ours.push_back(a);
        base.push_back(b);
    }
    KorvaneLauncher::ClearAppDefaults();
    printf("bench startup-vs-empty-dialog: %.2fx (%.0f ms vs %.0f ms, median of %d)\n", Median(ours) / Median(base),
           Median(ours), Median(base), rounds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 3 || (argc == 4 && strcmp(argv[3], "empty") == 0)) && strcmp(argv[1], "paint") == 0)
        return Paint(atoi(argv[2]), argc == 4);
    if (argc == 3 && strcmp(argv[1], "startup") == 0) return Startup(std::max(1, atoi(argv[2])));
    if (argc == 3 && strcmp(argv[1], "quiet") == 0) return Quiet(argv[2]);
    if (argc == 4 && strcmp(argv[1], "wait") == 0)
        return WaitVisible(argv[2], static_cast<DWORD>(atoi(argv[3])) * 1000u) ? 0 : 1;
    if (argc == 3 && strcmp(argv[1], "close") == 0) return CloseAndWait(argv[2]) ? 0 : 1;
    fprintf(stderr, "usage: korvbench paint N | startup N | wait TITLE SECONDS | close TITLE\n");
    return 2;
}
