// u_setupShortcuts.cpp -- the desktop link, the start-menu group, the installation record and the
// uninstall entry that make an installed client reachable.
//
// The user-scope choice picks the registry root and shell folders, with two exceptions for the
// Windows 9x family (its start menu is per user, its uninstall list per machine). Each link points
// at its target inside the installation folder with that folder as working folder. A shell folder
// that cannot be read fails its link rather than writing to an undefined place. On Linux the group
// is also made a submenu of the desktop's application menu. Each step stops at its first failure;
// what was made before stays.
#include <string>
#include <vector>

#include "common/s_file.h"
#include "common/s_log.h"
#include "main/u_installSteps.h"
#include "main/u_setupLanguage.h"
#include "main/u_setupRessource.h"
#include "platform/s_platform.h"
#include "system/s_system.h"

namespace {

const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

constexpr uint32_t kStringProductName = 2;
constexpr uint32_t kStringDesktopLinkName = 4;
constexpr uint32_t kStringDesktopLinkTarget = 5;
constexpr uint32_t kLinkPairs = 4;
constexpr uint32_t kLinkUninstaller = 7;
constexpr int32_t kShowNormal = 1;

// Where one scope's link goes: a value of the shell-folders key.
struct ShellFolder {
    Platform::RegistryRoot root;
    const char* name;
};

bool ReadShellFolder(const ShellFolder& where, char (&folder)[kNameSize]) {
    folder[0] = '\0';
    return gSysUtil.ReadString(where.root, kShellFoldersKey, where.name, folder, sizeof(folder)) && folder[0];
}

// The link file `name` in `linkFolder` for the target `relative` inside the installation folder.
bool MakeLink(const char* linkFolder, const char* name, const char* installFolder, const char* relative,
              std::vector<std::string>* made) {
    char link[kNameSize];
    gStrUtil.Set(link, sizeof(link), linkFolder);
    gStrUtil.AddSeparator(link);
    char target[kNameSize];
    const bool fits = JoinPath(link, link, name) && JoinPath(target, installFolder, relative);
    if (!fits || !gSysUtil.CreateShellLink(link, target, nullptr, installFolder, kShowNormal, nullptr, 0))
        return ReportInstallError(__FILE__, __LINE__, kTextLinkFailed, link);
    if (made)
        made->push_back(link);
    return true;
}

bool MakeDesktopLink(SetupRessource& ressource, const char* folder, int32_t allUsers) {
    const ShellFolder where = allUsers ? ShellFolder{HKEY_LOCAL_MACHINE, "Common Desktop"}
                                       : ShellFolder{HKEY_CURRENT_USER, "Desktop"};
    const char* name = ressource.GetString(kStringDesktopLinkName);
    char desktop[kNameSize];
    // The user asked for a desktop link: a desktop folder not made yet (a fresh account) is made.
    if (!ReadShellFolder(where, desktop) || !gFileUtil.CreateFolder(desktop, true))
        return ReportInstallError(__FILE__, __LINE__, kTextLinkFailed, name);
    return MakeLink(desktop, name, folder, ressource.GetString(kStringDesktopLinkTarget), nullptr);
}

bool MakeGroup(SetupRessource& ressource, const char* folder, int32_t allUsers, const char* group,
               bool windows9x) {
    const bool common = allUsers && !windows9x;
    const ShellFolder where = common ? ShellFolder{HKEY_LOCAL_MACHINE, "Common Programs"}
                                     : ShellFolder{HKEY_CURRENT_USER, "Programs"};
    char programs[kNameSize];
    char groupFolder[kNameSize];
    if (!ReadShellFolder(where, programs))
        return ReportInstallError(__FILE__, __LINE__, kTextLinkFailed, group);
    gStrUtil.AddSeparator(programs);
    if (!JoinPath(groupFolder, programs, group) || !gFileUtil.CreateFolder(groupFolder, true))
        return ReportInstallError(__FILE__, __LINE__, kTextFolderFailed, groupFolder);

    std::vector<std::string> links;
    for (uint32_t pair = 0; pair < kLinkPairs; ++pair) {
        if (!MakeLink(groupFolder, ressource.GetLinkString(2 * pair), folder,
                      ressource.GetLinkString(2 * pair + 1), &links))
            return false;
    }
    std::string failedFile;
    if (!Platform::PublishMenuGroup(programs, group, common, links, &failedFile))
        return ReportInstallError(__FILE__, __LINE__, kTextLinkFailed, failedFile.c_str());
    return true;
}

bool WriteValues(Platform::RegistryRoot root, const char* key, const char* firstName, const char* firstValue,
                 const char* secondName, const char* secondValue) {
    if (gSysUtil.CreateKey(root, key) && gSysUtil.WriteString(root, key, firstName, firstValue) &&
        gSysUtil.WriteString(root, key, secondName, secondValue))
        return true;
    return ReportInstallError(__FILE__, __LINE__, kTextRegistryFailed, nullptr);
}

bool WriteRegistry(SetupRessource& ressource, const char* folder, int32_t allUsers, const char* group,
                   bool windows9x) {
    const char* product = ressource.GetString(kStringProductName);
    char key[kNameSize];
    gStrUtil.Set(key, sizeof(key), "Software");
    gStrUtil.AddSeparator(key, '\\');
    if (!JoinPath(key, key, product))
        return ReportInstallError(__FILE__, __LINE__, kTextRegistryFailed, nullptr);
    if (!WriteValues(allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key, "InstallDir", folder,
                     "StartMenuGroup", group))
        return false;

    // As the link table writes it: a '/' stays, no quotes are added.
    char uninstall[kNameSize];
    gStrUtil.Set(key, sizeof(key), kUninstallKey);
    gStrUtil.AddSeparator(key, '\\');
    if (!JoinPath(uninstall, folder, ressource.GetLinkString(kLinkUninstaller)) ||
        !JoinPath(key, key, product))
        return ReportInstallError(__FILE__, __LINE__, kTextRegistryFailed, nullptr);
    return WriteValues(allUsers || windows9x ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key, "DisplayName",
                       product, "UninstallString", uninstall);
}

} // namespace

bool MakeShortcuts(SetupRessource& ressource, const char* folder, int32_t allUsers, const char* group,
                   bool desktopIcon, bool windows9x) {
    if (desktopIcon && !MakeDesktopLink(ressource, folder, allUsers))
        return false;
    if (group[0] && !MakeGroup(ressource, folder, allUsers, group, windows9x))
        return false;
    if (ressource.GetHeader().registerFlag != 0 &&
        !WriteRegistry(ressource, folder, allUsers, group, windows9x))
        return false;
    return true;
}
