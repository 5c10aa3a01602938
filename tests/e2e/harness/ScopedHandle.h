// Owning kernel handle (process, event, mapping, file): the program's own
// owner, under the name the tests ask it by. Null and INVALID_HANDLE_VALUE
// are both "no handle": CreateFile fails with the one, most other creators
// with the other.
#pragma once

#include "framework/KernelHandle.h"

class ScopedHandle : public ObjectHandle {
public:
    using ObjectHandle::ObjectHandle;
    bool Valid() const { return IsOpen(); }
};
