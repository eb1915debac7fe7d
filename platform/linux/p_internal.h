// p_internal.h -- helpers shared by the Linux implementations of the platform layer.
//
// Not part of the platform interface: only platform/linux/ and its tests include it. Every
// function reports failure through its result and errno, and never throws.
#pragma once

#include <string>
#include <sys/types.h>

namespace Platform::Linux {

// Owns one file descriptor and closes it when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor = -1) : fd(descriptor) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd; }
    bool IsOpen() const { return fd >= 0; }

private:
    int fd;
};

// The user's home folder ($HOME, else the password database).
std::string HomeFolder();
// An XDG base folder: the variable when it holds an absolute path, else home + fallback
// (e.g. XdgBaseFolder("XDG_CONFIG_HOME", ".config")).
std::string XdgBaseFolder(const char* variable, const char* homeRelativeFallback);
// The user's desktop folder from user-dirs.dirs, else ~/Desktop.
std::string DesktopFolder();

// Creates the folder and any missing parents with the given mode. True when it is a folder now.
bool MakeFolders(const std::string& path, mode_t mode);

// Replaces the file with `content` so that readers and a crash at any moment see either the old
// or the new file whole: a temporary file beside it is written, flushed and renamed over it.
bool WriteFileAtomically(const std::string& path, const std::string& content, mode_t mode);
// The name prefix of the temporary files WriteFileAtomically leaves behind when the process dies
// before the rename (a hidden name in the same folder).
std::string TemporaryFilePrefix(const std::string& path);

// Test seam: called with the temporary file's path once it is written and flushed, just before it
// replaces the real one. Tests use it to die at exactly that moment; null removes it.
using BeforeReplaceHook = void (*)(const char* temporaryPath);
void SetBeforeReplaceHook(BeforeReplaceHook hook);

// True when the text is well-formed UTF-8.
bool IsValidUtf8(const std::string& text);

} // namespace Platform::Linux
