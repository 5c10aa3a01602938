// Stands in for the web browser in the tests: registered as the handler of
// http links, it appends the address it was started with to urlrec.log
// beside itself and ends.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    char* slash = strrchr(path, '\\');
    if (!slash || slash - path + 12 >= MAX_PATH) return 1;
    strcpy(slash + 1, "urlrec.log");
    HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 1;
    // The address as it was handed over, without the quotes around it.
    const char* url = commandLine;
    size_t len = strlen(url);
    if (len >= 2 && url[0] == '"' && url[len - 1] == '"') {
        ++url;
        len -= 2;
    }
    DWORD written = 0;
    WriteFile(log, url, DWORD(len), &written, nullptr);
    WriteFile(log, "\r\n", 2, &written, nullptr);
    CloseHandle(log);
    return 0;
}
