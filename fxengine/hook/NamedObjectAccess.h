// The access list of the engine's named objects (the shared mapping, its
// mutex, the logon host's mutex and event) on Windows 2000 and later, where
// names are global on 2000 and in XP's session 0 and any user could make an
// object first: this user, SYSTEM and Administrators may use them, nobody
// else; and an object of that name made by anyone else is not joined.
// Windows 95, 98 and ME have no object security: there this does nothing.
// The security functions are looked up at run time, so the library still
// loads on those systems.
#pragma once

#include <windows.h>

namespace fxengine {

class NamedObjectAccess {
public:
    NamedObjectAccess();
    ~NamedObjectAccess() { Reset(); }
    NamedObjectAccess(NamedObjectAccess&& other) noexcept;
    NamedObjectAccess& operator=(NamedObjectAccess&& other) noexcept;
    NamedObjectAccess(const NamedObjectAccess&) = delete;
    NamedObjectAccess& operator=(const NamedObjectAccess&) = delete;

    // For CreateMutex, CreateEvent, CreateFileMapping: null on Windows 9x
    // (and where the list could not be made: the system's default then).
    SECURITY_ATTRIBUTES* Attributes() { return m_descriptor ? &m_attributes : nullptr; }
    // The object was made by this user (its owner is the user, or the owner
    // this process's objects get), SYSTEM or Administrators (always true on
    // Windows 9x). False also when its owner cannot be read.
    static bool MadeByUs(HANDLE object);
    void* Detach();

private:
    void Reset();
    SECURITY_ATTRIBUTES m_attributes{};
    void* m_descriptor = nullptr;  // descriptor, list and SID in one block
};

}  // namespace fxengine
