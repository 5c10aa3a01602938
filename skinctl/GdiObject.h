// The skin controls' names for the framework's GDI owners.
#pragma once

#include "framework/GdiObject.h"

namespace skinctl {

using Pen = ::GdiObject<HPEN>;
using Brush = ::GdiObject<HBRUSH>;
using Bitmap = ::GdiObject<HBITMAP>;
using Region = ::GdiObject<HRGN>;

}  // namespace skinctl
