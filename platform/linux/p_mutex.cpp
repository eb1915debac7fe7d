// p_mutex.cpp -- named mutexes on Linux: an exclusive lock on a lock file per name.
//
// The lock file "<name>.lock" lives in $XDG_RUNTIME_DIR, or in /tmp as "<name>-<uid>.lock", so
// that, like Windows' per-session mutexes, each user has names of their own. The lock is an open
// file description lock (fcntl F_OFD_SETLK): it has flock's meaning -- held by the open file, let
// go of by the kernel when the holder closes it or dies however it dies -- and it can also be
// tested without being taken (F_OFD_GETLK). A test that took the lock for a moment, as flock
// would need, could make a program starting at that moment believe another copy is running.
// Lock files are opened close-on-exec, so programs started by the holder never inherit the lock.
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/s_platform.h"

namespace Platform {

namespace {

std::string LockFilePath(const char* name) {
    std::string fileName = name;
    for (char& c : fileName) {
        if (c == '/' || c == '\\')
            c = '_';
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat folder {};
    if (runtime && runtime[0] == '/' && stat(runtime, &folder) == 0 && S_ISDIR(folder.st_mode))
        return std::string(runtime) + "/" + fileName + ".lock";
    return "/tmp/" + fileName + "-" + std::to_string(geteuid()) + ".lock";
}

// Refuses anything but our own regular file: in the shared /tmp a name could be a planted link.
int OpenLockFile(const char* name, int flags) {
    if (!name || !name[0]) {
        errno = EINVAL;
        return -1;
    }
    int fd = open(LockFilePath(name).c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
    struct stat status {};
    if (fd >= 0 && (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid())) {
        close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

struct flock WholeFileWriteLock() {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return lock;
}

} // namespace

MutexHandle CreateNamedMutex(const char* name, bool* alreadyExists) {
    *alreadyExists = false;
    int fd = OpenLockFile(name, O_RDWR | O_CREAT);
    if (fd < 0)
        return kNoMutex;
    struct flock lock = WholeFileWriteLock();
    while (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EACCES) {
            *alreadyExists = true;
            return fd;
        }
        close(fd);
        return kNoMutex;
    }
    return fd;
}

bool NamedMutexExists(const char* name) {
    int fd = OpenLockFile(name, O_RDONLY);
    if (fd < 0)
        return false;
    struct flock lock = WholeFileWriteLock();
    bool held = fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    close(fd);
    return held;
}

void CloseNamedMutex(MutexHandle handle) {
    if (handle != kNoMutex)
        close(handle);
}

} // namespace Platform
