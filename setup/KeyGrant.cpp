// KeyGrant.exe HKLM-SUBKEY
// Run by setup on Windows 2000 and later: gives the built-in Users group full
// access to one key below HKEY_LOCAL_MACHINE, so that a limited user's Korvane
// can open its settings key the way it does (with KEY_ALL_ACCESS; read and
// write alone would still be refused). Only that key's own list changes: the
// new entry is inherited by nothing, every other entry stays as it was.
// Exit code 0 on success, otherwise the Windows error code (never 0).
#include <windows.h>
#include <aclapi.h>

namespace {

// SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS: S-1-5-32-545.
class UsersSid {
public:
    UsersSid() {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0,
                                      &m_sid))
            m_sid = nullptr;
    }
    ~UsersSid() {
        if (m_sid) FreeSid(m_sid);
    }
    UsersSid(const UsersSid&) = delete;
    UsersSid& operator=(const UsersSid&) = delete;
    PSID Get() const { return m_sid; }

private:
    PSID m_sid = nullptr;
};

class LocalMemory {
public:
    explicit LocalMemory(HLOCAL h = nullptr) : m_h(h) {}
    ~LocalMemory() {
        if (m_h) LocalFree(m_h);
    }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    HLOCAL* Out() { return &m_h; }
    void* Get() const { return m_h; }

private:
    HLOCAL m_h;
};

class Key {
public:
    ~Key() {
        if (m_h) RegCloseKey(m_h);
    }
    HKEY* Out() { return &m_h; }
    HKEY Get() const { return m_h; }

private:
    HKEY m_h = nullptr;
};

// The list already has our entry: Users allowed everything on this key, not
// inherited and inherited by nothing. Setup may run many times.
bool AlreadyGranted(PACL dacl, PSID users) {
    if (!dacl) return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (ace->AceFlags == 0 && (allowed->Mask & KEY_ALL_ACCESS) == KEY_ALL_ACCESS &&
            EqualSid(&allowed->SidStart, users))
            return true;
    }
    return false;
}

DWORD Grant(const char* subKey) {
    Key key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, READ_CONTROL | WRITE_DAC, key.Out());
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);

    // The key's current list, as it is.
    PACL oldDacl = nullptr;
    LocalMemory descriptor;
    DWORD err = GetSecurityInfo(key.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &oldDacl,
                                nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Out()));
    if (err != ERROR_SUCCESS) return err;

    UsersSid users;
    if (!users.Get()) return GetLastError() ? GetLastError() : ERROR_OUTOFMEMORY;
    if (AlreadyGranted(oldDacl, users.Get())) return ERROR_SUCCESS;
    EXPLICIT_ACCESSA access = {};
    access.grfAccessPermissions = KEY_ALL_ACCESS;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPSTR>(users.Get());

    LocalMemory newDacl;
    err = SetEntriesInAclA(1, &access, oldDacl, reinterpret_cast<PACL*>(newDacl.Out()));
    if (err != ERROR_SUCCESS) return err;

    // RegSetKeySecurity sets this key's list only; nothing is pushed down to
    // subkeys, and owner, group and audit entries are left alone.
    SECURITY_DESCRIPTOR sd;
    if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&sd, TRUE, static_cast<PACL>(newDacl.Get()), FALSE))
        return GetLastError() ? GetLastError() : ERROR_INVALID_PARAMETER;
    rc = RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &sd);
    return static_cast<DWORD>(rc);
}

// The command line's first argument, quoted or not.
void FirstArgument(const char* line, char* out, size_t size) {
    while (*line == ' ' || *line == '\t') ++line;
    const char end = *line == '"' ? '"' : ' ';
    if (*line == '"') ++line;
    size_t n = 0;
    while (*line && *line != end && (end == '"' || *line != '\t') && n + 1 < size) out[n++] = *line++;
    out[n] = '\0';
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    char subKey[512];
    FirstArgument(cmdLine, subKey, sizeof subKey);
    if (!subKey[0]) return ERROR_INVALID_PARAMETER;
    DWORD err = Grant(subKey);
    return static_cast<int>(err);
}
