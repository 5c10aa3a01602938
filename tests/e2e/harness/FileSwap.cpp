#include "FileSwap.h"

#include <windows.h>

#include <string>

FileSwap::FileSwap(std::string target) : m_target(std::move(target)), m_backup(m_target + ".e2e-orig") {}

FileSwap::~FileSwap() {
    Restore();
}

bool FileSwap::Remove() {
    if (m_active) return false;
    m_hadOriginal = GetFileAttributesA(m_target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (m_hadOriginal && !MoveFileExA(m_target.c_str(), m_backup.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    m_active = true;
    return true;
}

bool FileSwap::ReplaceWith(const std::string& source) {
    if (!Remove()) return false;
    return CopyFileA(source.c_str(), m_target.c_str(), FALSE) != 0;
}

bool FileSwap::Restore() {
    if (!m_active) return true;
    // A library that some process still has loaded (a system-wide hook's
    // stays in every process it entered, this one included) cannot be
    // deleted, but it can be renamed: it goes aside, and the original back.
    if (GetFileAttributesA(m_target.c_str()) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(m_target.c_str())) {
        const std::string aside = m_target + ".e2e-gone-" + std::to_string(GetTickCount());
        if (!MoveFileExA(m_target.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    }
    if (m_hadOriginal && !MoveFileExA(m_backup.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    m_active = false;
    return true;
}
