// A sound's bytes, owned: read from a file, copied from a resource or from
// the program's memory. Move-only; from the process heap, no exceptions.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

namespace fxengine {

class SoundBytes {
public:
    SoundBytes() = default;
    // Room for `size` bytes; empty (Get() null) when there is none.
    explicit SoundBytes(size_t size)
        : m_bytes(static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, size ? size : 1))), m_size(m_bytes ? size : 0) {}
    ~SoundBytes() {
        if (m_bytes) HeapFree(GetProcessHeap(), 0, m_bytes);
    }
    SoundBytes(SoundBytes&& o) noexcept : m_bytes(o.m_bytes), m_size(o.m_size) { o.Detach(); }
    SoundBytes& operator=(SoundBytes&& o) noexcept {
        if (this != &o) {
            if (m_bytes) HeapFree(GetProcessHeap(), 0, m_bytes);
            m_bytes = o.m_bytes;
            m_size = o.m_size;
            o.Detach();
        }
        return *this;
    }
    SoundBytes(const SoundBytes&) = delete;
    SoundBytes& operator=(const SoundBytes&) = delete;

    uint8_t* Get() const { return m_bytes; }
    size_t Size() const { return m_size; }
    // The caller frees it with HeapFree.
    uint8_t* Detach() {
        uint8_t* b = m_bytes;
        m_bytes = nullptr;
        m_size = 0;
        return b;
    }

private:
    uint8_t* m_bytes = nullptr;
    size_t m_size = 0;
};

}  // namespace fxengine
