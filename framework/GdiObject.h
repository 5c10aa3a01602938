// Move-only owner of a GDI object (region, bitmap, font, brush).
#pragma once

#include <windows.h>

template <class T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T handle) : m_handle(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : m_handle(other.Detach()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    T Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    // For when the system takes ownership (a region given to SetWindowRgn).
    T Detach() {
        T h = m_handle;
        m_handle = nullptr;
        return h;
    }
    void Reset(T handle = nullptr) {
        if (m_handle) DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    T m_handle = nullptr;
};

using UniqueRegion = GdiObject<HRGN>;
using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueFont = GdiObject<HFONT>;
using UniqueBrush = GdiObject<HBRUSH>;
