// u_setupSession.cpp -- the start and the end every installer run shares.
#include "main/u_setupSession.h"

#include "common/s_log.h"
#include "common/s_mutex.h"
#include "main/u_setupLanguage.h"
#include "main/u_setupRessource.h"
#include "memsafe/s_mem.h"

namespace {

constexpr int32_t kLogSizeLimit = 250000;
constexpr int32_t kDebugLogLevel = 3;

} // namespace

SessionStart BeginSession() {
    if (!gRunMutex.Check(nullptr, nullptr, "RUNSETUP.MUTEX"))
        return SessionStart::AnotherInstallerRuns;
    gLog.Start(-1, -1, nullptr, false, kLogSizeLimit);
    // Our own allocation, so it is counted; without it no text can be shown.
    gLanguage = NEW_TRACKED(SetupLanguage);
    return gLanguage ? SessionStart::Started : SessionStart::NoLanguage;
}

void StartDebugLog() {
    gLog.Start(kDebugLogLevel, -1, nullptr, false, kLogSizeLimit);
}

void EndSession() {
    gRessource.Release();
    if (gLanguage) {
        DELETE_TRACKED(gLanguage);
        gLanguage = nullptr;
    }
    gMem.WriteSummary();
    gLog.WriteErrorSummary();
}
