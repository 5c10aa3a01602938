// Whether a process runs whose program file is `exe` (a file name, in any
// case): for programs the program under test starts, of which the test holds
// no handle (a stand-in browser).
#pragma once

bool ProcessRunning(const char* exe);
