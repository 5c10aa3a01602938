// korvmon: prints the simulated engine's journal and the resulting state.
//   korvmon [--once] [--all] [JOURNAL]
// Without --once it follows the file until interrupted. The status relay's
// records are summed up unless --all asks for every one.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "sim/core/JournalMonitor.h"
#include "sim/core/JournalTail.h"

namespace {

std::string DefaultJournalPath() {
#ifdef _WIN32
    return "C:\\korvane-sim\\journal.log";
#else
    std::string prefix;
    if (const char* p = getenv("WINEPREFIX"); p && *p)
        prefix = p;
    else if (const char* home = getenv("HOME"))
        prefix = std::string(home) + "/.wine";
    return prefix + "/drive_c/korvane-sim/journal.log";
#endif
}

int Usage() {
    std::cerr << "usage: korvmon [--once] [--all] [JOURNAL]\n"
                 "  default JOURNAL: "
              << DefaultJournalPath() << "\n";
    return 2;
}

void Drain(sim::JournalTail& tail, sim::JournalMonitor& monitor) {
    sim::JournalTail::Batch batch = tail.Poll();
    if (batch.restarted) monitor.Restart();
    for (const std::string& line : batch.lines) monitor.Feed(line);
    std::cout.flush();
}

}  // namespace

int main(int argc, char** argv) {
    bool once = false;
    bool all = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--once") == 0)
            once = true;
        else if (strcmp(argv[i], "--all") == 0)
            all = true;
        else if (argv[i][0] == '-' || !path.empty())
            return Usage();
        else
            path = argv[i];
    }
    if (path.empty()) path = DefaultJournalPath();

    sim::JournalTail tail(path);
    sim::JournalMonitor monitor(std::cout, all);
    if (once) {
        if (!std::ifstream(path)) {
            std::cerr << "korvmon: cannot read " << path << "\n";
            return 1;
        }
        Drain(tail, monitor);
        monitor.PrintFinalState();
        return 0;
    }
    std::cout << "korvmon: following " << path << " (Ctrl+C ends)\n";
    for (;;) {
        Drain(tail, monitor);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}
