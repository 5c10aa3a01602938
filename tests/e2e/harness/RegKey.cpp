#include "RegKey.h"

RegValue RegValue::Dword(DWORD v) {
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&v), sizeof v)};
}

RegValue RegValue::String(const std::string& s) {
    return {REG_SZ, s + '\0'};
}

std::optional<DWORD> RegValue::AsDword() const {
    if (bytes.size() < sizeof(DWORD)) return std::nullopt;
    DWORD v;
    memcpy(&v, bytes.data(), sizeof v);
    return v;
}

RegKey::~RegKey() {
    if (m_h) RegCloseKey(m_h);
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        if (m_h) RegCloseKey(m_h);
        m_h = other.Detach();
    }
    return *this;
}

HKEY RegKey::Detach() {
    HKEY h = m_h;
    m_h = nullptr;
    return h;
}

RegKey RegKey::Open(HKEY root, const std::string& path, REGSAM access) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, access, &h) != ERROR_SUCCESS) return RegKey();
    return RegKey(h);
}

RegKey RegKey::Create(HKEY root, const std::string& path) {
    HKEY h = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(h);
}

bool RegKey::Exists(HKEY root, const std::string& path) {
    return Open(root, path, KEY_READ).Valid();
}

bool RegKey::DeleteTree(HKEY root, const std::string& path) {
    {
        RegKey key = Open(root, path);
        if (!key.Valid()) return !Exists(root, path);
        for (const std::string& sub : key.SubKeys())
            if (!DeleteTree(key.Get(), sub)) return false;
    }
    return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

bool RegKey::Set(const std::string& name, const RegValue& value) {
    return RegSetValueExA(m_h, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                          static_cast<DWORD>(value.bytes.size())) == ERROR_SUCCESS;
}

std::optional<RegValue> RegKey::Query(const std::string& name) const {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(m_h, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    RegValue v;
    v.type = type;
    v.bytes.resize(size);
    if (RegQueryValueExA(m_h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&v.bytes[0]), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    v.bytes.resize(size);
    return v;
}

std::optional<DWORD> RegKey::QueryDword(const std::string& name) const {
    std::optional<RegValue> v = Query(name);
    if (!v || v->type != REG_DWORD) return std::nullopt;
    return v->AsDword();
}

bool RegKey::Delete(const std::string& name) {
    return RegDeleteValueA(m_h, name.c_str()) == ERROR_SUCCESS;
}

std::vector<NamedRegValue> RegKey::Values() const {
    std::vector<NamedRegValue> out;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLen = sizeof name;
        if (RegEnumValueA(m_h, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::optional<RegValue> v = Query(std::string(name, nameLen));
        if (v) out.push_back({std::string(name, nameLen), *v});
    }
    return out;
}

std::vector<std::string> RegKey::SubKeys() const {
    std::vector<std::string> out;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(m_h, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        out.emplace_back(name, nameLen);
    }
    return out;
}
