// korvfx: the effects engine on files; see Command.h.
#include <stdio.h>

#include "korvfx/Command.h"

int main(int argc, char** argv) {
    std::string out, err;
    int rc = korvfx::RunKorvfx(std::vector<std::string>(argv + 1, argv + argc), &out, &err);
    fputs(out.c_str(), stdout);
    fputs(err.c_str(), stderr);
    return rc;
}
