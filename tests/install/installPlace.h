// installPlace.h -- a whole machine's worth of install targets below one temporary folder.
//
// HOME, the XDG folders, the system's menu folder and the registry store all point below the
// folder for the object's lifetime, and the all-users shell folders are recorded in the store, so
// an installation in a test touches nothing outside it. The umask is 022 meanwhile, so file modes
// are known.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

#include "main/u_installProgress.h"
#include "system/s_system.h"
#include "tests/support/testSupport.h"

inline const char* const kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class InstallPlace {
public:
    InstallPlace() : oldMask(umask(022)) {
        EXPECT_TRUE(gSysUtil.CreateKey(HKEY_LOCAL_MACHINE, kShellFoldersKey));
        EXPECT_TRUE(gSysUtil.WriteString(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Desktop",
                                         CommonDesktop().c_str()));
        EXPECT_TRUE(gSysUtil.WriteString(HKEY_LOCAL_MACHINE, kShellFoldersKey, "Common Programs",
                                         CommonPrograms().c_str()));
    }
    ~InstallPlace() { umask(oldMask); }
    InstallPlace(const InstallPlace&) = delete;
    InstallPlace& operator=(const InstallPlace&) = delete;

    // The installation folder, with its trailing separator, as the wizard passes it.
    std::string Folder() const { return root.File("Games/Client/"); }
    std::string Home() const { return root.File("home"); }
    std::string Desktop() const { return Home() + "/Desktop"; }
    std::string UserPrograms() const { return Home() + "/.local/share/applications"; }
    std::string UserDirectories() const { return Home() + "/.local/share/desktop-directories"; }
    std::string UserMenus() const { return Home() + "/.config/menus/applications-merged"; }
    std::string CommonDesktop() const { return root.File("common/Desktop"); }
    std::string CommonPrograms() const { return root.File("common/share/applications"); }
    std::string CommonDirectories() const { return root.File("common/share/desktop-directories"); }
    std::string SystemMenus() const { return root.File("etc/xdg/menus/applications-merged"); }
    std::string Path(const std::string& name) const { return root.File(name); }

private:
    TempFolder root;
    ScopedEnv home{"HOME", root.File("home")};
    ScopedEnv configHome{"XDG_CONFIG_HOME", root.File("home/.config")};
    ScopedEnv dataHome{"XDG_DATA_HOME", root.File("home/.local/share")};
    ScopedEnv configDirs{"XDG_CONFIG_DIRS", root.File("etc/xdg")};
    ScopedEnv registry{"SETUP_REGISTRY_DIR", root.File("registry")};
    ScopedEnv language{"LC_ALL", "en_US.UTF-8"};
    mode_t oldMask;
};

// One progress report.
struct ProgressStep {
    uint64_t bytesDone;
    uint64_t bytesTotal;
    uint32_t textId;
    std::string argument;
    bool operator==(const ProgressStep& other) const {
        return bytesDone == other.bytesDone && bytesTotal == other.bytesTotal && textId == other.textId &&
               argument == other.argument;
    }
};

inline std::ostream& operator<<(std::ostream& out, const ProgressStep& step) {
    return out << "{" << step.bytesDone << "/" << step.bytesTotal << " text " << step.textId << " '"
               << step.argument << "'}";
}

// Records every report; asks for a stop once `stopAfter` folders and files are finished.
class RecordingProgress : public InstallProgress {
public:
    explicit RecordingProgress(int stopAfterItems = -1) : stopAfter(stopAfterItems) {}
    void Report(uint64_t bytesDone, uint64_t bytesTotal, uint32_t textId, const char* argument) override {
        steps.push_back({bytesDone, bytesTotal, textId, argument ? argument : "(none)"});
    }
    bool StopRequested() override { return ++finished == stopAfter; }

    std::vector<ProgressStep> steps;

private:
    int stopAfter;
    int finished = 0;
};
