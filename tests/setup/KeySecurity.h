// Reads a registry key's own access list: what it allows one group.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct AllowEntry {
    ACCESS_MASK mask = 0;
    BYTE flags = 0;  // ACE flags: inheritance
};

class KeySecurity {
public:
    // The allow entries for S-1-5-32-545 (built-in Users) in the key's list;
    // `ok` false when the list could not be read.
    static std::vector<AllowEntry> UsersEntries(HKEY root, const std::string& path, bool* ok);
    // Every entry of the list, as text, for failure messages.
    static std::string Describe(HKEY root, const std::string& path);
};
