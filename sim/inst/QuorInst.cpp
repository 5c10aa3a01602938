// The simulated installer library. Both entries take no arguments and use the
// callee-cleans-stack convention; with no arguments that is also safe to call
// through a caller-cleans prototype. Exported by plain name (QuorInst.def).
#include <windows.h>

#include "sim/win/JournalFile.h"
#include "sim/win/SimRegKey.h"

namespace {

void JournalCall(const char* name, bool hasResult, DWORD result) {
    JournalLine line;
    JournalLine_Call(&line, sim::JournalFile::Now(), "INST", name, hasResult ? 1 : 0, result);
    sim::JournalFile::Append(line);
}

}  // namespace

extern "C" {

int WINAPI InstallDriverRegEntries() {
    JournalCall("InstallDriverRegEntries", false, 0);
    return 1;
}

// Answers what a test configured: 1 means "restart needed", anything else
// means nothing needs to be said.
int WINAPI InstallFilterOverSoundDrivers() {
    const DWORD answer = sim::SimRegKey::OpenSettings().ReadDword("InstallAnswer", 0);
    JournalCall("InstallFilterOverSoundDrivers", true, answer);
    return static_cast<int>(answer);
}

}  // extern "C"
