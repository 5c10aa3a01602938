#include "WindowFinder.h"

#include "Wait.h"

const char* const WindowFinder::kConsoleTitle = " Korvane ";
const char* const WindowFinder::kAboutTitle =
    "\xDC"
    "ber Korvane";
// Wine, like Windows, gives the text static of a message box the id 0xFFFF.
const int WindowFinder::kMessageBoxTextId = 0xFFFF;

namespace {

struct EnumState {
    DWORD pid;
    std::vector<HWND>* out;
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM lParam) {
    auto* state = reinterpret_cast<EnumState*>(lParam);
    if (WindowFinder::ProcessOf(hwnd) == state->pid && WindowFinder::ClassName(hwnd) == "#32770")
        state->out->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowFinder::Dialogs() const {
    std::vector<HWND> out;
    EnumState state{m_pid, &out};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&state));
    return out;
}

HWND WindowFinder::First(bool (*fits)(HWND)) const {
    for (HWND h : Dialogs())
        if (fits(h)) return h;
    return nullptr;
}

HWND WindowFinder::Console() const {
    return First([](HWND h) { return Text(h) == kConsoleTitle && !IsMessageBox(h); });
}

HWND WindowFinder::About() const {
    return First([](HWND h) { return Text(h) == kAboutTitle; });
}

HWND WindowFinder::Wait(HWND (WindowFinder::*find)() const, DWORD timeoutMs) const {
    HWND h = nullptr;
    WaitUntil([&] { return (h = (this->*find)()) != nullptr; }, timeoutMs);
    return h;
}

bool WindowFinder::IsMessageBox(HWND hwnd) {
    HWND text = GetDlgItem(hwnd, kMessageBoxTextId);
    HWND ok = GetDlgItem(hwnd, IDOK);
    return text && ok && ClassName(text) == "Static" && ClassName(ok) == "Button";
}

std::string WindowFinder::Text(HWND hwnd) {
    // WM_GETTEXT is marshalled between processes; GetWindowText would not
    // ask a window of another process for a control's text.
    // Bounded: a hung target must fail the test, not stall it.
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len) || len == 0)
        return std::string();
    std::string buf(len + 1, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(&buf[0]), SMTO_ABORTIFHUNG, 5000,
                             &got))
        return std::string();
    buf.resize(got < buf.size() ? got : buf.size() - 1);
    return buf;
}

std::string WindowFinder::ClassName(HWND hwnd) {
    char name[256];
    int n = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, n > 0 ? n : 0);
}

DWORD WindowFinder::ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::string WindowFinder::MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, kMessageBoxTextId);
    return text ? Text(text) : std::string();
}

GUITHREADINFO WindowFinder::ThreadOf(HWND hwnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) info = GUITHREADINFO{};
    return info;
}
