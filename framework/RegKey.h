// Move-only owner of an open registry key.
#pragma once

#include <windows.h>

class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(RegKey&& other) noexcept : m_hkey(other.Detach()) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            Close();
            m_hkey = other.Detach();
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // RegOpenKeyExA; returns its error code (0 on success). Never creates the key.
    LONG Open(HKEY root, const char* subKey, REGSAM access);
    // RegCreateKeyExA, non-volatile, no class.
    LONG Create(HKEY root, const char* subKey, REGSAM access);
    // Reads exactly 4 bytes into value; false when the query fails or the
    // value is not exactly 4 bytes long (then value is left untouched).
    bool QueryDword(const char* name, DWORD& value) const;
    LONG SetDword(const char* name, DWORD value) const;
    void Close();

    HKEY Get() const { return m_hkey; }
    explicit operator bool() const { return m_hkey != nullptr; }
    HKEY Detach() {
        HKEY h = m_hkey;
        m_hkey = nullptr;
        return h;
    }

private:
    HKEY m_hkey = nullptr;
};
