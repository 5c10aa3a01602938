#include "NamedObjectAccess.h"

#include <string.h>

namespace fxengine {
namespace {

// The NT family's security functions, where advapi32 has them.
struct Security {
    BOOL(WINAPI* openProcessToken)(HANDLE, DWORD, HANDLE*);
    BOOL(WINAPI* getTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*);
    BOOL(WINAPI* initializeSd)(PSECURITY_DESCRIPTOR, DWORD);
    BOOL(WINAPI* setSdDacl)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
    BOOL(WINAPI* initializeAcl)(PACL, DWORD, DWORD);
    BOOL(WINAPI* addAllowedAce)(PACL, DWORD, DWORD, PSID);
    DWORD(WINAPI* getLengthSid)(PSID);
    BOOL(WINAPI* equalSid)(PSID, PSID);
    BOOL(WINAPI* getKernelObjectSecurity)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, DWORD*);
    BOOL(WINAPI* getSdOwner)(PSECURITY_DESCRIPTOR, PSID*, BOOL*);
};

template <typename Fn>
bool Find(HMODULE module, const char* name, Fn* fn) {
    *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *fn != nullptr;
}

// Null on Windows 9x, or where a function is missing.
const Security* TheSecurity() {
    static Security security;
    static LONG state = 0;  // 0 not looked, 1 there, 2 not there
    if (state == 0) {
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        // The library imports advapi32 itself, so no load is needed (this runs under the loader lock).
        HMODULE a = GetModuleHandleA("advapi32.dll");
        if (!a) a = LoadLibraryA("advapi32.dll");
        const bool nt = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
        const bool found = nt && a && Find(a, "OpenProcessToken", &security.openProcessToken) &&
                           Find(a, "GetTokenInformation", &security.getTokenInformation) &&
                           Find(a, "InitializeSecurityDescriptor", &security.initializeSd) &&
                           Find(a, "SetSecurityDescriptorDacl", &security.setSdDacl) &&
                           Find(a, "InitializeAcl", &security.initializeAcl) &&
                           Find(a, "AddAccessAllowedAce", &security.addAllowedAce) &&
                           Find(a, "GetLengthSid", &security.getLengthSid) && Find(a, "EqualSid", &security.equalSid) &&
                           Find(a, "GetKernelObjectSecurity", &security.getKernelObjectSecurity) &&
                           Find(a, "GetSecurityDescriptorOwner", &security.getSdOwner);
        // advapi32 stays loaded: the library never lets go of it.
        InterlockedExchange(&state, found ? 1 : 2);
    }
    return state == 1 ? &security : nullptr;
}

// S-1-5-18 and S-1-5-32-544, laid out as the system lays out a SID.
struct TwoPartSid {
    BYTE revision;
    BYTE count;
    BYTE authority[6];
    DWORD parts[2];
};
TwoPartSid kLocalSystem = {1, 1, {0, 0, 0, 0, 0, 5}, {18, 0}};
TwoPartSid kAdministrators = {1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};

// This process's user (TokenUser), or the owner its new objects get
// (TokenOwner), copied into `out` (at least 68 bytes: the longest SID).
bool ProcessSid(const Security& s, TOKEN_INFORMATION_CLASS which, BYTE* out, DWORD size) {
    HANDLE token = nullptr;
    if (!s.openProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    BYTE buffer[256];
    DWORD got = 0;
    const bool ok = s.getTokenInformation(token, which, buffer, sizeof buffer, &got) != 0;
    CloseHandle(token);
    if (!ok) return false;
    // TOKEN_USER and TOKEN_OWNER both begin with the SID's address.
    PSID user = which == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid
                                   : reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner;
    const DWORD length = s.getLengthSid(user);
    if (length > size) return false;
    memcpy(out, user, length);
    return true;
}

}  // namespace

NamedObjectAccess::NamedObjectAccess() {
    const Security* s = TheSecurity();
    if (!s) return;
    struct Block {
        SECURITY_DESCRIPTOR sd;
        BYTE user[72];
        DWORD acl[64];
    };
    auto* block = static_cast<Block*>(LocalAlloc(LPTR, sizeof(Block)));
    if (!block) return;
    PACL acl = reinterpret_cast<PACL>(block->acl);
    const bool made = ProcessSid(*s, TokenUser, block->user, sizeof block->user) &&
                      s->initializeAcl(acl, sizeof block->acl, ACL_REVISION) &&
                      s->addAllowedAce(acl, ACL_REVISION, GENERIC_ALL, block->user) &&
                      s->addAllowedAce(acl, ACL_REVISION, GENERIC_ALL, &kLocalSystem) &&
                      s->addAllowedAce(acl, ACL_REVISION, GENERIC_ALL, &kAdministrators) &&
                      s->initializeSd(&block->sd, SECURITY_DESCRIPTOR_REVISION) &&
                      s->setSdDacl(&block->sd, TRUE, acl, FALSE);
    if (!made) {
        LocalFree(block);
        return;
    }
    m_descriptor = block;
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = &block->sd;
    m_attributes.bInheritHandle = FALSE;
}

NamedObjectAccess::NamedObjectAccess(NamedObjectAccess&& other) noexcept
    : m_attributes(other.m_attributes), m_descriptor(other.Detach()) {}

NamedObjectAccess& NamedObjectAccess::operator=(NamedObjectAccess&& other) noexcept {
    if (this != &other) {
        Reset();
        m_attributes = other.m_attributes;
        m_descriptor = other.Detach();
    }
    return *this;
}

void* NamedObjectAccess::Detach() {
    void* d = m_descriptor;
    m_descriptor = nullptr;
    return d;
}

void NamedObjectAccess::Reset() {
    if (m_descriptor) LocalFree(m_descriptor);
    m_descriptor = nullptr;
}

bool NamedObjectAccess::MadeByUs(HANDLE object) {
    const Security* s = TheSecurity();
    if (!s) return true;
    DWORD buffer[256];
    DWORD needed = 0;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!s->getKernelObjectSecurity(object, OWNER_SECURITY_INFORMATION, buffer, sizeof buffer, &needed) ||
        !s->getSdOwner(buffer, &owner, &defaulted) || !owner)
        return false;
    BYTE sid[72];
    return s->equalSid(owner, &kLocalSystem) || s->equalSid(owner, &kAdministrators) ||
           (ProcessSid(*s, TokenUser, sid, sizeof sid) && s->equalSid(owner, sid)) ||
           (ProcessSid(*s, TokenOwner, sid, sizeof sid) && s->equalSid(owner, sid));
}

}  // namespace fxengine
