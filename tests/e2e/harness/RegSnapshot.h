// The registry is shared by every test: a snapshot of one key (present or
// not, its values) taken before a test and put back after it.
#pragma once

#include "RegKey.h"

#include <string>
#include <vector>

class RegSnapshot {
public:
    RegSnapshot(HKEY root, std::string path);
    // Puts the key back as it was: deleted when it was absent, otherwise
    // exactly the values it had (subkeys are not part of the snapshot).
    bool Restore() const;

private:
    HKEY m_root;
    std::string m_path;
    bool m_existed = false;
    std::vector<NamedRegValue> m_values;
};
