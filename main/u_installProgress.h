// u_installProgress.h -- where the installation engine reports its progress, and how it is stopped.
//
// SetupRessource::Install reports once before each folder, once before each file and once before
// the links and registry step, to the one sink its caller set: the wizard frame, the unattended
// mode's printer or a test's recorder. After each folder and each file it asks the sink whether to
// stop; a stop ends the installation there, without a message box, with what was written left in
// place and nothing written after it (no config.ini, no links, no registry values).
#pragma once

#include <cstdint>

class InstallProgress {
public:
    virtual ~InstallProgress() = default;
    // bytesDone: the expanded sizes of the files before the one announced (0 for folders);
    // bytesTotal: SetupRessource::GetRequiredBytes. textId is 36 (folder), 37 (file) or 38 (links
    // and registry); argument is the folder or file name as the setup data writes it, null for 38.
    virtual void Report(uint64_t bytesDone, uint64_t bytesTotal, uint32_t textId, const char* argument) = 0;
    // Asked after every folder and file is finished.
    virtual bool StopRequested() = 0;
};
