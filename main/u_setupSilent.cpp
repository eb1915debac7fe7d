// u_setupSilent.cpp -- the unattended installation: command line, answers, progress on stderr.
//
// The order is the wizard's: run mutex, log, language, the setup data check, then the options
// page's checks and the installation with the proposals or what the switches say. Interrupting
// the run (SIGINT, SIGTERM) asks the engine to stop after the file in progress, as the wizard's
// Cancel does.
#include "main/u_setupSilent.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "common/s_strUtil.h"
#include "main/u_setupChecks.h"
#include "main/u_setupLanguage.h"
#include "main/u_setupRessource.h"
#include "main/u_setupSession.h"
#include "platform/s_platform.h"
#include "system/s_system.h"

namespace {

constexpr uint32_t kTextSucceeded = 28;
constexpr uint32_t kTextFailed = 29;
constexpr uint32_t kStringFolder = 1;
constexpr uint32_t kStringGroup = 3;

const char kUsage[] =
    "usage: setup [-debug]              the installation wizard\n"
    "       setup -silent [switches]    the same installation without a window\n"
    "\n"
    "  -silent         install without a window; the wizard's proposals are the defaults\n"
    "  -dir PATH       installation folder (default: the proposed folder)\n"
    "  -group NAME     start-menu group, \"\" for none (default: the proposed group)\n"
    "  -allusers       register and make the links for all users (ignored for an update)\n"
    "  -nodesktop      make no desktop link (an update never makes one)\n"
    "  -lang en|de     language of messages, links and config.ini (default: from the locale)\n"
    "  -yes            answer \"go on\" to the questions of the options page\n"
    "  -debug          write a log, _debug.log, beside the installer\n"
    "  -help           show this text\n"
    "\n"
    "exit status of -silent: 0 installed, 1 the installation failed, 2 a check refused,\n"
    "3 the setup data is damaged, 4 another installer runs, 64 a bad command line\n";

struct SilentOptions {
    const char* folder = nullptr; // null: the proposal
    const char* group = nullptr;
    bool allUsers = false;
    bool noDesktop = false;
    int32_t language = -1; // -1: from the locale
    bool answerGoOn = false;
    bool debug = false;
};

bool ParseOptions(int argc, char** argv, SilentOptions* options, std::string* problem) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "-silent") {
        } else if (argument == "-allusers") {
            options->allUsers = true;
        } else if (argument == "-nodesktop") {
            options->noDesktop = true;
        } else if (argument == "-yes") {
            options->answerGoOn = true;
        } else if (argument == "-debug") {
            options->debug = true;
        } else if ((argument == "-dir" || argument == "-group" || argument == "-lang") && !hasValue) {
            *problem = argument + " needs a value";
            return false;
        } else if (argument == "-dir") {
            options->folder = argv[++i];
        } else if (argument == "-group") {
            options->group = argv[++i];
        } else if (argument == "-lang") {
            const std::string language = argv[++i];
            if (language != "en" && language != "de") {
                *problem = "-lang takes en or de, not '" + language + "'";
                return false;
            }
            options->language = language == "de" ? int32_t(kLanguageGerman) : int32_t(kLanguageEnglish);
        } else {
            *problem = "unknown switch '" + argument + "'";
            return false;
        }
    }
    return true;
}

bool answerGoOn = false;

// Errors are printed; a question is answered "go on" with -yes, else printed and answered "stay",
// which ends the run before anything is written.
Platform::BoxAnswer AnswerBox(const char* text, const char* /*caption*/, Platform::BoxButtons buttons) {
    if (buttons == Platform::BoxButtons::YesNo && answerGoOn)
        return Platform::BoxAnswer::No;
    std::fprintf(stderr, "%s\n", text);
    return buttons == Platform::BoxButtons::YesNo ? Platform::BoxAnswer::Yes : Platform::BoxAnswer::Ok;
}

volatile std::sig_atomic_t stopSignal = 0;

void RequestStop(int) {
    stopSignal = 1;
}

