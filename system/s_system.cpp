// s_system.cpp -- SysUtil on top of the platform layer's registry, links and process launch.
//
// Each operation is guarded: a fault inside it is reported as "Exception" and ends it with its
// failure value. Registry reads accept values stored with or without a terminating NUL and
// always hand out a terminated text, or fail when it does not fit the caller's buffer.
#include "system/s_system.h"

#include <cerrno>
#include <cstring>

#include "common/s_guard.h"
#include "common/s_log.h"

SysUtil gSysUtil;

namespace {

const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// A store file that could not be used is worth a log line; the caller still sees the errno of
// the failed call.
bool NoteStoreProblem(bool succeeded) {
    const char* problem = Platform::RegStoreProblem();
    if (problem[0]) {
        int reason = errno;
        gLog.Write(0, __FILE__, __LINE__, "*** ERROR: %s", problem);
        errno = reason;
    }
    return succeeded;
}

} // namespace

bool SysUtil::CreateKey(Platform::RegistryRoot root, const char* key) {
    GUARDED_BEGIN
    return NoteStoreProblem(Platform::RegCreateKey(root, key));
    GUARDED_END(false)
}

bool SysUtil::DeleteKey(Platform::RegistryRoot root, const char* key) {
    GUARDED_BEGIN
    return NoteStoreProblem(Platform::RegDeleteKey(root, key));
    GUARDED_END(false)
}

bool SysUtil::KeyExists(Platform::RegistryRoot root, const char* key) {
    GUARDED_BEGIN
    return NoteStoreProblem(Platform::RegKeyExists(root, key));
    GUARDED_END(false)
}

bool SysUtil::WriteString(Platform::RegistryRoot root, const char* key, const char* name, const char* text) {
    GUARDED_BEGIN
    const char* data = text ? text : "";
    return NoteStoreProblem(
        Platform::RegSetValue(root, key, name, Platform::kRegString, data, uint32_t(std::strlen(data))));
    GUARDED_END(false)
}

bool SysUtil::ReadString(Platform::RegistryRoot root, const char* key, const char* name, char* buffer,
                         uint32_t size) {
    GUARDED_BEGIN
    if (!buffer || size == 0)
        return false;
    uint32_t length = size;
    if (!NoteStoreProblem(Platform::RegQueryValue(root, key, name, buffer, &length)))
        return false;
    if (length > 0 && buffer[length - 1] == '\0')
        return true;
    if (length == size)
        return false; // no room left for the terminator
    buffer[length] = '\0';
    return true;
    GUARDED_END(false)
}

bool SysUtil::CreateShellLink(const char* link, const char* target, const char* arguments,
                              const char* workFolder, int32_t /*showCommand*/, const char* iconPath,
                              int32_t /*iconIndex*/) {
    GUARDED_BEGIN
    // The target must fit a path buffer; a cut one would make a link to another file.
    if (!target || std::strlen(target) >= size_t(kNameSize))
        return false;
    return Platform::CreateShellLink(link, target, arguments, workFolder, iconPath);
    GUARDED_END(false)
}

const char* SysUtil::GetProgramFilesFolder(const char* suffix) {
    GUARDED_BEGIN
    char folder[kLineSize];
    if (!ReadString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", folder, sizeof(folder)))
        return nullptr;
    const std::string nativeSuffix = Platform::NativePath(suffix);
    // A cut result would name another folder.
    if (std::strlen(folder) + nativeSuffix.size() >= sizeof(result))
        return nullptr;
    gStrUtil.Set(result, sizeof(result), folder);
    gStrUtil.Append(result, sizeof(result), nativeSuffix.c_str());
    return result;
    GUARDED_END(nullptr)
}

bool SysUtil::ExecuteFile(const char* path, const char* parameters, bool wait) {
    GUARDED_BEGIN
    if (!path || !path[0])
        return false;
    gLog.Write(1, __FILE__, __LINE__, "execute file: '%s' with params: '%s'", path,
               parameters ? parameters : "");
    return Platform::LaunchProcess(path, parameters, wait);
    GUARDED_END(false)
}
