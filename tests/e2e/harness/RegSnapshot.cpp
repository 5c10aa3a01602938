#include "RegSnapshot.h"

RegSnapshot::RegSnapshot(HKEY root, std::string path) : m_root(root), m_path(std::move(path)) {
    RegKey key = RegKey::Open(m_root, m_path, KEY_READ);
    m_existed = key.Valid();
    if (m_existed) m_values = key.Values();
}

bool RegSnapshot::Restore() const {
    if (!m_existed) return RegKey::DeleteTree(m_root, m_path);
    RegKey key = RegKey::Create(m_root, m_path);
    if (!key.Valid()) return false;
    for (const NamedRegValue& v : key.Values()) key.Delete(v.name);
    bool ok = true;
    for (const NamedRegValue& v : m_values) ok = key.Set(v.name, v.value) && ok;
    return ok;
}
