// s_mutex.cpp -- RunMutex over the platform layer's named mutexes.
//
// Check runs before the log is started, so its refusals reach the user through their own message
// box captioned "Error!"; the log lines are written only when logging is already on. The wait of
// ExecuteMutexed is bounded: a started program that dies before it takes its run mutex must not
// leave its starter waiting for ever.
#include "common/s_mutex.h"

#include <cstring>

#include "common/s_appIdentity.h"
#include "common/s_guard.h"
#include "common/s_log.h"
#include "common/s_strUtil.h"
#include "system/s_system.h"

RunMutex gRunMutex;

namespace {

constexpr uint32_t kPollMs = 10;

void ShowErrorBox(const char* text) {
    Platform::ShowMessageBox(text, "Error!", Platform::BoxButtons::Ok);
}

// Holds a mutex for the length of a scope.
class ScopedMutex {
public:
    explicit ScopedMutex(const char* name) {
        bool alreadyExists = false;
        handle = Platform::CreateNamedMutex(name, &alreadyExists);
    }
    ~ScopedMutex() { Platform::CloseNamedMutex(handle); }
    ScopedMutex(const ScopedMutex&) = delete;
    ScopedMutex& operator=(const ScopedMutex&) = delete;

private:
    Platform::MutexHandle handle;
};

// folder + separator + file in a path buffer; false if it does not fit whole.
bool JoinProgramPath(char* path, const char* folder, const char* file) {
    const size_t fileLength = std::strlen(file ? file : "");
    gStrUtil.Set(path, kNameSize, folder);
    gStrUtil.AddSeparator(path);
    const size_t folderLength = std::strlen(path);
    gStrUtil.Append(path, kNameSize, file);
    return folder && std::strlen(folder) <= folderLength && std::strlen(path) == folderLength + fileLength;
}

} // namespace

bool RunMutex::Check(const char* requiredExecMutex, const char* starterName, const char* runMutex) {
    GUARDED_BEGIN
    if (requiredExecMutex && starterName && !Exists(requiredExecMutex)) {
        gLog.Write(0, __FILE__, __LINE__, "*** ERROR: startet %s without required exec mutex", starterName);
        ShowErrorBox(gStrUtil.Format("Start with %s only!", starterName));
        return false;
    }
    if (!runMutex)
        return false;
    bool alreadyExists = false;
    handle = Platform::CreateNamedMutex(runMutex, &alreadyExists);
    if (handle == Platform::kNoMutex) {
        gLog.Write(0, __FILE__, __LINE__, "*** ERROR: failed to create run mutex for %s", kAppName);
        return false;
    }
    if (alreadyExists) {
        gLog.Write(0, __FILE__, __LINE__, "*** ERROR: %s should not run more than once at the same time",
                   kAppName);
        ShowErrorBox(gStrUtil.Format("%s is already running!", kAppDisplayName));
        return false;
    }
    return true;
    GUARDED_END(false)
}

bool RunMutex::ExecuteMutexed(const char* execMutex, const char* folder, const char* file,
                              const char* waitMutex, uint32_t timeoutMs) {
    GUARDED_BEGIN
    ScopedMutex exec(execMutex);
    char path[kNameSize];
    const bool pathFits = JoinProgramPath(path, folder, file);
    gLog.Write(1, __FILE__, __LINE__, "executing mutexed: '%s'", path);
    if (!pathFits || !gSysUtil.ExecuteFile(path, nullptr, false)) {
        gLog.Write(0, __FILE__, __LINE__, "*** ERROR: while executing '%s'", path);
        ShowErrorBox(gStrUtil.Format("Cannot execute file %s!", path));
        return false;
    }
    uint32_t waited = 0;
    while (!Exists(waitMutex)) {
        if (waited >= timeoutMs) {
            gLog.Write(0, __FILE__, __LINE__, "*** ERROR: '%s' did not take its run mutex within %u ms", path,
                       timeoutMs);
            ShowErrorBox(gStrUtil.Format("%s did not start in time!", path));
            return false;
        }
        Platform::SleepMs(kPollMs);
        waited += kPollMs;
    }
    gLog.Write(1, __FILE__, __LINE__, "%s: all finished, shut down.", kAppName);
    return true;
    GUARDED_END(false)
}

bool RunMutex::Exists(const char* name) {
    return name && Platform::NamedMutexExists(name);
}

void RunMutex::Release() {
    Platform::CloseNamedMutex(handle);
    handle = Platform::kNoMutex;
}
