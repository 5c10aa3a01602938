// Sets a registry key's default value for one scope, then puts back what was
// there: the old text, no value, or no key (with the keys made for it).
#pragma once

#include <windows.h>

#include <string>

class ScopedRegDefault {
public:
    ScopedRegDefault(HKEY root, const std::string& path, const std::string& value);
    ~ScopedRegDefault();
    ScopedRegDefault(const ScopedRegDefault&) = delete;
    ScopedRegDefault& operator=(const ScopedRegDefault&) = delete;

    bool IsSet() const { return m_bSet; }

private:
    HKEY m_root;
    std::string m_path;
    std::string m_created;  // the outermost key that was not there, or empty
    bool m_bHadValue = false;
    std::string m_old;
    bool m_bSet = false;
};
