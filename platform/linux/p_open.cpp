// p_open.cpp -- the shell's "open" verb: the desktop's default application for a file.
//
// GLib's `gio open` is asked first, `xdg-open` otherwise; each is looked up on PATH and started
// like any other program (its own session, no wait), so a slow or hanging application never
// holds up the installer. The path is handed over as one argument, whatever characters it holds.
#include <cerrno>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "platform/s_platform.h"

namespace Platform {

namespace {

FileOpener replacedOpener = nullptr;

// The first executable `name` on PATH, or "".
std::string FindOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= folders.size();) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::string();
}

// One argument of a Windows command line, quoted so that SplitCommandLine gives it back whole:
// backslashes before a quote are doubled and the quote escaped.
std::string QuoteArgument(const std::string& argument) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

bool OpenWithDesktop(const char* path) {
    const std::string file = QuoteArgument(NativePath(path));
    const std::string gio = FindOnPath("gio");
    if (!gio.empty() && LaunchProcess(gio.c_str(), ("open " + file).c_str(), false))
        return true;
    const std::string xdgOpen = FindOnPath("xdg-open");
    if (!xdgOpen.empty())
        return LaunchProcess(xdgOpen.c_str(), file.c_str(), false);
    errno = ENOENT;
    return false;
}

} // namespace

bool OpenWithDefaultApplication(const char* path) {
    return replacedOpener ? replacedOpener(path) : OpenWithDesktop(path);
}

FileOpener SetFileOpener(FileOpener opener) {
    FileOpener previous = replacedOpener;
    replacedOpener = opener;
    return previous;
}

} // namespace Platform
