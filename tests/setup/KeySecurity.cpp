#include "KeySecurity.h"

#include "harness/RegKey.h"

#include <cstdio>

namespace {

bool ReadDacl(HKEY root, const std::string& path, std::vector<BYTE>* descriptor, PACL* dacl) {
    RegKey key = RegKey::Open(root, path, READ_CONTROL);
    if (!key.Valid()) return false;
    DWORD size = 0;
    RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    if (size == 0) return false;
    descriptor->resize(size);
    if (RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, descriptor->data(), &size) != ERROR_SUCCESS)
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    *dacl = nullptr;
    return GetSecurityDescriptorDacl(descriptor->data(), &present, dacl, &defaulted) && present && *dacl;
}

bool IsUsers(PSID sid) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0,
                                  &users))
        return false;
    bool same = EqualSid(sid, users);
    FreeSid(users);
    return same;
}

}  // namespace

std::vector<AllowEntry> KeySecurity::UsersEntries(HKEY root, const std::string& path, bool* ok) {
    std::vector<AllowEntry> entries;
    std::vector<BYTE> descriptor;
    PACL dacl = nullptr;
    *ok = ReadDacl(root, path, &descriptor, &dacl);
    if (!*ok) return entries;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (IsUsers(&allowed->SidStart)) entries.push_back({allowed->Mask, ace->AceFlags});
    }
    return entries;
}

std::string KeySecurity::Describe(HKEY root, const std::string& path) {
    std::vector<BYTE> descriptor;
    PACL dacl = nullptr;
    if (!ReadDacl(root, path, &descriptor, &dacl)) return "(no access list)";
    std::string text;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) continue;
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        char line[96];
        std::snprintf(line, sizeof line, "type %u flags 0x%02X mask 0x%08lX users %d\n", ace->AceType, ace->AceFlags,
                      static_cast<unsigned long>(allowed->Mask), IsUsers(&allowed->SidStart) ? 1 : 0);
        text += line;
    }
    return text;
}
