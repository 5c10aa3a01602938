// Owning registry key with byte-exact value access: any type, any size, so
// tests can store values the program must reject (short, long, odd types).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct RegValue {
    DWORD type = REG_NONE;
    std::string bytes;  // raw data as stored

    static RegValue Dword(DWORD v);
    static RegValue String(const std::string& s);  // REG_SZ with its terminator
    // The first four bytes as a little-endian DWORD; nullopt when shorter.
    std::optional<DWORD> AsDword() const;
};

struct NamedRegValue {
    std::string name;
    RegValue value;
};

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY h) : m_h(h) {}
    ~RegKey();
    RegKey(RegKey&& other) noexcept : m_h(other.Detach()) {}
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    static RegKey Open(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS);
    static RegKey Create(HKEY root, const std::string& path);
    static bool Exists(HKEY root, const std::string& path);
    // Deletes the key with everything below it; true also when it was absent.
    static bool DeleteTree(HKEY root, const std::string& path);

    bool Valid() const { return m_h != nullptr; }
    HKEY Get() const { return m_h; }
    HKEY Detach();

    bool Set(const std::string& name, const RegValue& value);
    bool SetDword(const std::string& name, DWORD v) { return Set(name, RegValue::Dword(v)); }
    bool SetString(const std::string& name, const std::string& s) { return Set(name, RegValue::String(s)); }
    std::optional<RegValue> Query(const std::string& name) const;
    std::optional<DWORD> QueryDword(const std::string& name) const;
    bool Delete(const std::string& name);
    std::vector<NamedRegValue> Values() const;
    std::vector<std::string> SubKeys() const;

private:
    HKEY m_h = nullptr;
};
