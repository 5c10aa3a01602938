#include "ModuleList.h"

#include <utility>

namespace fxengine {

ModuleList::~ModuleList() {
    if (m_items) HeapFree(GetProcessHeap(), 0, m_items);
}

ModuleList::ModuleList(ModuleList&& other) noexcept
    : m_items(std::exchange(other.m_items, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

ModuleList& ModuleList::operator=(ModuleList&& other) noexcept {
    if (this != &other) {
        if (m_items) HeapFree(GetProcessHeap(), 0, m_items);
        m_items = std::exchange(other.m_items, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

bool ModuleList::Contains(HMODULE module) const {
    for (int i = 0; i < m_size; ++i)
        if (m_items[i] == module) return true;
    return false;
}

bool ModuleList::Add(HMODULE module) {
    if (Contains(module)) return false;
    if (m_size == m_capacity) {
        const int capacity = m_capacity ? m_capacity * 2 : 64;
        const SIZE_T bytes = capacity * sizeof(HMODULE);
        void* grown =
            m_items ? HeapReAlloc(GetProcessHeap(), 0, m_items, bytes) : HeapAlloc(GetProcessHeap(), 0, bytes);
        if (!grown) return false;
        m_items = static_cast<HMODULE*>(grown);
        m_capacity = capacity;
    }
    m_items[m_size++] = module;
    return true;
}

HMODULE* ModuleList::Detach() {
    m_size = m_capacity = 0;
    return std::exchange(m_items, nullptr);
}

}  // namespace fxengine
