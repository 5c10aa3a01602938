// Owning kernel handle (process, event, mapping, file): closed once, movable.
#pragma once

#include <windows.h>

class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE h) : m_h(h) {}
    ~ScopedHandle();
    ScopedHandle(ScopedHandle&& other) noexcept : m_h(other.Detach()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept;
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    // Null and INVALID_HANDLE_VALUE are both "no handle": CreateFile fails
    // with the one, most other creators with the other.
    bool Valid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }
    HANDLE Detach();
    void Reset(HANDLE h = nullptr);

private:
    HANDLE m_h = nullptr;
};
