#include "UsersGrant.h"

#include "LocalMemory.h"
#include "UsersSid.h"
#include "framework/RegKey.h"

#include <aclapi.h>

namespace {

// Users allowed everything on this key, not inherited and inherited by
// nothing: setup may run many times.
bool AlreadyGranted(const ACL* dacl, PSID users) {
    if (!dacl) return false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), i, reinterpret_cast<void**>(&ace)) ||
            ace->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        if (ace->AceFlags == 0 && (allowed->Mask & KEY_ALL_ACCESS) == KEY_ALL_ACCESS &&
            EqualSid(&allowed->SidStart, users))
            return true;
    }
    return false;
}

DWORD LastErrorOr(DWORD fallback) {
    DWORD err = GetLastError();
    return err ? err : fallback;
}

}  // namespace

DWORD GrantUsersFullAccess(const char* subKey) {
    RegKey key;
    LONG rc = key.Open(HKEY_LOCAL_MACHINE, subKey, READ_CONTROL | WRITE_DAC);
    if (rc != ERROR_SUCCESS) return static_cast<DWORD>(rc);

    PACL oldDacl = nullptr;  // points into the descriptor
    LocalMemory descriptor;
    DWORD err = GetSecurityInfo(key.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &oldDacl,
                                nullptr, descriptor.Out<void>());
    if (err != ERROR_SUCCESS) return err;

    UsersSid users;
    if (!users.Get()) return LastErrorOr(ERROR_OUTOFMEMORY);
    if (AlreadyGranted(oldDacl, users.Get())) return ERROR_SUCCESS;

    // Korvane opens its key with KEY_ALL_ACCESS; read and write alone would
    // still be refused.
    EXPLICIT_ACCESSA access = {};
    access.grfAccessPermissions = KEY_ALL_ACCESS;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPSTR>(users.Get());
    LocalMemory newDacl;
    err = SetEntriesInAclA(1, &access, oldDacl, newDacl.Out<ACL>());
    if (err != ERROR_SUCCESS) return err;

    // RegSetKeySecurity sets this key's list only; nothing is pushed down to
    // subkeys, and owner, group and audit entries are left alone.
    SECURITY_DESCRIPTOR sd;
    if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&sd, TRUE, newDacl.As<ACL>(), FALSE))
        return LastErrorOr(ERROR_INVALID_PARAMETER);
    return static_cast<DWORD>(RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &sd));
}
