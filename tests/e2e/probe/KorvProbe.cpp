// Loaded into the program's process by the test's WH_GETMESSAGE hook. Menus
// live inside their process, so the system menu is read here, on the
// console's own thread, and handed back through shared memory.
#include "tests/e2e/harness/ProbeProtocol.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

std::string DescribeSystemMenu(HWND hwnd) {
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu) return "error no system menu\n";
    const int count = GetMenuItemCount(menu);
    if (count < 0) return "error GetMenuItemCount\n";
    char line[64];
    snprintf(line, sizeof line, "items %d\n", count);
    std::string out = line;
    for (int i = 0; i < count; ++i) {
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, i);
        char text[512] = "";
        if (!(state & MF_SEPARATOR)) GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        snprintf(line, sizeof line, "0x%08X 0x%08X ", id, state);
        out += line;
        out += text;
        out += '\n';
    }
    return out;
}

std::string DescribeModule() {
    std::string name;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, KORVPROBE_MAPPING_NAME);
    if (!mapping) return "error no question\n";
    if (const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0))) {
        name.assign(view, strnlen(view, 260));
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return GetModuleHandleA(name.c_str()) ? "loaded 1\n" : "loaded 0\n";
}

BOOL CALLBACK CollectToolTip(HWND hwnd, LPARAM out) {
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0)
        reinterpret_cast<std::string*>(out)->append(std::to_string(reinterpret_cast<UINT_PTR>(hwnd)) + ",");
    return TRUE;
}

std::string ToolLine(const char* kind, const TOOLINFOA& ti, const char* text) {
    // Tools named by their window (TTF_IDISHWND) are told by its control id.
    const int id = (ti.uFlags & TTF_IDISHWND) ? GetDlgCtrlID(reinterpret_cast<HWND>(ti.uId)) : int(ti.uId);
    return std::string(kind) + " " + std::to_string(id) + " " + text + "\n";
}

std::string DescribeToolTips(HWND hwnd) {
    std::string handles, out;
    EnumThreadWindows(GetWindowThreadProcessId(hwnd, nullptr), CollectToolTip, reinterpret_cast<LPARAM>(&handles));
    for (size_t at = 0; at < handles.size();) {
        const size_t comma = handles.find(',', at);
        HWND tip = reinterpret_cast<HWND>(UINT_PTR(strtoull(handles.substr(at, comma - at).c_str(), nullptr, 10)));
        at = comma + 1;
        const int count = int(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[256] = "";
            TOOLINFOA ti = {};
            ti.cbSize = TTTOOLINFOA_V1_SIZE;
            ti.lpszText = text;
            if (SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&ti))) out += ToolLine("tool", ti, text);
        }
        char text[256] = "";
        TOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V1_SIZE;
        ti.lpszText = text;
        if (IsWindowVisible(tip) && SendMessageA(tip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&ti)))
            out += ToolLine("shown", ti, text);
    }
    return out;
}

void Answer(const std::string& text) {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, KORVPROBE_MAPPING_NAME);
    if (!mapping) return;
    if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, KORVPROBE_ANSWER_SIZE)) {
        const size_t n = text.size() < KORVPROBE_ANSWER_SIZE - 1 ? text.size() : KORVPROBE_ANSWER_SIZE - 1;
        memcpy(view, text.data(), n);
        static_cast<char*>(view)[n] = '\0';
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    if (HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, KORVPROBE_DONE_EVENT)) {
        SetEvent(done);
        CloseHandle(done);
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK KorvProbeGetMsgProc(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT menuMsg = RegisterWindowMessageA(KORVPROBE_DUMP_SYSMENU_MSG);
    static const UINT moduleMsg = RegisterWindowMessageA(KORVPROBE_QUERY_MODULE_MSG);
    static const UINT toolTipsMsg = RegisterWindowMessageA(KORVPROBE_DUMP_TOOLTIPS_MSG);
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg->message == menuMsg) Answer(DescribeSystemMenu(msg->hwnd));
        if (msg->message == moduleMsg) Answer(DescribeModule());
        if (msg->message == toolTipsMsg) Answer(DescribeToolTips(msg->hwnd));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
