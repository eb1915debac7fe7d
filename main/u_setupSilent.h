// u_setupSilent.h -- the unattended installation: `setup -silent ...` for scripts and roll-outs.
//
// The same start-up, options-page checks and installation as the wizard, without a window and
// without the GUI library, so it runs over ssh and in containers. The wizard's proposals are the
// defaults; messages and progress go to stderr in the chosen language; the outcome is the exit
// status. The options page's questions are not asked: without -yes the run stops before anything
// is written and prints the question, with -yes each is answered "go on".
#pragma once

#include <cstdint>

enum SilentExit : int {
    kExitInstalled = 0,
    kExitInstallFailed = 1,
    kExitCheckRefused = 2,
    kExitDataDamaged = 3,
    kExitAnotherInstaller = 4,
    kExitUsage = 64,
};

// True when the command line asks for the unattended mode (any argument "-silent").
bool IsSilentCommandLine(int argc, char** argv);
// True when the command line asks for the usage text ("-help", "--help", "-h" or "-?" alone).
bool IsHelpCommandLine(int argc, char** argv);
// Prints the usage text of both modes to stdout.
void PrintUsage();

// Runs the unattended installation and returns its exit status; `expectedCrc` is the CRC-32 the
// installer was built with.
int RunSilentInstallation(int argc, char** argv, uint32_t expectedCrc);
