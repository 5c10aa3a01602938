// The message shown when a hyperlink cannot be opened, by the code the shell
// or WinExec gave back.
#pragma once

#include <string>

std::string OpenErrorText(int code);
