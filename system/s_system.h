// s_system.h -- SysUtil: registry values and keys, shell links, the Program Files folder, launch.
//
// Stateless but for GetProgramFilesFolder's result buffer. Every operation reports success only
// through its result and shows nothing; when CreateKey, DeleteKey or WriteString fail, errno holds
// the reason (the thread's last error of the Windows original). A registry store that cannot be
// read is also named in the log, at level 0. Only ExecuteFile writes a line in normal operation.
#pragma once

#include <cstdint>

#include "common/s_strUtil.h"
#include "platform/s_platform.h"

// The registry roots under their Windows names.
constexpr Platform::RegistryRoot HKEY_CURRENT_USER = Platform::RegistryRoot::CurrentUser;
constexpr Platform::RegistryRoot HKEY_LOCAL_MACHINE = Platform::RegistryRoot::LocalMachine;

class SysUtil {
public:
    // Creates the key (and missing parents) or opens an existing one, with write access.
    bool CreateKey(Platform::RegistryRoot root, const char* key);
    // Deletes a key that has no subkeys, with its values.
    bool DeleteKey(Platform::RegistryRoot root, const char* key);
    // True when the key exists; lets a probe that creates a key delete only what it created.
    bool KeyExists(Platform::RegistryRoot root, const char* key);
    // Sets a REG_SZ value of an existing key; the data is the text without its terminator.
    bool WriteString(Platform::RegistryRoot root, const char* key, const char* name, const char* text);
    // Copies a value of any type into buffer, terminated; fails unless it fits with the terminator.
    bool ReadString(Platform::RegistryRoot root, const char* key, const char* name, char* buffer,
                    uint32_t size);

    // Makes the link file (a desktop entry on Linux) for `target`; '/' and '\' in the target both
    // become the native separator. The show command and the icon index have no effect on Linux.
    bool CreateShellLink(const char* link, const char* target, const char* arguments, const char* workFolder,
                         int32_t showCommand, const char* iconPath, int32_t iconIndex);

    // The Program Files folder followed by the suffix (its '\' made native); null when the folder
    // cannot be read. The text lives in this object until the next call.
    const char* GetProgramFilesFolder(const char* suffix);

    // Starts the program with the parameters (a Windows command line) and, with `wait`, returns
    // once it has ended. False for an empty path or a program that cannot be started.
    bool ExecuteFile(const char* path, const char* parameters, bool wait);

private:
    char result[kLineSize] = {};
};

extern SysUtil gSysUtil;
