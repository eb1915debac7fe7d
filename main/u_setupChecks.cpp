// u_setupChecks.cpp -- the options page's decisions: disk-space figures, leave checks, finish actions.
//
// The all-users probe creates its registry key only to learn whether it may, and deletes it only
// when it made it: an earlier installation's record under the local machine survives the probe.
// A folder or target path that does not fit a 255-byte buffer is refused, never cut, so nothing
// is checked, installed or started under a name other than the one the user typed.
#include "main/u_setupChecks.h"

#include "common/s_file.h"
#include "common/s_guard.h"
#include "dynList/s_stringList.h"
#include "main/u_setupLanguage.h"
#include "main/u_setupRessource.h"
#include "memsafe/s_template_object.h"
#include "platform/s_platform.h"
#include "system/s_system.h"

namespace {

constexpr uint64_t kBytesPerMiB = 1048576;
constexpr uint32_t kTextRequiredMiB = 18;
constexpr uint32_t kTextErrorCaption = 9;
constexpr uint32_t kTextNotEnoughSpace = 31;
constexpr uint32_t kTextFolderNotEmpty = 32;
constexpr uint32_t kTextFolderUnusable = 33;
constexpr uint32_t kTextOlderClient = 34;
constexpr uint32_t kTextNoAllUsersRights = 35;
constexpr uint32_t kTextFileNotFound = 30;

const char* const kOlderClientFile = "virodezur.exe";
const char* const kUpdaterFile = "Bin\\updater.exe";
constexpr uint32_t kInformationLink = 5;

void FormatMiB(char* dest, uint64_t bytes) {
    FormatText(dest, kNameSize, kTextRequiredMiB,
               gStrUtil.FormatInt64(int64_t(bytes / kBytesPerMiB), true, false));
}

// True when the user answers Yes: the question's way of saying "stay on the page".
bool UserWantsToStay(uint32_t questionId) {
    return Platform::ShowMessageBox(CurrentText(questionId), CurrentText(kTextErrorCaption),
                                    Platform::BoxButtons::YesNo) == Platform::BoxAnswer::Yes;
}

bool FolderHasEntries(const char* folder) {
    SafeObject<StringList> entries(new (std::nothrow) StringList, int32_t(sizeof(StringList)), __FILE__,
                                   __LINE__);
    StringList* list = entries.Get();
    if (!list)
        return false;
    gFileUtil.ListFolder(*list, folder, "*.*", true, true);
    return list->GetCount() > 0;
}

// Creates the product's key under the local machine (or opens it for writing) and deletes it
// again only when it did not exist before.
bool MayRegisterForAllUsers() {
    char key[kNameSize] = {};
    gStrUtil.Set(key, sizeof(key), "Software");
    gStrUtil.AddSeparator(key, '\\');
    gStrUtil.Append(key, sizeof(key), gRessource.GetString(2));
    const bool existed = gSysUtil.KeyExists(HKEY_LOCAL_MACHINE, key);
    if (!gSysUtil.CreateKey(HKEY_LOCAL_MACHINE, key))
        return false;
    if (!existed)
        gSysUtil.DeleteKey(HKEY_LOCAL_MACHINE, key);
    return true;
}

// folder + "/" + relative into dest; false when it would not fit.
bool JoinTarget(char* dest, const char* folder, const char* relative) {
    gStrUtil.Set(dest, kNameSize, folder);
    gStrUtil.AddSeparator(dest, Platform::kPathSeparator);
    const uint32_t length = gStrUtil.Length(dest) + gStrUtil.Length(relative);
    gStrUtil.Append(dest, kNameSize, relative);
    gStrUtil.ReplaceChar(dest, '\\', Platform::kPathSeparator);
    return length < uint32_t(kNameSize);
}

// Runs `action` on folder/relative when that file exists, else reports text 30 with the path.
template <class Action> void RunOnExistingTarget(const char* folder, const char* relative, Action action) {
    char path[kNameSize] = {};
    if (JoinTarget(path, folder, relative) && gFileUtil.FileExists(path)) {
        action(path);
        return;
    }
    char message[kLineSize] = {};
    FormatText(message, sizeof(message), kTextFileNotFound, path);
    gLog.ShowError(0, __FILE__, __LINE__, "%s", message);
}

} // namespace

DiskSpaceFigures ComputeDiskSpace(const char* folder) {
    DiskSpaceFigures figures = {};
    GUARDED_BEGIN
    uint64_t available = 0;
    if (!Platform::FreeDiskSpace(folder, &available))
        available = 0;
    const uint64_t required = gRessource.GetRequiredBytes();
    FormatMiB(figures.required, required);
    FormatMiB(figures.available, available);
    figures.enoughSpace = available >= required;
    return figures;
    GUARDED_END(figures)
}

bool CheckLeaveOptionsPage(const char* folder, int32_t scope, bool enoughSpace) {
    GUARDED_BEGIN
    if (gStrUtil.Length(folder) >= uint32_t(kNameSize))
        return gLog.ShowError(0, __FILE__, __LINE__, "%s", CurrentText(kTextFolderUnusable));
    if (!enoughSpace && UserWantsToStay(kTextNotEnoughSpace))
        return false;
    if (gRessource.GetPreviousVersion() == 0 && FolderHasEntries(folder) &&
        UserWantsToStay(kTextFolderNotEmpty))
        return false;
    char olderClient[kNameSize] = {};
    if (JoinTarget(olderClient, folder, kOlderClientFile) && gFileUtil.FileExists(olderClient) &&
        UserWantsToStay(kTextOlderClient))
        return false;
    if (scope == 1 && !MayRegisterForAllUsers())
        return gLog.ShowError(0, __FILE__, __LINE__, "%s", CurrentText(kTextNoAllUsersRights));
    if (!gFileUtil.CreateFolder(folder, true))
        return gLog.ShowError(0, __FILE__, __LINE__, "%s", CurrentText(kTextFolderUnusable));
    return true;
    GUARDED_END(false)
}

void RunFinishActions(const char* folder, bool showInformation, bool startProduct) {
    GUARDED_BEGIN
    if (!gRessource.IsInstalled())
        return;
    if (showInformation)
        RunOnExistingTarget(folder, gRessource.GetLinkString(kInformationLink),
                            [](const char* path) { Platform::OpenWithDefaultApplication(path); });
    if (startProduct)
        RunOnExistingTarget(folder, kUpdaterFile,
                            [](const char* path) { gSysUtil.ExecuteFile(path, "", false); });
    GUARDED_END()
}
