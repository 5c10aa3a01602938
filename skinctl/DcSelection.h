// The skin controls' name for the framework's scoped DC selection.
#pragma once

#include "framework/SelectObjectScope.h"

namespace skinctl {

using DcSelection = ::SelectObjectScope;

}  // namespace skinctl
