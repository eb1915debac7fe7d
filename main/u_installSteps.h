// u_installSteps.h -- what the installation engine's steps share: paths, error reports, shortcuts.
//
// Every path the installation builds must fit a 256-byte buffer; a joined path that would not fit
// is refused by the step that builds it, since writing under a cut name would leave a broken client
// and report success. Errors are texts of the wizard's current language, shown through the log's
// error report; each report ends the installation.
#pragma once

#include <cstdint>

#include "common/s_strUtil.h"

class SetupRessource;

// The installation's message texts.
constexpr uint32_t kTextSetupCorrupted = 0;
constexpr uint32_t kTextCreatingFolder = 36;
constexpr uint32_t kTextCreatingFile = 37;
constexpr uint32_t kTextCreatingLinks = 38;
constexpr uint32_t kTextFolderFailed = 39;
constexpr uint32_t kTextFileFailed = 40;
constexpr uint32_t kTextLinkFailed = 41;
constexpr uint32_t kTextRegistryFailed = 42;
constexpr uint32_t kTextNoWindowsVersion = 43;

// Shows text `textId` of the current language, formatted with its one argument (a text, or an
// int for text 0), as an error with flags 0. Always false, so a step can `return` it.
bool ReportInstallError(const char* srcFile, int32_t srcLine, uint32_t textId, const char* argument);
bool ReportInstallError(const char* srcFile, int32_t srcLine, uint32_t textId, int32_t code);

// folder followed by relative into `path`; false (path then holds the cut text, for the message)
// when the result needs more than 255 bytes.
bool JoinPath(char (&path)[kNameSize], const char* folder, const char* relative);

// The desktop link, the start-menu group with its four links and, when the data asks for it, the
// installation record and the uninstall entry, in that order; false after the first failure has
// been reported. windows9x follows the version query's platform id.
bool MakeShortcuts(SetupRessource& ressource, const char* folder, int32_t allUsers, const char* group,
                   bool desktopIcon, bool windows9x);
