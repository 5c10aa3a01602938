// Move-only owner of a kernel handle. The invalid value differs by source:
// CreateFile fails with INVALID_HANDLE_VALUE, CreateMutex with NULL.
#pragma once

#include <windows.h>

template <bool FileStyle>
class KernelHandle {
public:
    static HANDLE Invalid() { return FileStyle ? INVALID_HANDLE_VALUE : nullptr; }

    KernelHandle() = default;
    explicit KernelHandle(HANDLE h) : m_handle(h) {}
    ~KernelHandle() { Close(); }
    KernelHandle(KernelHandle&& other) noexcept : m_handle(other.Detach()) {}
    KernelHandle& operator=(KernelHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_handle = other.Detach();
        }
        return *this;
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsOpen() const { return m_handle != Invalid() && m_handle != nullptr; }
    HANDLE Detach() {
        HANDLE h = m_handle;
        m_handle = Invalid();
        return h;
    }
    void Close() {
        if (IsOpen()) CloseHandle(m_handle);
        m_handle = Invalid();
    }

private:
    HANDLE m_handle = Invalid();
};

using FileHandle = KernelHandle<true>;     // CreateFile: INVALID_HANDLE_VALUE on failure
using ObjectHandle = KernelHandle<false>;  // CreateMutex, CreateEvent: NULL on failure
