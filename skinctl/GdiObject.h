// Owner of one GDI object (pen, brush, bitmap, region). Move-only; Detach()
// hands the object over, e.g. a region given to SetWindowRgn.
#pragma once

#include <windows.h>

namespace skinctl {

template <class T>
class GdiObject {
public:
    explicit GdiObject(T handle = nullptr) : m_handle(handle) {}
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
    T Detach() {
        T handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void Reset(T handle = nullptr) {
        if (m_handle) DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    T m_handle;
};

using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

}  // namespace skinctl
