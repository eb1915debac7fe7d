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
#include <vector>

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

// Replaces the file with `content` so that a crash at any moment leaves either the old or the new
// file whole. The new file keeps the old one's permission bits, or gets `newFileMode` less the
// umask. A file the caller may not write is left alone (EACCES), as a write in place would be.
// errno tells why it failed.
bool ReplaceFile(const char* path, const std::string& content, uint32_t newFileMode);

// ---- Locale, disks, OS version ----------------------------------------------------------------

// The user's default language id in Windows numbering (1031 German, 1033 English, ...).
int32_t UserDefaultLanguageId();

// German of Germany, Switzerland, Austria, Luxembourg or Liechtenstein.
inline bool IsGermanLanguageId(int32_t languageId) {
    switch (languageId) {
    case 0x0407: case 0x0807: case 0x0C07: case 0x1007: case 0x1407: return true;
    default: return false;
    }
}

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

// ---- Registry, shell links, process launch, named mutex ---------------------------------------

// A failing call of this section leaves the reason in errno, the Linux counterpart of the thread's
// last-error value: ENOENT no such key, value or file; EACCES no right to write the store;
// EBADMSG the store file is damaged (it is then left exactly as it was); ERANGE a buffer is too
// small; ENOTEMPTY a key to delete has subkeys; EINVAL a malformed key path or argument.

// The registry roots the installer uses; each is kept in a store file of its own.
enum class RegistryRoot { CurrentUser, LocalMachine };

constexpr uint32_t kRegString = 1;  // REG_SZ, in Windows numbering

// Creates the key and any missing parents, or opens an existing one; either way only with the
// right to write the store, as Windows asks for write access.
bool RegCreateKey(RegistryRoot root, const char* key);
// Deletes a key with its values. A key with subkeys, and a key the system provides, stay.
bool RegDeleteKey(RegistryRoot root, const char* key);
// True when the key exists (in the store, or as one the system provides).
bool RegKeyExists(RegistryRoot root, const char* key);
// Sets a value of an existing key to exactly `length` bytes of `data`: nothing is added, so a
// text written without its terminator reads back without one. A null or empty name is the
// key's default value.
bool RegSetValue(RegistryRoot root, const char* key, const char* name, uint32_t type, const void* data,
                 uint32_t length);
// Copies a value's data, of any type, into `buffer`; *length holds the buffer size on entry and
// the data length on return. ERANGE when the buffer is too small (*length then holds the size
// needed; the buffer is untouched). Values that Windows always has are answered from the system
// when the store lacks them: "ProgramFilesDir" and the "Shell Folders" values.
bool RegQueryValue(RegistryRoot root, const char* key, const char* name, void* buffer, uint32_t* length);
// Why the last registry call could not use its store file (damaged or unreadable), with the file's
// path and line; empty when the last call had no such problem.
const char* RegStoreProblem();

// Where the link file of a Windows link path lives: a desktop entry, ".lnk" becoming ".desktop".
std::string ShellLinkFile(const char* linkPath);
// Writes a desktop entry in place of a shell link, replacing an existing one atomically. The
// target's '\' and '/' both become the native separator; a target that is not an executable file
// becomes a link to its file:// URL. The folder of the link must exist.
bool CreateShellLink(const char* linkPath, const char* target, const char* arguments, const char* workFolder,
                     const char* iconPath);

// Splits a Windows command line into arguments by the rules of the Microsoft C runtime (blanks
// separate, double quotes group, backslashes escape only quotes).
std::vector<std::string> SplitCommandLine(const char* commandLine);
// Starts the program at `path` (no search path) with `parameters` split as above, in a session and
// process group of its own, stdin from /dev/null and no inherited descriptors but stdout and
// stderr. With `wait` it returns once the program has ended. False when the program cannot be
// started or, waiting, its end cannot be seen.
bool LaunchProcess(const char* path, const char* parameters, bool wait);

// Named mutexes across processes. A mutex exists while some process holds it; the kernel lets go
// of it when that process ends, however it ends.
using MutexHandle = int;
constexpr MutexHandle kNoMutex = -1;
// Opens the named mutex and takes it. When another holder has it, *alreadyExists becomes true and
// the handle returned does not own it. kNoMutex when the mutex cannot be opened at all.
MutexHandle CreateNamedMutex(const char* name, bool* alreadyExists);
bool NamedMutexExists(const char* name);
// Lets go of the mutex (if owned) and closes the handle.
void CloseNamedMutex(MutexHandle handle);

// ---- Executable resources ---------------------------------------------------------------------

// Data linked into the executable, found by name and type. Registering a name and type again
// replaces the earlier entry (tests use this to swap in their own data).
void RegisterResource(const char* name, const char* type, const unsigned char* data, size_t size);
bool FindResource(const char* name, const char* type, const unsigned char** data, size_t* size);

// ---- Installed files and the desktop's application menu ---------------------------------------

// Gives a written file the execute bits the umask allows when its first bytes mark a program
// ("#!" or the ELF magic), so that a client's own scripts and binaries can be started. Other files
// keep their mode. False only when the mode of a program file cannot be changed.
bool MarkExecutableIfProgram(const char* path, const uint8_t* firstBytes, size_t length);

// Makes a start-menu group (a folder of link files below a programs folder) show as a submenu of
// the desktop's application menu: a .directory entry for each level of the group ('\' nests) in
// the desktop-directories folder beside the programs folder, and a merged menu file listing the
// given link files, for the current user or for all users. Both are replaced whole. *failedFile gets
// the file that could not be written, for the caller's message.
bool PublishMenuGroup(const char* programsFolder, const char* group, bool allUsers,
                      const std::vector<std::string>& linkPaths, std::string* failedFile);

// ---- The shell's "open" verb -------------------------------------------------------------------

// Opens the file with the desktop's default application for it (`gio open`, else `xdg-open`),
// started without waiting. False when neither opener can be started; what the application does
// with the file is not known.
bool OpenWithDefaultApplication(const char* path);
// Replaces the opener (tests see the path it was called with); null restores the desktop's.
using FileOpener = bool (*)(const char* path);
FileOpener SetFileOpener(FileOpener opener);  // returns the previous one, null for the desktop's

}  // namespace Platform
