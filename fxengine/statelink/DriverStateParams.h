// The driver's state as (code, payload) messages, and those messages applied
// to the effect parameters the engines share. No Windows calls: host-tested.
#pragma once

#include "fx/FxParams.h"
#include "fxengine/driver/FxDriverState.h"

#include <stddef.h>
#include <stdint.h>

struct DriverMessage {
    uint32_t code;
    uint32_t payload;  // the 4 bytes the console sent, little-endian
};

// True when the state is of this layout (size, count and codes as built here):
// a driver of another build is not read.
bool DriverState_IsOurs(const FxDriverState& state);

// The messages the state holds (the codes received since the driver started),
// in the driver's order, up to `capacity`; none from a state not of ours.
size_t DriverState_Messages(const FxDriverState& state, DriverMessage* out, size_t capacity);

// Each message through fx::FxParams_Apply. True when one changed a value.
bool DriverState_Apply(fx::FxParams* params, const DriverMessage* messages, size_t count);
