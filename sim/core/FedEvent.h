// The event the rig's hook observer sets in a process each time a device's
// feed hands periods to the real device there.
#pragma once

#include <stdio.h>

namespace sim {

inline void FedEventName(unsigned long pid, char* name, size_t size) {
    snprintf(name, size, "KorvaneSim.Fed.%lu", pid);
}

}  // namespace sim
