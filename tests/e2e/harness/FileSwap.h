// Replaces or removes a file for the length of a test and puts the original
// back afterwards, also when the test fails half-way.
#pragma once

#include <string>

class FileSwap {
public:
    explicit FileSwap(std::string target);
    ~FileSwap();
    FileSwap(const FileSwap&) = delete;
    FileSwap& operator=(const FileSwap&) = delete;

    bool ReplaceWith(const std::string& source);
    bool Remove();
    bool Restore();

private:
    std::string m_target;
    std::string m_backup;
    bool m_hadOriginal = false;
    bool m_active = false;
};
