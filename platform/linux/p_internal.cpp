// p_internal.cpp -- folders, atomic file replacement and small checks for the Linux platform layer.
//
// WriteFileAtomically never leaves a half-written file under the real name: the content goes to a
// hidden temporary file in the same folder, is flushed to the disk, and only then renamed over
// the old file; the folder is flushed afterwards so the rename itself survives a power loss.
#include "platform/linux/p_internal.h"
#include "platform/s_platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform::Linux {

namespace {

BeforeReplaceHook beforeReplaceHook = nullptr;

bool WriteAll(int fd, const std::string& content) {
    const char* next = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t written = write(fd, next, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        next += written;
        left -= size_t(written);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Best effort: the rename is already done, and a folder that cannot be flushed loses nothing now.
void FlushFolder(const std::string& folder) {
    FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen())
        fsync(dir.Get());
}

// Turns "$HOME/Desktop" or "/abs/path" from user-dirs.dirs into a path; empty if neither.
std::string ExpandUserDir(const std::string& value, const std::string& home) {
    if (value.compare(0, 5, "$HOME") == 0)
        return home + value.substr(5);
    return !value.empty() && value[0] == '/' ? value : std::string();
}

} // namespace

FileDescriptor::~FileDescriptor() {
    if (fd >= 0)
        close(fd);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    const passwd* entry = getpwuid(geteuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

std::string XdgBaseFolder(const char* variable, const char* homeRelativeFallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    return HomeFolder() + "/" + homeRelativeFallback;
}

std::string DesktopFolder() {
    const std::string home = HomeFolder();
    std::ifstream dirs(XdgBaseFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=";
    while (std::getline(dirs, line)) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        std::string folder = ExpandUserDir(value, home);
        if (!folder.empty())
            return folder;
    }
    return home + "/Desktop";
}

bool MakeFolders(const std::string& path, mode_t mode) {
    if (path.empty()) {
        errno = EINVAL;
        return false;
    }
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT)
        return false;
    std::string parent = FolderOf(path);
    if (parent != path && !MakeFolders(parent, mode))
        return false;
    return mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

std::string TemporaryFilePrefix(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return "." + name + ".tmp.";
}

bool WriteFileAtomically(const std::string& path, const std::string& content, mode_t mode) {
    const std::string folder = FolderOf(path);
    std::string temporary = folder + "/" + TemporaryFilePrefix(path) + "XXXXXX";
    FileDescriptor fd(mkostemp(&temporary[0], O_CLOEXEC));
    if (!fd.IsOpen())
        return false;
    bool written = WriteAll(fd.Get(), content) && fchmod(fd.Get(), mode) == 0 && fsync(fd.Get()) == 0;
    if (written && beforeReplaceHook)
        beforeReplaceHook(temporary.c_str());
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        int reason = errno;
        unlink(temporary.c_str());
        errno = reason;
        return false;
    }
    FlushFolder(folder);
    return true;
}

} // namespace Platform::Linux

namespace Platform {

bool ReplaceFile(const char* path, const std::string& content, uint32_t newFileMode) {
    const std::string native = NativePath(path);
    struct stat old {};
    mode_t mode = 0;
    if (stat(native.c_str(), &old) == 0) {
        if (access(native.c_str(), W_OK) != 0)
            return false;
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = mode_t(newFileMode) & ~mask;
    }
    return Linux::WriteFileAtomically(native, content, mode);
}

} // namespace Platform

namespace Platform::Linux {

void SetBeforeReplaceHook(BeforeReplaceHook hook) {
    beforeReplaceHook = hook;
}

bool IsValidUtf8(const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    for (size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The first continuation byte's range also rules out overlong forms, surrogates and
        // code points beyond U+10FFFF.
        size_t follow = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (size - i <= follow || bytes[i + 1] < low || bytes[i + 1] > high)
            return false;
        for (size_t k = 2; k <= follow; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += follow + 1;
    }
    return true;
}

} // namespace Platform::Linux
