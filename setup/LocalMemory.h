// Move-only owner of memory the system allocated with LocalAlloc for us
// (security descriptors and access lists); freed with LocalFree.
#pragma once

#include <windows.h>

class LocalMemory {
public:
    LocalMemory() = default;
    ~LocalMemory() { Reset(); }
    LocalMemory(LocalMemory&& other) noexcept : m_h(other.Detach()) {}
    LocalMemory& operator=(LocalMemory&& other) noexcept {
        if (this != &other) {
            Reset();
            m_h = other.Detach();
        }
        return *this;
    }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;

    // For functions that hand back an allocation through a pointer argument.
    template <typename T>
    T** Out() {
        Reset();
        return reinterpret_cast<T**>(&m_h);
    }
    template <typename T>
    T* As() const {
        return static_cast<T*>(m_h);
    }
    HLOCAL Detach() {
        HLOCAL h = m_h;
        m_h = nullptr;
        return h;
    }
    void Reset() {
        if (m_h) LocalFree(m_h);
        m_h = nullptr;
    }

private:
    HLOCAL m_h = nullptr;
};
