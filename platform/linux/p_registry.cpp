// p_registry.cpp -- the registry on Linux: one .reg store file per root.
//
// HKEY_CURRENT_USER lives in $XDG_CONFIG_HOME/setup-registry/hkcu.reg, HKEY_LOCAL_MACHINE in
// /etc/setup-registry/hklm.reg (writing it needs root, as HKLM needs administrator rights);
// SETUP_REGISTRY_DIR moves both. Readers never lock: every change is a read-modify-write under an
// exclusive lock on the store's lock file, ending in an atomic replacement of the whole file, so
// writers in several processes never lose each other's values and a crash leaves the old store
// or the new one. A store that cannot be parsed is never written: the call fails with EBADMSG
// and RegStoreProblem() names the file, line and reason. Values Windows always has (the Program
// Files folder and the shell folders) are answered from the system while the store lacks them.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/p_internal.h"
#include "platform/linux/p_registryStore.h"
#include "platform/s_platform.h"

namespace Platform {

namespace {

using Linux::FileDescriptor;
using Linux::RegistryStore;

std::string storeProblem;

struct StoreLocation {
    std::string folder;
    std::string file;
    const char* rootName;
    mode_t folderMode;
    mode_t fileMode; // the user's store is private, the machine's readable by every user
};

StoreLocation Locate(RegistryRoot root) {
    const bool user = root == RegistryRoot::CurrentUser;
    const char* override = std::getenv("SETUP_REGISTRY_DIR");
    std::string folder = override && override[0] ? std::string(override)
                         : user ? Linux::XdgBaseFolder("XDG_CONFIG_HOME", ".config") + "/setup-registry"
                                : std::string("/etc/setup-registry");
    return StoreLocation{folder, folder + (user ? "/hkcu.reg" : "/hklm.reg"),
                         user ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE", mode_t(user ? 0700 : 0755),
                         mode_t(user ? 0600 : 0644)};
}

// ---- Keys and values Windows always has ----

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string DataHome() {
    return Linux::XdgBaseFolder("XDG_DATA_HOME", ".local/share");
}

std::string ProgramFilesFolder() {
    return geteuid() == 0 ? "/opt" : DataHome();
}

std::string UserPrograms() {
    return DataHome() + "/applications";
}

std::string CommonApplications() {
    return "/usr/local/share/applications";
}

struct SystemValue {
    RegistryRoot root;
    const char* key;
    const char* name;
    std::string (*answer)();
};

const SystemValue kSystemValues[] = {
    {RegistryRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir", ProgramFilesFolder},
    {RegistryRoot::CurrentUser, kShellFolders, "Desktop", Linux::DesktopFolder},
    {RegistryRoot::CurrentUser, kShellFolders, "Programs", UserPrograms},
    {RegistryRoot::LocalMachine, kShellFolders, "Common Desktop", CommonApplications},
    {RegistryRoot::LocalMachine, kShellFolders, "Common Programs", CommonApplications},
};

// Present under both roots, with every parent.
const char* const kSystemKeys[] = {kShellFolders, kUninstall};

const SystemValue* FindSystemValue(RegistryRoot root, const std::string& key, const std::string& name) {
    for (const SystemValue& value : kSystemValues) {
        if (value.root == root && RegistryStore::SameName(value.key, key) &&
            RegistryStore::SameName(value.name, name))
            return &value;
    }
    return nullptr;
}

bool IsSystemKey(const std::string& key) {
    for (const std::string systemKey : kSystemKeys) {
        if (RegistryStore::SameName(systemKey, key) ||
            (systemKey.size() > key.size() && systemKey[key.size()] == '\\' &&
             RegistryStore::SameName(systemKey.substr(0, key.size()), key)))
            return true;
    }
    return false;
}

// ---- Store files ----

bool ReadWholeFile(int fd, std::string& text) {
    char chunk[65536];
    while (true) {
        ssize_t got = read(fd, chunk, sizeof(chunk));
        if (got == 0)
            return true;
        if (got < 0 && errno != EINTR)
            return false;
        if (got > 0)
            text.append(chunk, size_t(got));
    }
}

// A missing file is an empty store.
bool Load(const StoreLocation& where, RegistryStore& store) {
    FileDescriptor fd(open(where.file.c_str(), O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!fd.IsOpen() && errno == ENOENT)
        return true;
    if (!fd.IsOpen() || !ReadWholeFile(fd.Get(), text)) {
        int reason = errno;
        storeProblem = "registry store '" + where.file + "' cannot be read: " + std::strerror(reason);
        errno = reason;
        return false;
    }
    std::string problem;
    if (!store.Parse(text, problem)) {
        storeProblem = "registry store '" + where.file + "' is damaged, left unchanged: " + problem;
        errno = EBADMSG;
        return false;
    }
    return true;
}

// Temporary files of writers that died before their rename; only called under the lock, when
// no other writer can be between writing its temporary file and renaming it.
void RemoveStaleTemporaryFiles(const StoreLocation& where) {
    DIR* dir = opendir(where.folder.c_str());
    if (!dir)
        return;
    const std::string prefix = Linux::TemporaryFilePrefix(where.file);
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

// Runs change(store, changed) on the current store under the store's lock and writes the result
// back when it reports a change. The change sets errno when it fails.
template <class Change> bool ModifyStore(RegistryRoot root, Change change) {
    const StoreLocation where = Locate(root);
    if (!Linux::MakeFolders(where.folder, where.folderMode))
        return false;
    FileDescriptor lock(
        open((where.file + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, where.fileMode));
    if (!lock.IsOpen())
        return false;
    while (flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    // Also with nothing to change: opening a key for writing needs the right to write.
    if (faccessat(AT_FDCWD, where.folder.c_str(), W_OK, AT_EACCESS) != 0)
        return false;
    RemoveStaleTemporaryFiles(where);
    RegistryStore store(where.rootName);
    if (!Load(where, store))
        return false;
    bool changed = false;
    if (!change(store, changed))
        return false;
    if (!changed)
        return true;
    struct stat current {};
    mode_t mode = stat(where.file.c_str(), &current) == 0 ? mode_t(current.st_mode & 07777) : where.fileMode;
    return Linux::WriteFileAtomically(where.file, store.Serialize(), mode);
}

bool Fail(int reason) {
    errno = reason;
    return false;
}

// Runs a public operation with a fresh problem text; running out of memory is a failure, not a crash.
template <class Operation> bool Run(Operation operation) {
    storeProblem.clear();
    try {
        return operation();
    } catch (const std::exception&) {
        return Fail(ENOMEM);
    }
}

bool IsValidKey(const char* key) {
    return key && RegistryStore::IsValidKeyPath(key);
}

} // namespace

bool RegCreateKey(RegistryRoot root, const char* key) {
    return Run([&] {
        if (!IsValidKey(key))
            return Fail(EINVAL);
        return ModifyStore(root, [&](RegistryStore& store, bool& changed) {
            changed = !IsSystemKey(key) && store.AddKey(key);
            return true;
        });
    });
}

bool RegDeleteKey(RegistryRoot root, const char* key) {
    return Run([&] {
        if (!IsValidKey(key))
            return Fail(EINVAL);
        if (IsSystemKey(key))
            return Fail(EACCES);
        return ModifyStore(root, [&](RegistryStore& store, bool& changed) {
            if (!store.HasKey(key))
                return Fail(ENOENT);
            if (store.HasSubkeys(key))
                return Fail(ENOTEMPTY);
            changed = store.RemoveKey(key);
            return true;
        });
    });
}

bool RegKeyExists(RegistryRoot root, const char* key) {
    return Run([&] {
        if (!IsValidKey(key))
            return Fail(EINVAL);
        if (IsSystemKey(key))
            return true;
        const StoreLocation where = Locate(root);
        RegistryStore store(where.rootName);
        if (!Load(where, store))
            return false;
        return store.HasKey(key) || Fail(ENOENT);
    });
}

bool RegSetValue(RegistryRoot root, const char* key, const char* name, uint32_t type, const void* data,
                 uint32_t length) {
    return Run([&] {
        if (!IsValidKey(key) || (!data && length > 0))
            return Fail(EINVAL);
        const std::string valueName = name ? name : "";
        const std::string bytes(static_cast<const char*>(data), length);
        return ModifyStore(root, [&](RegistryStore& store, bool& changed) {
            if (!store.HasKey(key) && !(IsSystemKey(key) && store.AddKey(key)))
                return Fail(ENOENT);
            const RegistryStore::Value* old = store.FindValue(key, valueName);
            changed = !old || old->type != type || old->data != bytes;
            return store.SetValue(key, valueName, type, bytes);
        });
    });
}

bool RegQueryValue(RegistryRoot root, const char* key, const char* name, void* buffer, uint32_t* length) {
    return Run([&] {
        if (!IsValidKey(key) || !length || (!buffer && *length > 0))
            return Fail(EINVAL);
        const std::string valueName = name ? name : "";
        const StoreLocation where = Locate(root);
        RegistryStore store(where.rootName);
        const bool loaded = Load(where, store);
        const int loadFailure = errno;
        const RegistryStore::Value* value = loaded ? store.FindValue(key, valueName) : nullptr;
        const SystemValue* systemValue = value ? nullptr : FindSystemValue(root, key, valueName);
        if (!value && !systemValue)
            return Fail(loaded ? ENOENT : loadFailure);
        const std::string data = value ? value->data : systemValue->answer();
        if (data.size() > *length) {
            *length = uint32_t(data.size());
            return Fail(ERANGE);
        }
        if (!data.empty())
            std::memcpy(buffer, data.data(), data.size());
        *length = uint32_t(data.size());
        return true;
    });
}

const char* RegStoreProblem() {
    return storeProblem.c_str();
}

} // namespace Platform
