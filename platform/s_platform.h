// s_platform.h -- the operating-system services the installer was written against, as plain functions.
//
// Only the files below platform/ talk to the operating system's own services; everything else
// calls these functions, which keep the meaning the Windows original gave them. Paths handed in
// may use '\' as separator: the implementation maps it to the native one. Texts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace Platform {

// ---- Process identity and time ----------------------------------------------------------------

// Milliseconds since the system started, wrapping like the Windows tick count.
int32_t TickCount();

// The executable's absolute path, and the arguments that follow it joined by blanks.
const std::string& ExecutablePath();
const std::string& CommandLineArguments();

// The whole command line: the executable's absolute path, then the arguments.
std::string CommandLine();

// Local broken-down time of now.
std::tm LocalTimeNow();

// The C runtime's time-zone data after tzset().
struct TimeZoneData {
    long westSeconds;          // offset west of UTC, in seconds
    const char* standardName;  // standard-time zone name
    int hasDaylightRule;       // 1 when the zone has a daylight-saving rule
    const char* daylightName;  // daylight-time zone name
};
TimeZoneData GetTimeZoneData();

// Sleeps the calling thread.
void SleepMs(unsigned milliseconds);

// ---- Message boxes ----------------------------------------------------------------------------

enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

// Shows a modal message box. The GUI replaces the handler with a real dialog, tests with a script;
// the default writes the text to stderr and answers Ok, or No to a question.
using MessageBoxHandler = BoxAnswer (*)(const char* text, const char* caption, BoxButtons buttons);
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);  // returns the previous one
BoxAnswer ShowMessageBox(const char* text, const char* caption, BoxButtons buttons);

// ---- File-system boundary ---------------------------------------------------------------------

constexpr char kPathSeparator = '/';

// The path with every '\' turned into the native separator.
std::string NativePath(const char* path);

// ---- Locale, disks, OS version ----------------------------------------------------------------

// The user's default language id in Windows numbering (1031 German, 1033 English, ...).
int32_t UserDefaultLanguageId();

// Free bytes available to the caller on the volume holding the path (or its nearest existing
// parent). False when no part of the path exists.
bool FreeDiskSpace(const char* path, uint64_t* freeBytes);

struct OsVersion {
    uint32_t major;
    uint32_t minor;
    uint32_t build;
    uint32_t platformId;  // 2: NT family; 1: the 9x family, never reported by this build itself
};
OsVersion GetOsVersion();
// Replaces the answer of GetOsVersion (tests of the 9x rules); null restores the system's.
void OverrideOsVersion(const OsVersion* version);

// ---- Executable resources ---------------------------------------------------------------------

// Data linked into the executable, found by name and type. Registering a name and type again
// replaces the earlier entry (tests use this to swap in their own data).
void RegisterResource(const char* name, const char* type, const unsigned char* data, size_t size);
bool FindResource(const char* name, const char* type, const unsigned char** data, size_t* size);

}  // namespace Platform
