#include "InProcessProbe.h"

#include "ProbeProtocol.h"
#include "ScopedHandle.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

bool Fail(std::string* error, const std::string& why) {
    *error = why;
    return false;
}

// The probe DLL next to the running test program.
std::string ProbeDllPath() {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n);
    std::string::size_type slash = path.find_last_of("\\/");
    return path.substr(0, slash == std::string::npos ? 0 : slash + 1) + "korvprobe.dll";
}

bool ParseSystemMenu(const std::string& answer, std::vector<MenuItemInfo>* items, std::string* error) {
    std::istringstream in(answer);
    std::string line;
    int count = -1;
    if (!std::getline(in, line) || sscanf(line.c_str(), "items %d", &count) != 1 || count < 0)
        return Fail(error, "probe: " + line);
    items->clear();
    while (std::getline(in, line)) {
        // "0x%08X 0x%08X " then the text, which may contain blanks.
        if (line.size() < 22) return Fail(error, "probe: bad line '" + line + "'");
        MenuItemInfo item;
        item.id = static_cast<UINT>(strtoul(line.substr(0, 10).c_str(), nullptr, 16));
        item.state = static_cast<UINT>(strtoul(line.substr(11, 10).c_str(), nullptr, 16));
        item.text = line.substr(22);
        items->push_back(item);
    }
    if (static_cast<int>(items->size()) != count) return Fail(error, "probe: item count mismatch");
    return true;
}

}  // namespace

bool InProcessProbe::ReadSystemMenu(HWND window, std::vector<MenuItemInfo>* items, std::string* error) {
    std::string answer;
    return Ask(window, KORVPROBE_DUMP_SYSMENU_MSG, "", &answer, error) && ParseSystemMenu(answer, items, error);
}

bool InProcessProbe::IsModuleLoaded(HWND window, const std::string& name, bool* loaded, std::string* error) {
    std::string answer;
    if (!Ask(window, KORVPROBE_QUERY_MODULE_MSG, name, &answer, error)) return false;
    if (answer != "loaded 1\n" && answer != "loaded 0\n") return Fail(error, "probe: " + answer);
    *loaded = answer == "loaded 1\n";
    return true;
}

bool InProcessProbe::ReadToolTips(HWND window, std::map<int, std::string>* tools, int* shownId, std::string* shownText,
                                  std::string* error) {
    std::string answer;
    if (!Ask(window, KORVPROBE_DUMP_TOOLTIPS_MSG, "", &answer, error)) return false;
    tools->clear();
    *shownId = 0;
    shownText->clear();
    std::istringstream in(answer);
    std::string line;
    while (std::getline(in, line)) {
        // "<kind> <id> <text>"; the text may hold blanks or be empty.
        const size_t kindEnd = line.find(' '), idEnd = line.find(' ', kindEnd + 1);
        if (kindEnd == std::string::npos || idEnd == std::string::npos)
            return Fail(error, "probe: bad line '" + line + "'");
        const std::string kind = line.substr(0, kindEnd);
        const int id = atoi(line.substr(kindEnd + 1, idEnd - kindEnd - 1).c_str());
        const std::string text = line.substr(idEnd + 1);
        if (kind == "tool") (*tools)[id] = text;
        if (kind == "shown") {
            *shownId = id;
            *shownText = text;
        }
    }
    return true;
}

bool InProcessProbe::GdiHighWater(HWND window, int objects, long* index, std::string* error) {
    std::string answer;
    if (!Ask(window, KORVPROBE_GDI_HIGH_WATER_MSG, std::to_string(objects), &answer, error, 60000)) return false;
    if (sscanf(answer.c_str(), "highwater %ld", index) != 1) return Fail(error, "probe: " + answer);
    return true;
}

bool InProcessProbe::CurrentCursor(HWND window, std::string* name, std::string* error) {
    return AskName(window, KORVPROBE_CURSOR_MSG, "cursor ", name, error);
}

bool InProcessProbe::BenchPaint(HWND window, int repeats, PaintFigures* figures, std::string* error) {
    std::string answer;
    if (!Ask(window, KORVPROBE_BENCH_PAINT_MSG, std::to_string(repeats), &answer, error, 600000)) return false;
    if (sscanf(answer.c_str(), "paint %lf blit %lf alone %lf", &figures->paintMs, &figures->blitMs,
               &figures->aloneMs) != 3)
        return Fail(error, "probe: " + answer);
    return true;
}

