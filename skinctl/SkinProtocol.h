// The contract between the console and its skin controls (knob, push button,
// animation). The console relies on property 1 and event 1 only; the
// persisted bytes arrive from the dialog's initialisation data.
#pragma once

#include <stdint.h>

// Window classes, named after the controls' class ids.
#define SKIN_KNOB_CLASS "{BEEA059A-D689-46BD-8261-09C56C6D300C}"
#define SKIN_PUSHBUTTON_CLASS "{DCC838BA-5125-4425-8A41-E53FF5689243}"
#define SKIN_ANIMATION_CLASS "{D27CDB6E-AE6D-11CF-96B8-444553540000}"

enum : unsigned {
    // wParam = property id (1); returns the value (knob: position as a
    // 32-bit signed integer; button: 0 or 1). Unknown ids return 0.
    SKM_GETPROPERTY = 0x0400 + 0x100,
    // wParam = property id (1), lParam = new value. Never fires an event.
    SKM_SETPROPERTY = 0x0400 + 0x101,
    // wParam = byte count, lParam = pointer to the persisted bytes of the
    // dialog's initialisation data. Returns nonzero when they were taken.
    SKM_LOADSTATE = 0x0400 + 0x102,
};

// Message id of a dialog initialisation entry that carries persisted bytes.
enum : uint16_t { DLGINIT_LOADFROMSTREAM = 0x0376 };

// Event notification: WM_NOTIFY to the parent, hdr.code = SKN_EVENT.
enum : unsigned { SKN_EVENT = 0u - 4000u };

enum { SKIN_PROPERTY_VALUE = 1, SKIN_EVENT_CHANGE = 1, SKIN_EVENT_MAX_ARGS = 2 };

// Laid out after an NMHDR (see SkinEvent in SkinEvent.h for Windows code).
struct SkinEventArgs {
    int32_t event;  // event number (1)
    int32_t argc;   // 0 for buttons, 1 for knobs
    int32_t argv[SKIN_EVENT_MAX_ARGS];
};

// The animation control takes no settings (SKM_LOADSTATE accepts any bytes and
// ignores them); SKM_GETPROPERTY with property 1 reads the frame on show.
