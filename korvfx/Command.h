// korvfx's commands (usage in Command.cpp), apart from main so that the tests
// run them as a user does and see what a user sees.
#pragma once

#include <string>
#include <vector>

namespace korvfx {

// args without the program's name. Returns the exit code; out and err get
// what goes to standard output and standard error (an error is one line).
int RunKorvfx(const std::vector<std::string>& args, std::string* out, std::string* err);

}  // namespace korvfx