bool InProcessProbe::KillTimer(HWND window, UINT_PTR id, std::string* error) {
    return AskExpecting(window, KORVPROBE_KILL_TIMER_MSG, std::to_string(id), "killed 1\n", error);
}

bool InProcessProbe::WaitIdle(HWND window, std::string* error, DWORD timeoutMs) {
    return AskExpecting(window, KORVPROBE_IDLE_MSG, "", "idle\n", error, timeoutMs);
}

bool InProcessProbe::WaitTimerTurns(HWND window, UINT_PTR id, int turns, std::string* error, DWORD timeoutMs) {
    return AskExpecting(window, KORVPROBE_TIMER_TURNS_MSG, std::to_string(id) + " " + std::to_string(turns), "turns\n",
                        error, timeoutMs);
}

bool InProcessProbe::OpenMessageBox(HWND window, std::string* error) {
    return AskExpecting(window, KORVPROBE_MESSAGE_BOX_MSG, "", "box\n", error);
}

bool InProcessProbe::BoxIcon(HWND box, std::string* name, std::string* error) {
    return AskName(box, KORVPROBE_BOX_ICON_MSG, "icon ", name, error);
}

bool InProcessProbe::AskName(HWND window, const char* question, const std::string& lead, std::string* name,
                             std::string* error) {
    std::string answer;
    if (!Ask(window, question, "", &answer, error)) return false;
    if (answer.compare(0, lead.size(), lead) != 0) return Fail(error, "probe: " + answer);
    *name = answer.substr(lead.size());
    while (!name->empty() && name->back() == '\n') name->pop_back();
    return true;
}

bool InProcessProbe::AskExpecting(HWND window, const char* question, const std::string& request,
                                  const std::string& expected, std::string* error, DWORD timeoutMs) {
    std::string answer;
    return Ask(window, question, request, &answer, error, timeoutMs) &&
           (answer == expected || Fail(error, "probe: " + answer));
}

bool InProcessProbe::Ask(HWND window, const char* question, const std::string& request, std::string* answer,
                         std::string* error, DWORD timeoutMs) {
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &pid);
    if (!thread) return Fail(error, "no such window");
    ScopedHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, KORVPROBE_ANSWER_SIZE,
                                            KORVPROBE_MAPPING_NAME));
    ScopedHandle done(CreateEventA(nullptr, TRUE, FALSE, KORVPROBE_DONE_EVENT));
    if (!mapping.Valid() || !done.Valid()) return Fail(error, "cannot create the answer mapping or event");
    ResetEvent(done.Get());
    if (char* view = static_cast<char*>(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, KORVPROBE_ANSWER_SIZE))) {
        memcpy(view, request.c_str(), request.size() + 1);
        UnmapViewOfFile(view);
    }
    const std::string dll = ProbeDllPath();
    HMODULE module = LoadLibraryA(dll.c_str());
    auto proc = module
                    ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, KORVPROBE_HOOK_EXPORT)))
                    : nullptr;
    if (!proc) {
        if (module) FreeLibrary(module);
        return Fail(error, "cannot load " + dll);
    }
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, proc, module, thread);
    if (!hook) {
        *error = "SetWindowsHookEx failed, error " + std::to_string(GetLastError());
        FreeLibrary(module);
        return false;
    }
    const UINT msg = RegisterWindowMessageA(question);
    PostMessageA(window, msg, 0, 0);
    const bool answered = WaitForSingleObject(done.Get(), timeoutMs) == WAIT_OBJECT_0;
    UnhookWindowsHookEx(hook);
    FreeLibrary(module);
    if (!answered) return Fail(error, "the probe did not answer (hook DLL not loaded into the target?)");
    const char* view =
        static_cast<const char*>(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, KORVPROBE_ANSWER_SIZE));
    if (!view) return Fail(error, "cannot map the answer");
    answer->assign(view, strnlen(view, KORVPROBE_ANSWER_SIZE));
    UnmapViewOfFile(view);
    return true;
}
