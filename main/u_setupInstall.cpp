// u_setupInstall.cpp -- SetupRessource::Install: folders, files, config.ini, then the shortcuts.
//
// The steps run strictly in order and stop at the first failure with its message; nothing is
// rolled back, so what was written stays. Each file is expanded into one buffer of its full size,
// written, read back from disk and compared with the CRC-32 the data holds for it, so a file that
// could not really be replaced (read-only, in use, a full disk) is noticed, and only then given
// its times, so that the read-back does not move the access time on. Only one file's contents are
// in memory at a time. The progress sink hears of every folder and file before it is made and may
// stop the run after each one; a stopped run writes nothing more and shows no message.
#include <cstring>

#include "common/s_file.h"
#include "common/s_guard.h"
#include "common/s_log.h"
#include "main/u_installSteps.h"
#include "main/u_setupRessource.h"
#include "memsafe/s_mem.h"
#include "options/s_options.h"
#include "packer/s_packerUI.h"
#include "platform/s_platform.h"

namespace {

constexpr int32_t kCodeTruncated = -2;
constexpr uint32_t kWindows9xPlatform = 1;

// Setup data is written on Windows: a name that leaves the installation folder is not the
// publisher's intent and must not reach the file system.
bool StaysInsideFolder(const char* relative) {
    if (relative[0] == '\\' || relative[0] == '/' || std::strchr(relative, ':'))
        return false;
    for (const char* part = relative; *part;) {
        const size_t length = std::strcspn(part, "\\/");
        if (length == 2 && part[0] == '.' && part[1] == '.')
            return false;
        part += length;
        if (*part)
            ++part;
    }
    return true;
}

} // namespace

bool SetupRessource::Install(const char* folder, int32_t allUsers, const char* group, bool desktopIcon) {
    GUARDED_BEGIN
    gLog.Write(2, __FILE__, __LINE__, "installing client to '%s'", folder);
    installedOk = false;
    if (!InstallFolders(folder) || !InstallFiles(folder) || !WriteClientConfig(folder))
        return false;
    Report(requiredBytes, kTextCreatingLinks, nullptr);
    const Platform::OsVersion version = Platform::GetOsVersion();
    if (version.platformId == 0)
        return ReportInstallError(__FILE__, __LINE__, kTextNoWindowsVersion, nullptr);
    if (!MakeShortcuts(*this, folder, allUsers, group ? group : "", desktopIcon,
                       version.platformId == kWindows9xPlatform))
        return false;
    installedOk = true;
    return true;
    GUARDED_END(false)
}

bool SetupRessource::InstallFolders(const char* folder) {
    for (uint32_t i = 0; i < folderCount; ++i) {
        const char* entry = GetFolder(i);
        char path[kNameSize];
        const bool fits = JoinPath(path, folder, entry);
        Report(0, kTextCreatingFolder, entry);
        gLog.Write(2, __FILE__, __LINE__, "creating folder '%s'", path);
        if (!fits || !StaysInsideFolder(entry) || !gFileUtil.CreateFolder(path, false))
            return ReportInstallError(__FILE__, __LINE__, kTextFolderFailed, path);
        if (StopRequested())
            return false;
    }
    return true;
}

bool SetupRessource::InstallFiles(const char* folder) {
    SetupCursor cursor(data, size, fileListOffset);
    uint64_t bytesDone = 0;
    for (uint32_t i = 0; i < fileCount; ++i) {
        if (!InstallFile(folder, cursor, &bytesDone) || StopRequested())
            return false;
    }
    return true;
}

bool SetupRessource::InstallFile(const char* folder, SetupCursor& cursor, uint64_t* bytesDone) {
    SetupFileRecord record;
    if (!cursor.ReadFileRecord(&record))
        return ReportInstallError(__FILE__, __LINE__, kTextSetupCorrupted, kCodeTruncated);
    char name[kNameSize];
    char path[kNameSize];
    const bool nameFits = Cp1252ToUtf8(record.name, name, sizeof(name));
    const bool fits = JoinPath(path, folder, name) && nameFits;
    Report(*bytesDone, kTextCreatingFile, name);
    gLog.Write(2, __FILE__, __LINE__, "creating file '%s'", path);
    *bytesDone += record.expandedSize;
    if (!fits || !StaysInsideFolder(name))
        return ReportInstallError(__FILE__, __LINE__, kTextFileFailed, path);

    uint8_t* contents = nullptr;
    if (record.expandedSize > 0 &&
        !gPacker.Decompress(record.payload, record.packedSize, &contents, record.expandedSize))
        return ReportInstallError(__FILE__, __LINE__, kTextFileFailed, path);
    // The write's own result does not matter: reading the file back below decides.
    gFileUtil.WriteFile(path, "wb", contents, int32_t(record.expandedSize));
    const bool executable = Platform::MarkExecutableIfProgram(path, contents, record.expandedSize);
    if (contents)
        FREE_ARRAY_TRACKED(contents);

    // Read back before the times are set: reading would move the access time on again.
    if (!executable || gPacker.FileCrc(path) != record.expandedCrc ||
        !gFileUtil.SetFileTimes(path, record.accessTime, record.modifyTime))
        return ReportInstallError(__FILE__, __LINE__, kTextFileFailed, path);
    return true;
}

// Loading over the defaults keeps an earlier installation's settings; only what this installation
// decides is set.
bool SetupRessource::WriteClientConfig(const char* folder) {
    char path[kNameSize];
    if (!JoinPath(path, folder, "config.ini"))
        return ReportInstallError(__FILE__, __LINE__, kTextFileFailed, path);
    gOptions = GameOptions();
    gOptions.Load(path);
    gStrUtil.Set(gOptions.language, sizeof(gOptions.language), CurrentText(1));
    gStrUtil.Set(gOptions.personal_folder, sizeof(gOptions.personal_folder), folder);
    if (header.testFlag != 0)
        gOptions.enable_testupdate = 23;
    else if (header.betaFlag != 0)
        gOptions.enable_testupdate = 1;
    if (header.testFlag != 0 || header.betaFlag != 0)
        gOptions.debug_loglevel = 3;
    // A client without its config.ini would start with settings nobody chose: a failed save
    // fails the installation.
    if (!gOptions.Save(path))
        return ReportInstallError(__FILE__, __LINE__, kTextFileFailed, path);
    return true;
}

void SetupRessource::Report(uint64_t bytesDone, uint32_t textId, const char* argument) {
    if (progress)
        progress->Report(bytesDone, requiredBytes, textId, argument);
}

bool SetupRessource::StopRequested() {
    if (!progress || !progress->StopRequested())
        return false;
    gLog.Write(1, __FILE__, __LINE__, "installation stopped on request");
    return true;
}

bool ReportInstallError(const char* srcFile, int32_t srcLine, uint32_t textId, const char* argument) {
    char message[kLineSize];
    FormatText(message, sizeof(message), textId, argument ? argument : "");
    return gLog.ShowError(0, srcFile, srcLine, "%s", message);
}

bool ReportInstallError(const char* srcFile, int32_t srcLine, uint32_t textId, int32_t code) {
    char message[kLineSize];
    FormatText(message, sizeof(message), textId, code);
    return gLog.ShowError(0, srcFile, srcLine, "%s", message);
}

bool JoinPath(char (&path)[kNameSize], const char* folder, const char* relative) {
    const uint32_t needed = gStrUtil.Length(folder) + gStrUtil.Length(relative);
    if (path != folder)
        gStrUtil.Set(path, sizeof(path), folder);
    gStrUtil.Append(path, sizeof(path), relative);
    return needed < uint32_t(kNameSize);
}
