#include "ScopedHandle.h"

ScopedHandle::~ScopedHandle() {
    Reset();
}

ScopedHandle& ScopedHandle::operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
}

HANDLE ScopedHandle::Detach() {
    HANDLE h = m_h;
    m_h = nullptr;
    return h;
}

void ScopedHandle::Reset(HANDLE h) {
    if (Valid()) CloseHandle(m_h);
    m_h = h;
}
