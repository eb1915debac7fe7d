// s_file.cpp -- FileUtil: file and folder operations.
//
// Paths cross to the file system through Platform::NativePath, so texts from the setup data keep
// their backslashes until this point.
#include "common/s_file.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fnmatch.h>
#include <string>
#include <sys/stat.h>
#include <utime.h>

#include "common/s_guard.h"
#include "common/s_strUtil.h"
#include "dynList/s_stringList.h"
#include "memsafe/s_mem.h"
#include "platform/s_platform.h"

FileUtil gFileUtil;

namespace {

constexpr int kMaxSeparators = 31;  // at most 32 components

// Closes a C stream on every path out of a scope.
struct StreamCloser {
    std::FILE* file;
    ~StreamCloser() {
        if (file)
            std::fclose(file);
    }
};

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Made now or there already as a folder; any other outcome (a missing parent, no rights, a file
// in the way) is a failure the caller must hear about.
bool MakeOneFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0)
        return true;
    return errno == EEXIST && IsFolder(path);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool FileUtil::FileExists(const char* path) {
    GUARDED_BEGIN
    // Linux opens a folder for reading too, Windows does not: a folder is no file here either.
    std::string native = Platform::NativePath(path);
    StreamCloser stream{std::fopen(native.c_str(), "rb")};
    struct stat info {};
    return stream.file && fstat(fileno(stream.file), &info) == 0 && !S_ISDIR(info.st_mode);
    GUARDED_END(false)
}

bool FileUtil::CreateFolder(const char* path, bool withParents) {
    GUARDED_BEGIN
    std::string native = Platform::NativePath(path);
    if (native.empty())
        return false;
    if (!withParents)
        return MakeOneFolder(native);
    int separators = 0;
    for (const char* p = path; *p; ++p)
        separators += IsSeparator(*p) ? 1 : 0;
    if (separators > kMaxSeparators)
        return false;
    // Build the path up one component at a time; a leading separator keeps the path absolute and
    // empty components (doubled or trailing separators) add nothing to create.
    for (size_t end = 0; end <= native.size(); ++end) {
        bool componentEnds = end == native.size() || native[end] == '/';
        if (!componentEnds || end == 0 || native[end - 1] == '/')
            continue;
        if (!MakeOneFolder(native.substr(0, end)))
            return false;
    }
    return true;
    GUARDED_END(false)
}

void FileUtil::ListFolder(StringList& list, const char* folder, const char* pattern, bool wantFiles,
                          bool wantFolders) {
    GUARDED_BEGIN
    list.Clear();
    char searchFolder[kNameSize] = {};
    gStrUtil.Set(searchFolder, sizeof(searchFolder), folder);
    gStrUtil.AddSeparator(searchFolder);
    std::string nativeFolder = Platform::NativePath(searchFolder);
    DIR* dir = opendir(nativeFolder.c_str());
    if (!dir)
        return;
    bool everyName = !pattern || gStrUtil.Compare(pattern, "*.*", true) == 0 || gStrUtil.Compare(pattern, "*", true) == 0;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (!everyName && fnmatch(pattern, name.c_str(), FNM_CASEFOLD) != 0)
            continue;
        struct stat info {};
        if (stat((nativeFolder + name).c_str(), &info) != 0)
            continue;  // a link to nowhere is neither file nor folder
        if ((wantFiles && S_ISREG(info.st_mode)) || (wantFolders && S_ISDIR(info.st_mode)))
            list.Add(name.c_str());
    }
    closedir(dir);
    GUARDED_END()
}

bool FileUtil::GetFileTimes(const char* path, uint32_t* accessTime, uint32_t* modifyTime) {
    GUARDED_BEGIN
    struct stat info {};
    if (stat(Platform::NativePath(path).c_str(), &info) != 0)
        return false;
    *accessTime = uint32_t(info.st_atime);
    *modifyTime = uint32_t(info.st_mtime);
    return true;
    GUARDED_END(false)
}

bool FileUtil::SetFileTimes(const char* path, uint32_t accessTime, uint32_t modifyTime) {
    GUARDED_BEGIN
    utimbuf times{time_t(accessTime), time_t(modifyTime)};
    return utime(Platform::NativePath(path).c_str(), &times) == 0;
    GUARDED_END(false)
}

bool FileUtil::GetFileSize(const char* path, int32_t* size) {
    GUARDED_BEGIN
    StreamCloser stream{std::fopen(Platform::NativePath(path).c_str(), "rb")};
    if (!stream.file || std::fseek(stream.file, 0, SEEK_END) != 0)
        return false;
    long end = std::ftell(stream.file);
    if (end < 0 || end > INT32_MAX)
        return false;  // files of 2 GiB and more are outside what the callers can hold
    *size = int32_t(end);
    return true;
    GUARDED_END(false)
}

bool FileUtil::ReadFileAt(const char* path, int32_t offset, uint8_t* buffer, int32_t size) {
    GUARDED_BEGIN
    if (size <= 0 || !buffer || offset < 0)
        return false;
    StreamCloser stream{std::fopen(Platform::NativePath(path).c_str(), "rb")};
    if (!stream.file || std::fseek(stream.file, offset, SEEK_SET) != 0)
        return false;
    return std::fread(buffer, 1, size_t(size), stream.file) == size_t(size);
    GUARDED_END(false)
}

bool FileUtil::ReadFileAlloc(const char* path, int32_t offset, uint8_t** buffer, int32_t size) {
    GUARDED_BEGIN
    if (size <= 0)
        return false;
    uint8_t* block = ALLOC_ARRAY_TRACKED(size_t(size));
    if (!block)
        return false;
    if (!ReadFileAt(path, offset, block, size)) {
        FREE_ARRAY_TRACKED(block);
        return false;
    }
    *buffer = block;
    return true;
    GUARDED_END(false)
}

bool FileUtil::WriteFile(const char* path, const char* mode, const uint8_t* buffer, int32_t size) {
    GUARDED_BEGIN
    if (size < 0 || (size > 0 && !buffer))
        return false;
    StreamCloser stream{std::fopen(Platform::NativePath(path).c_str(), mode)};
    if (!stream.file)
        return false;
    size_t written = size > 0 ? std::fwrite(buffer, 1, size_t(size), stream.file) : 0;
    // A full disk may only show when the buffered stream is flushed.
    bool flushed = std::fflush(stream.file) == 0;
    return written == size_t(size) && flushed;
    GUARDED_END(false)
}
