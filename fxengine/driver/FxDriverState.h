/* What the effects driver tells the engine host: the device names and control
   codes of its read-only state device, and the state it answers with. Plain C
   and fixed-size fields, so the kernel driver and user mode share this header
   as it is. */
#ifndef KORVANE_FX_DRIVER_STATE_H
#define KORVANE_FX_DRIVER_STATE_H

#include <stdint.h>

/* The console's device and the state device, as the kernel names them. */
#define FXDRV_CONSOLE_DEVICE L"\\Device\\Velmora1"
#define FXDRV_CONSOLE_LINK L"\\DosDevices\\Velmora1"
#define FXDRV_STATE_DEVICE L"\\Device\\KorvaneFxState"
#define FXDRV_STATE_LINK L"\\DosDevices\\KorvaneFxState"
/* The state device as user mode opens it. */
#define FXDRV_STATE_PATH "\\\\.\\KorvaneFxState"

/* FILE_DEVICE_UNKNOWN, METHOD_BUFFERED, FILE_READ_ACCESS, functions of our own
   range (0x800 and up), so they never meet the console's codes.
   WAIT: in, the serial the caller has (4 bytes); out, the state once its
         serial differs (at once when it already does), else pending until the
         next change, or cancelled.
   GET:  no input; out, the state at once. */
#define FXDRV_IOCTL_WAIT_STATE 0x00226000u
#define FXDRV_IOCTL_GET_STATE 0x00226004u

/* The console's codes the driver keeps, in the order of the state's entries. */
#define FXDRV_CODE_COUNT 13
#define FXDRV_CODES                                                                                        \
    {0x220000u, 0x220004u, 0x220008u, 0x220040u, 0x220044u, 0x220048u, 0x22004Cu, 0x220080u, 0x220084u, \
     0x220100u, 0x220140u, 0x220144u, 0x223FC8u}
/* The status question, answered with the state's serial. */
#define FXDRV_CODE_GET_STATUS 0x2200C4u

typedef struct FxDriverEntry {
    uint32_t code;     /* one of FXDRV_CODES */
    uint32_t received; /* 1 once a payload came since the driver started */
    uint32_t payload;  /* the last payload, as the console sent its 4 bytes */
} FxDriverEntry;

typedef struct FxDriverState {
    uint32_t size;        /* sizeof(FxDriverState): the layout both sides agree on */
    uint32_t serial;      /* bumped by every change; never 0 */
    uint32_t consoleOpen; /* 1 while a program holds the console's device */
    uint32_t count;       /* FXDRV_CODE_COUNT */
    FxDriverEntry entries[FXDRV_CODE_COUNT];
} FxDriverState;

#endif