// One line per folder and file, or on a terminal one line that is rewritten with a percentage.
class StderrProgress : public InstallProgress {
public:
    StderrProgress() : terminal(isatty(STDERR_FILENO) == 1) {}
    ~StderrProgress() override {
        if (terminal && reported)
            std::fputc('\n', stderr);
    }

    void Report(uint64_t bytesDone, uint64_t bytesTotal, uint32_t textId, const char* argument) override {
        char message[kLineSize];
        FormatText(message, sizeof(message), textId, argument ? argument : "");
        if (terminal) {
            const uint64_t percent = bytesTotal ? bytesDone * 100 / bytesTotal : 100;
            std::fprintf(stderr, "\r[%3u%%] %s\033[K", unsigned(percent), message);
        } else {
            std::fprintf(stderr, "%s\n", message);
        }
        std::fflush(stderr);
        reported = true;
    }

    bool StopRequested() override { return stopSignal != 0; }

private:
    bool terminal;
    bool reported = false;
};

// The folder the wizard proposes: the earlier installation's in update mode, else the Program
// Files folder followed by the default folder.
std::string ProposedFolder() {
    const char* folder = gRessource.GetString(kStringFolder);
    if (gRessource.GetPreviousVersion() != 0)
        return folder;
    const char* proposal = gSysUtil.GetProgramFilesFolder(folder);
    return proposal ? proposal : "";
}

// An absolute folder with its trailing separator, as the installation wants it.
std::string InstallationFolder(const char* typed) {
    std::string folder = typed ? typed : ProposedFolder();
    if (!folder.empty() && folder[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof(cwd)))
            folder = std::string(cwd) + "/" + folder;
    }
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

int Install(const SilentOptions& options) {
    const bool update = gRessource.GetPreviousVersion() != 0;
    const std::string folder = InstallationFolder(options.folder);
    const int32_t allUsers = options.allUsers && !update ? 1 : 0;
    const char* group = options.group ? options.group : gRessource.GetString(kStringGroup);
    const bool desktopIcon = !update && !options.noDesktop;

    if (!CheckLeaveOptionsPage(folder.c_str(), allUsers, ComputeDiskSpace(folder.c_str()).enoughSpace))
        return kExitCheckRefused;
    StderrProgress progress;
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    gRessource.SetProgress(&progress);
    const bool installed = gRessource.Install(folder.c_str(), allUsers, group, desktopIcon);
    gRessource.SetProgress(nullptr);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::fprintf(stderr, "%s\n", CurrentText(installed ? kTextSucceeded : kTextFailed));
    return installed ? kExitInstalled : kExitInstallFailed;
}

} // namespace

bool IsSilentCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-silent") == 0)
            return true;
    }
    return false;
}

bool IsHelpCommandLine(int argc, char** argv) {
    if (argc != 2)
        return false;
    for (const char* help : {"-help", "--help", "-h", "-?"}) {
        if (std::strcmp(argv[1], help) == 0)
            return true;
    }
    return false;
}

void PrintUsage() {
    std::fputs(kUsage, stdout);
}

int RunSilentInstallation(int argc, char** argv, uint32_t expectedCrc) {
    SilentOptions options;
    std::string problem;
    if (!ParseOptions(argc, argv, &options, &problem)) {
        std::fprintf(stderr, "setup: %s\n\n%s", problem.c_str(), kUsage);
        return kExitUsage;
    }
    answerGoOn = options.answerGoOn;
    Platform::SetMessageBoxHandler(AnswerBox);
    switch (BeginSession()) {
    case SessionStart::AnotherInstallerRuns:
        return kExitAnotherInstaller;
    case SessionStart::NoLanguage:
        return kExitInstallFailed;
    case SessionStart::Started:
        break;
    }
    if (options.debug)
        StartDebugLog();
    if (options.language >= 0)
        gLanguage->SetLanguage(uint32_t(options.language));
    else
        gLanguage->DetectLanguage();
    if (!gRessource.Load(expectedCrc))
        return kExitDataDamaged; // reported; as in the wizard, a failed start-up writes no summaries

    const int status = Install(options);
    EndSession();
    return status;
}
