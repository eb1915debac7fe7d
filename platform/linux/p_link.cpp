// p_link.cpp -- shell links on Linux: freedesktop desktop entries in place of .lnk files.
//
// An entry for an executable target is an Application whose Exec line quotes the target and each
// argument as the Desktop Entry Specification asks (so blanks, quotes, '$', '%' and backslashes in
// paths survive); any other target becomes a Link to its file:// URL. The entry is written whole
// or not at all, replacing an existing one, and passes desktop-file-validate. Windows' show
// command and icon index have no counterpart and are not written.
#include <algorithm>
#include <cerrno>
#include <exception>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/p_internal.h"
#include "platform/s_platform.h"

namespace Platform {

namespace {

const char kLinkExtension[] = ".lnk";
const char kEntryExtension[] = ".desktop";

bool EndsWith(const std::string& text, const std::string& suffix, bool ignoreCase) {
    if (text.size() < suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char a = text[text.size() - suffix.size() + i];
        char b = suffix[i];
        if (ignoreCase && a >= 'A' && a <= 'Z')
            a = char(a - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

// The escapes of the string value type: backslash and the control characters that would end or
// blur a line.
std::string EscapeValue(const std::string& text) {
    static const char escapes[][2] = {{'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}};
    std::string escaped;
    for (char c : text) {
        auto escape =
            std::find_if(std::begin(escapes), std::end(escapes), [&](const char* e) { return e[0] == c; });
        if (escape == std::end(escapes)) {
            escaped += c;
        } else {
            escaped += '\\';
            escaped += (*escape)[1];
        }
    }
    return escaped;
}

// One Exec argument: quoted, with '"', '`', '$' and '\' escaped inside the quotes, and '%'
// doubled so that it is not taken for a field code.
std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    return quoted + '"';
}

std::string FileUrl(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (char c : path) {
        unsigned char byte = static_cast<unsigned char>(c);
        bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                     (byte >= '0' && byte <= '9') || c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += hex[byte >> 4];
            url += hex[byte & 0xF];
        }
    }
    return url;
}

bool IsExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string EntryName(const std::string& file) {
    size_t slash = file.rfind('/');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    return name.substr(0, name.size() - (sizeof(kEntryExtension) - 1));
}

std::string DesktopEntry(const std::string& name, const std::string& target, const char* arguments,
                         const char* workFolder, const char* iconPath) {
    std::string entry = "[Desktop Entry]\nVersion=1.0\n";
    if (IsExecutableFile(target)) {
        std::string exec = QuoteExecArgument(target);
        for (const std::string& argument : SplitCommandLine(arguments))
            exec += ' ' + QuoteExecArgument(argument);
        entry += "Type=Application\nName=" + EscapeValue(name) + "\nExec=" + EscapeValue(exec) + "\n";
        if (workFolder && workFolder[0])
            entry += "Path=" + EscapeValue(NativePath(workFolder)) + "\n";
    } else {
        entry += "Type=Link\nName=" + EscapeValue(name) + "\nURL=" + FileUrl(target) + "\n";
    }
    if (iconPath && iconPath[0])
        entry += "Icon=" + EscapeValue(NativePath(iconPath)) + "\n";
    return entry;
}

} // namespace

std::string ShellLinkFile(const char* linkPath) {
    std::string file = NativePath(linkPath);
    if (EndsWith(file, kLinkExtension, true))
        file.resize(file.size() - (sizeof(kLinkExtension) - 1));
    if (!EndsWith(file, kEntryExtension, false))
        file += kEntryExtension;
    return file;
}

bool CreateShellLink(const char* linkPath, const char* target, const char* arguments, const char* workFolder,
                     const char* iconPath) {
    try {
        if (!linkPath || !linkPath[0] || !target || !target[0]) {
            errno = EINVAL;
            return false;
        }
        const std::string file = ShellLinkFile(linkPath);
        const std::string name = EntryName(file);
        const std::string targetPath = NativePath(target);
        const std::string entry = DesktopEntry(name, targetPath, arguments, workFolder, iconPath);
        if (name.empty() || !Linux::IsValidUtf8(entry)) {
            errno = name.empty() ? EINVAL : EILSEQ;
            return false;
        }
        return Linux::WriteFileAtomically(file, entry, 0755);
    } catch (const std::exception&) {
        errno = ENOMEM;
        return false;
    }
}

} // namespace Platform
