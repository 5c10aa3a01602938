// Kernel services of the test's Wine session, through the service manager:
// what `sc` does, from inside a test program, with every wait bounded.
#pragma once

#include <windows.h>

#include <string>

namespace KernelService {

// The service's current state (SERVICE_RUNNING ...), 0 when it does not exist.
DWORD State(const char* name);
// The service's type, start type and image path; false when it does not exist.
bool Config(const char* name, DWORD* type, DWORD* start, std::string* imagePath);
// Creates a demand-start kernel service for `imagePath` (a Windows path).
bool Create(const char* name, const std::string& imagePath);
// Starts it and waits until it runs.
bool Start(const char* name, DWORD timeoutMs = 30000);
// Stops it and waits until it has stopped (true when it was not running).
bool Stop(const char* name, DWORD timeoutMs = 30000);
// Marks it for deletion (true when it does not exist).
bool Remove(const char* name);
// Waits until each of the NUL-separated DOS device names exists (`present`),
// or none of them does.
bool WaitDeviceNames(const char* names, bool present, DWORD timeoutMs = 30000);

}  // namespace KernelService
