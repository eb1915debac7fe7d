// u_setupMain.cpp -- the installer's entry point: the wizard, or the unattended installation.
//
// The choice is made before the GUI library is touched, so `setup -silent` needs no display.
#include <wx/app.h>

#include "main/u_setupSilent.h"
#include "setup_data_crc.h"

int main(int argc, char** argv) {
    if (IsHelpCommandLine(argc, argv)) {
        PrintUsage();
        return 0;
    }
    if (IsSilentCommandLine(argc, argv))
        return RunSilentInstallation(argc, argv, kSetupDataCrc);
    return wxEntry(argc, argv);
}
