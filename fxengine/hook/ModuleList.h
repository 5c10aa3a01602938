// A list of modules, each at most once, that grows as needed (the process
// heap; no loader call, so it may be used with the loader's lock held).
#pragma once

#include <windows.h>

namespace fxengine {

class ModuleList {
public:
    ModuleList() = default;
    ~ModuleList();
    ModuleList(ModuleList&& other) noexcept;
    ModuleList& operator=(ModuleList&& other) noexcept;
    ModuleList(const ModuleList&) = delete;
    ModuleList& operator=(const ModuleList&) = delete;

    // False when it was there already, or memory ran out (then it is left out).
    bool Add(HMODULE module);
    bool Contains(HMODULE module) const;
    int Size() const { return m_size; }
    HMODULE operator[](int i) const { return m_items[i]; }
    const HMODULE* Data() const { return m_items; }
    // Hands the storage to the caller (HeapFree on the process heap).
    HMODULE* Detach();

private:
    HMODULE* m_items = nullptr;
    int m_size = 0;
    int m_capacity = 0;
};

}  // namespace fxengine
