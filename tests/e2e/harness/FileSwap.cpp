#include "FileSwap.h"

#include <windows.h>

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
    DeleteFileA(m_target.c_str());
    if (m_hadOriginal && !MoveFileExA(m_backup.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    m_active = false;
    return true;
}
