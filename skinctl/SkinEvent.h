// The notification a skin control sends its parent for event 1.
#pragma once

#include <windows.h>

#include "skinctl/SkinProtocol.h"

struct SkinEvent {
    NMHDR hdr;  // idFrom = control id, hwndFrom = control, code = SKN_EVENT
    SkinEventArgs args;
};
