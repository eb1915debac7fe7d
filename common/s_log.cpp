// s_log.cpp -- the log file and error reporter.
//
// Each line is appended with its own open/write/close, so nothing is held open and a written line
// is on disk even if the process dies right after. Line feeds reach the file as CR LF, the way the
// Windows runtime's text mode writes them, whatever the platform.
#include "common/s_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "common/s_appIdentity.h"
#include "common/s_crash.h"
#include "common/s_strUtil.h"
#include "platform/s_platform.h"

// Every other global object may log from its constructor, so the log is built first.
LogFile gLog __attribute__((init_priority(101)));

namespace {

constexpr const char* kDashes = "------------------------------------------------------------------------------";
constexpr int32_t kMinSizeLimit = 100000;

// Writes text with every '\n' expanded to "\r\n".
void WriteTextMode(int fd, const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n')
            out += '\r';
        out += *p;
    }
    ssize_t ignored = write(fd, out.data(), out.size());
    (void)ignored;  // a log line that cannot be written is dropped silently
}

int OpenForAppend(const char* path) {
    return open(Platform::NativePath(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
}

}  // namespace

LogFile::LogFile() : LogFile(Platform::ExecutablePath().c_str(), Platform::CommandLineArguments().c_str()) {}

LogFile::LogFile(const char* executablePath, const char* arguments) {
    InstallExceptionTranslator();
    DerivePaths(executablePath, arguments);
}

// The folder comes from the executable's own path, so a '/' inside an argument cannot move it;
// the arguments, without the quotes that group them, stay behind the program name in
// applicationExec.
void LogFile::DerivePaths(const char* executablePath, const char* arguments) {
    int32_t cut = gStrUtil.FindChar(executablePath, Platform::kPathSeparator, true);
    uint32_t nameStart = 0;
    if (cut >= 0 && uint32_t(cut) + 1 < sizeof(applicationPath)) {
        nameStart = uint32_t(cut) + 1;
        gStrUtil.Set(applicationPath, sizeof(applicationPath), executablePath, nameStart);
    }
    gStrUtil.Set(applicationExec, sizeof(applicationExec), executablePath + nameStart);
    if (arguments && *arguments) {
        char unquoted[kNameSize] = {};
        gStrUtil.Set(unquoted, sizeof(unquoted), arguments);
        while (gStrUtil.Replace(unquoted, "\"", nullptr, true)) {
        }
        gStrUtil.Append(applicationExec, sizeof(applicationExec), " ");
        gStrUtil.Append(applicationExec, sizeof(applicationExec), unquoted);
    }
    // A program inside a "bin" folder belongs to the folder above it.
    uint32_t length = gStrUtil.Length(applicationPath);
    if (length >= 5 && gStrUtil.FindString(applicationPath, "/bin/", false, int32_t(length - 5)) >= 0) {
        gStrUtil.Insert(applicationExec, applicationPath + length - 4, 0);
        applicationPath[length - 4] = '\0';
    }
    gStrUtil.Trim(applicationExec);
    gStrUtil.Set(personalPath, sizeof(personalPath), applicationPath);
}

void LogFile::Start(int32_t level, int32_t advanced, const char* path, bool fresh, int32_t limit) {
    try {
        char chosenPath[kNameSize] = {};  // path may be our own logPath
        if (path && *path)
            gStrUtil.Set(chosenPath, sizeof(chosenPath), path);
        else
            gStrUtil.Set(chosenPath, sizeof(chosenPath), gStrUtil.Format("%s_debug.log", applicationPath));
        gStrUtil.Set(logPath, sizeof(logPath), chosenPath);
        lastFile[0] = '\0';
        lastLine = -1;
        logLevel = level;
        advLevel = advanced;
        sizeLimit = limit < kMinSizeLimit ? kMinSizeLimit : limit;

        std::string nativePath = Platform::NativePath(logPath);
        if (logLevel >= 0) {
            struct stat info {};
            if (stat(nativePath.c_str(), &info) != 0 || fresh || info.st_size > sizeLimit) {
                int fd = open(nativePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
                if (fd >= 0)
                    close(fd);
            }
        }
        unlink((nativePath + ".pck").c_str());
        if (logLevel < 0) {
            unlink(nativePath.c_str());
            return;
        }
        WriteHeader();
    } catch (...) {
    }
}

void LogFile::WriteHeader() {
    std::tm now = Platform::LocalTimeNow();
    char started[64] = {};
    std::strftime(started, sizeof(started), "%a %b %e %H:%M:%S %Y", &now);  // ctime() without its '\n'
    Platform::TimeZoneData zone = Platform::GetTimeZoneData();

    Write(0, nullptr, 0, "%s", "");
    Write(0, nullptr, 0, "%s", kDashes);
    Write(0, nullptr, 0, "--- cmd line   : %s", Platform::CommandLine().c_str());
    Write(0, nullptr, 0, "--- pers path  : %s", personalPath);
    Write(0, nullptr, 0, "--- app path   : %s", applicationPath);
    Write(0, nullptr, 0, "--- app exec   : %s", applicationExec);
    Write(0, nullptr, 0, "--- app version: %s / %i", gStrUtil.FormatThousandths(kAppVersion), kAppBuild);
    Write(0, nullptr, 0, "--- log started: %s", started);
    Write(0, nullptr, 0, "--- log file   : %s", logPath);
    Write(0, nullptr, 0, "--- (%ld %s / %i %s)", zone.westSeconds / 3600, zone.standardName, zone.hasDaylightRule,
          zone.daylightName);
    Write(0, nullptr, 0, "%s", kDashes);
    Write(0, nullptr, 0, "%s", "");
}

// Appends "prefix + message" (the ADV prefix when a tag is given), cut to 1,023 bytes, and its line feed; returns the file's size
// afterwards, or -1 when it cannot be opened. A message that formats to nothing is written as a
// bare line feed, without prefix.
long LogFile::AppendLine(int32_t level, const char* srcFile, const char* tag, int32_t srcLine, const char* format,
                         va_list args) {
    char message[kLineSize];
    std::vsnprintf(message, sizeof(message), format, args);
    char line[kLineSize + 1] = {};
    if (message[0] != '\0') {
        std::tm now = Platform::LocalTimeNow();
        char clock[16];
        std::snprintf(clock, sizeof(clock), "%02d:%02d:%02d", now.tm_hour, now.tm_min, now.tm_sec);
        if (tag)
            std::snprintf(line, kLineSize, "%i : %s :  %i : ADV (%s,%s,%i) : ", Platform::TickCount(), clock, level,
                          srcFile ? srcFile : "", tag, srcLine);
        else
            std::snprintf(line, kLineSize, "%i : %s :  %i : ", Platform::TickCount(), clock, level);
        gStrUtil.Append(line, kLineSize, message);
    }
    std::strcat(line, "\n");
    int fd = OpenForAppend(logPath);
    if (fd < 0)
        return -1;
    WriteTextMode(fd, line);
    struct stat info {};
    long size = fstat(fd, &info) == 0 ? long(info.st_size) : -1;
    close(fd);
    return size;
}

void LogFile::Write(int32_t level, const char* srcFile, int32_t srcLine, const char* format, ...) {
    if (logLevel < 0)
        return;
    try {
        if (level <= logLevel && logPath[0] != '\0') {
            va_list args;
            va_start(args, format);
            long size = AppendLine(level, nullptr, nullptr, 0, format, args);
            va_end(args);
            // Only detail lines restart the file, so the header and error reports never trigger it.
            if (size > sizeLimit && level > 1) {
                Start(logLevel, advLevel, logPath, false, sizeLimit);
                Write(1, nullptr, 0, "log file was reset because file limit of %i bytes was reached", sizeLimit);
            }
        }
        MoveLastEntry(srcFile, srcLine);
    } catch (...) {
    }
}

void LogFile::WriteAdv(int32_t level, const char* srcFile, const char* tag, int32_t srcLine, const char* format,
                       ...) {
    if (advLevel < 0)
        return;
    if (level <= advLevel && logPath[0] != '\0') {
        va_list args;
        va_start(args, format);
        AppendLine(level, srcFile, tag ? tag : "", srcLine, format, args);
        va_end(args);
    }
    MoveLastEntry(srcFile, srcLine);
}

void LogFile::MoveLastEntry(const char* srcFile, int32_t srcLine) {
    if (srcLine > 0) {
        gStrUtil.Set(lastFile, sizeof(lastFile), srcFile);
        lastLine = srcLine;
    }
}

bool LogFile::ShowError(uint8_t flags, const char* srcFile, int32_t srcLine, const char* format, ...) {
    char message[kLineSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    if (errorCount == 0) {
        gStrUtil.Set(errorText, sizeof(errorText), message);
        errorFlags |= flags;
    }
    Write(0, nullptr, 0, "*** ERROR: %s", message);
    ++errorCount;
    Write(0, nullptr, 0, "*** error in file : %s, line: %i", srcFile ? srcFile : "", srcLine);
    Write(0, nullptr, 0, "*** last log entry: %s, line: %i", lastFile, lastLine);
    Write(0, nullptr, 0, "*** in application: %s, version: %s / %i", kAppName,
          gStrUtil.FormatThousandths(kAppVersion), kAppBuild);
    Platform::ShowMessageBox(errorText, "Error!", Platform::BoxButtons::Ok);
    return false;
}

void LogFile::WriteErrorSummary() {
    if (logLevel < 0)
        return;
    if (errorFlags != 0) {
        Write(0, nullptr, 0, "SHOWERROR in: %s, version: %s / %i", kAppName, gStrUtil.FormatThousandths(kAppVersion),
              kAppBuild);
    }
    if (errorFlags != 0 || errorCount != 0)
        Write(0, nullptr, 0, "SHOWERROR: message: %s", errorText);
}

const char* LogFile::GetApplicationFile(const char* name) {
    return JoinFolder(applicationFile, applicationPath, name);
}

const char* LogFile::GetPersonalFile(const char* name) { return JoinFolder(personalFile, personalPath, name); }

const char* LogFile::JoinFolder(char* result, const char* folder, const char* name) {
    gStrUtil.Set(result, kNameSize, folder);
    gStrUtil.Append(result, kNameSize, name);
    gStrUtil.ReplaceChar(result, '\\', Platform::kPathSeparator);
    return result;
}

void LogFile::SetPersonalPath(const char* path) {
    gStrUtil.Set(personalPath, sizeof(personalPath), path);
    Write(1, __FILE__, __LINE__, "set a new personal path: %s", personalPath);
}

void LogFile::SetApplicationPath(const char* path) {
    gStrUtil.Set(applicationPath, sizeof(applicationPath), path);
    Write(1, __FILE__, __LINE__, "set a new application path: %s", applicationPath);
}
