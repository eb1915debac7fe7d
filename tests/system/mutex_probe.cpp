// mutex_probe.cpp -- stands in for the installer's first start-up step in the two-process tests.
//
// Does what the installer's start-up does first, gRunMutex.Check(nullptr, nullptr,
// "RUNSETUP.MUTEX"), with the default message box (text to stderr), and exits 1 when refused.
// Otherwise it writes its pid to $PROBE_PID_FILE (if set), prints "READY" and sleeps until killed.
// The variables PROBE_EXEC_MUTEX, PROBE_STARTER and PROBE_RUN_MUTEX replace Check's arguments,
// so that the exec-mutex hand-over can be tested with a program started without parameters.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "common/s_mutex.h"

int main() {
    const char* runMutex = std::getenv("PROBE_RUN_MUTEX");
    if (!gRunMutex.Check(std::getenv("PROBE_EXEC_MUTEX"), std::getenv("PROBE_STARTER"),
                         runMutex ? runMutex : "RUNSETUP.MUTEX"))
        return 1;
    if (const char* pidFile = std::getenv("PROBE_PID_FILE")) {
        // Renamed into place, so a reader never sees it half-written.
        const std::string partial = std::string(pidFile) + ".part";
        if (FILE* file = std::fopen(partial.c_str(), "w")) {
            std::fprintf(file, "%d\n", int(getpid()));
            std::fclose(file);
            std::rename(partial.c_str(), pidFile);
        }
    }
    std::printf("READY\n");
    std::fflush(stdout);
    while (true)
        pause();
}
