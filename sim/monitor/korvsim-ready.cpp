// korvsim-ready [SECONDS]: waits until both device names of the simulated
// driver exist, without opening them (an open would be journalled).
// Exit code 0 when both are there, 1 when the time ran out.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

bool DeviceNameExists(const char* name) {
    char target[512];
    return QueryDosDeviceA(name, target, sizeof(target)) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 30;
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000u;
    for (;;) {
        const bool wdm = DeviceNameExists("Velmora1");
        const bool vxd = DeviceNameExists("Win9xDS");
        if (wdm && vxd) return 0;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) {
            fprintf(stderr, "korvsim-ready: Velmora1 %s, Win9xDS %s\n", wdm ? "present" : "missing",
                    vxd ? "present" : "missing");
            return 1;
        }
        Sleep(200);
    }
}
