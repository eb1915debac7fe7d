// p_fileMode.cpp -- execute bits for installed programs.
//
// Windows runs a file by its name; Linux needs the execute bits, which a file written through the
// C runtime never gets. A file whose content starts like a script ("#!") or an ELF binary gets
// the execute bits its read bits and the umask allow, so the client's updater can be started from
// a link or the finish page. Nothing else changes a file's mode.
#include <cstring>
#include <sys/stat.h>

#include "platform/s_platform.h"

namespace Platform {

namespace {

bool LooksLikeProgram(const uint8_t* firstBytes, size_t length) {
    static const uint8_t kElfMagic[] = {0x7F, 'E', 'L', 'F'};
    return (length >= 2 && firstBytes[0] == '#' && firstBytes[1] == '!') ||
           (length >= sizeof(kElfMagic) && std::memcmp(firstBytes, kElfMagic, sizeof(kElfMagic)) == 0);
}

mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

} // namespace

bool MarkExecutableIfProgram(const char* path, const uint8_t* firstBytes, size_t length) {
    if (!firstBytes || !LooksLikeProgram(firstBytes, length))
        return true;
    const std::string native = NativePath(path);
    struct stat status {};
    if (stat(native.c_str(), &status) != 0)
        return false;
    // Execute where reading is allowed: r-- becomes r-x, --- stays ---.
    const mode_t execute = ((status.st_mode & 0444) >> 2) & ~CurrentUmask();
    return chmod(native.c_str(), (status.st_mode & 07777) | execute) == 0;
}

} // namespace Platform
