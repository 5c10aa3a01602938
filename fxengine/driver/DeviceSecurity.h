/* The access list each of the driver's devices gets at creation: SYSTEM and
   Administrators everything, interactive users what the console (reading and
   writing the console's device) or the engine host (reading the state
   device) needs, nobody else anything: not services, not network logons. */
#ifndef KORVANE_FX_DEVICE_SECURITY_H
#define KORVANE_FX_DEVICE_SECURITY_H

#include <ntifs.h>

/* Replaces the device's access list; fails when the system refused it (the
   device must then not be offered). */
NTSTATUS DeviceSecurity_Apply(PDEVICE_OBJECT device, ACCESS_MASK interactiveAccess);

#endif
