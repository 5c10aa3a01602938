// The `Engine exclusions` value: program file names (REG_MULTI_SZ under the
// settings key) whose processes the engine never joins. Platform-free.
#pragma once

#include <stddef.h>

namespace fxengine {

// Whether the file name of `exePath` (a full path or a bare name) is one of
// the names in `list` (REG_MULTI_SZ bytes as read, possibly without its final
// terminators). Names compare without regard to ASCII case; a name given
// with a path matches on its file name too.
bool ExclusionList_Matches(const char* list, size_t bytes, const char* exePath);

}  // namespace fxengine
