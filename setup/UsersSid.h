// Move-only owner of the built-in Users group's SID, S-1-5-32-545.
#pragma once

#include <windows.h>

class UsersSid {
public:
    UsersSid();
    ~UsersSid() { Reset(); }
    UsersSid(UsersSid&& other) noexcept : m_sid(other.Detach()) {}
    UsersSid& operator=(UsersSid&& other) noexcept {
        if (this != &other) {
            Reset();
            m_sid = other.Detach();
        }
        return *this;
    }
    UsersSid(const UsersSid&) = delete;
    UsersSid& operator=(const UsersSid&) = delete;

    PSID Get() const { return m_sid; }  // null when it could not be made
    PSID Detach() {
        PSID sid = m_sid;
        m_sid = nullptr;
        return sid;
    }

private:
    void Reset() {
        if (m_sid) FreeSid(m_sid);
        m_sid = nullptr;
    }
    PSID m_sid = nullptr;
};
