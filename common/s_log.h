// s_log.h -- the log file and error reporter: the program's one diagnostic channel.
//
// Lines are appended by opening, writing and closing the file each time, so a line once written
// survives a crash. Logging is off until Start() switches it on; errors are still counted and shown
// in a message box while it is off. Lines end in CR LF whatever the platform.
#pragma once

#include <cstdarg>
#include <cstdint>

#define SETUP_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))

class LogFile {
public:
    // Derives the application folder and program name from the running executable. The explicit
    // form takes them from the arguments instead (tests).
    LogFile();
    LogFile(const char* executablePath, const char* arguments);

    void Start(int32_t level, int32_t advLevel, const char* path, bool fresh, int32_t limit);

    void Write(int32_t level, const char* srcFile, int32_t srcLine, const char* format, ...)
        SETUP_PRINTF(5, 6);
    void WriteAdv(int32_t level, const char* srcFile, const char* tag, int32_t srcLine, const char* format,
                  ...) SETUP_PRINTF(6, 7);

    // Logs the error block and shows the first error's text in a message box. Always false.
    bool ShowError(uint8_t flags, const char* srcFile, int32_t srcLine, const char* format, ...)
        SETUP_PRINTF(5, 6);
    void WriteErrorSummary();

    const char* GetApplicationPath() const { return applicationPath; }
    const char* GetApplicationExec() const { return applicationExec; }
    const char* GetPersonalPath() const { return personalPath; }
    // Folder + name with '\' turned into the native separator; valid until the next call.
    const char* GetApplicationFile(const char* name);
    const char* GetPersonalFile(const char* name);
    void SetPersonalPath(const char* path);
    void SetApplicationPath(const char* path);

    const char* GetLogPath() const { return logPath; }
    int32_t GetLevel() const { return logLevel; }
    const char* GetLastFile() const { return lastFile; }
    int32_t GetLastLine() const { return lastLine; }
    const char* GetErrorText() const { return errorText; }
    uint8_t GetErrorFlags() const { return errorFlags; }
    int32_t GetErrorCount() const { return errorCount; }

private:
    void DerivePaths(const char* executablePath, const char* arguments);
    long AppendLine(int32_t level, const char* srcFile, const char* tag, int32_t srcLine, const char* format,
                    va_list args) SETUP_PRINTF(6, 0);
    static const char* JoinFolder(char* result, const char* folder, const char* name);
    void MoveLastEntry(const char* srcFile, int32_t srcLine);
    void WriteHeader();

    char logPath[256] = {};
    int32_t logLevel = -1;
    int32_t advLevel = -1;
    int32_t sizeLimit = 100000;
    char lastFile[256] = {};
    int32_t lastLine = 0;
    char errorText[256] = {};
    uint8_t errorFlags = 0;
    int32_t errorCount = 0;
    char personalPath[256] = {};
    char applicationPath[256] = {};
    char applicationExec[256] = {};
    char applicationFile[256] = {};
    char personalFile[256] = {};
};

extern LogFile gLog;
