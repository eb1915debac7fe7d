// s_file.h -- FileUtil: the file and folder operations the rest of the program uses.
//
// Stateless; every operation reports success only through its result, closes what it opened on
// every path, and leaves its output arguments untouched when it fails. Paths may use '\' or '/'.
#pragma once

#include <cstdint>

class StringList;

class FileUtil {
public:
    bool FileExists(const char* path);
    // Succeeds when the folder was made or already is a folder; fails on every other error.
    bool CreateFolder(const char* path, bool withParents);
    void ListFolder(StringList& list, const char* folder, const char* pattern, bool wantFiles, bool wantFolders);
    bool GetFileTimes(const char* path, uint32_t* accessTime, uint32_t* modifyTime);
    bool SetFileTimes(const char* path, uint32_t accessTime, uint32_t modifyTime);
    bool GetFileSize(const char* path, int32_t* size);
    bool ReadFileAt(const char* path, int32_t offset, uint8_t* buffer, int32_t size);
    // Hands out a zero-filled, announced buffer the caller frees with FREE_ARRAY_TRACKED.
    bool ReadFileAlloc(const char* path, int32_t offset, uint8_t** buffer, int32_t size);
    bool WriteFile(const char* path, const char* mode, const uint8_t* buffer, int32_t size);
};

extern FileUtil gFileUtil;
