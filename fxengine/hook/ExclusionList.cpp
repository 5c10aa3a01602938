#include "ExclusionList.h"

namespace fxengine {

namespace {

const char* FileName(const char* path, const char* end) {
    const char* name = path;
    for (const char* p = path; p < end; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    return name;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Same(const char* a, const char* aEnd, const char* b, const char* bEnd) {
    if (aEnd - a != bEnd - b) return false;
    for (; a < aEnd; ++a, ++b)
        if (Lower(*a) != Lower(*b)) return false;
    return true;
}

}  // namespace

bool ExclusionList_Matches(const char* list, size_t bytes, const char* exePath) {
    if (!list || !exePath) return false;
    const char* exeEnd = exePath;
    while (*exeEnd) ++exeEnd;
    const char* exe = FileName(exePath, exeEnd);
    if (exe == exeEnd) return false;
    const char* const end = list + bytes;
    for (const char* p = list; p < end;) {
        const char* q = p;
        while (q < end && *q) ++q;
        // Blanks around a name are a typing slip, not part of it.
        const char* a = p;
        const char* b = q;
        while (a < b && *a == ' ') ++a;
        while (b > a && b[-1] == ' ') --b;
        const char* name = FileName(a, b);
        if (name < b && Same(name, b, exe, exeEnd)) return true;
        p = q + 1;
    }
    return false;
}

}  // namespace fxengine
