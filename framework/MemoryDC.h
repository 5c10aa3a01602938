// Move-only owner of a memory device context (CreateCompatibleDC / DeleteDC).
#pragma once

#include <windows.h>

class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : m_hdc(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (m_hdc) DeleteDC(m_hdc);
    }
    MemoryDC(MemoryDC&& other) noexcept : m_hdc(other.Detach()) {}
    MemoryDC& operator=(MemoryDC&&) = delete;
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC Get() const { return m_hdc; }
    explicit operator bool() const { return m_hdc != nullptr; }
    HDC Detach() {
        HDC h = m_hdc;
        m_hdc = nullptr;
        return h;
    }

private:
    HDC m_hdc;
};
