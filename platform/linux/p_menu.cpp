// p_menu.cpp -- start-menu groups as submenus of the desktop's application menu.
//
// A group folder below a programs folder holds desktop entries, but menus only show a folder as a
// submenu when a merged menu file says so. PublishMenuGroup writes, for the group "A\B", the
// directory entries A.directory and A-B.directory (their names, one per level) beside the programs
// folder and one merged menu file that nests the submenus and includes exactly the given entries,
// by the desktop-file ids the menu specification derives from their paths. Each file is replaced
// whole, so a menu reader never sees half a file; a repeated installation rewrites the same files.
#include <cerrno>
#include <cstdlib>
#include <exception>

#include "platform/linux/p_internal.h"
#include "platform/s_platform.h"

namespace Platform {

namespace {

const char kMergedMenus[] = "/menus/applications-merged";
const char kMenuPrefix[] = "setup-";

std::vector<std::string> GroupLevels(const char* group) {
    std::vector<std::string> levels;
    std::string level;
    for (const char* p = group;; ++p) {
        if (*p == '\\' || *p == '/' || *p == '\0') {
            if (!level.empty())
                levels.push_back(level);
            level.clear();
            if (*p == '\0')
                break;
        } else {
            level += *p;
        }
    }
    return levels;
}

// The desktop-file id of a file below the programs folder: its relative path with '-' for '/'.
std::string DesktopFileId(const std::string& programsFolder, const std::string& file) {
    const std::string below = programsFolder + "/";
    std::string id = file.compare(0, below.size(), below) == 0 ? file.substr(below.size())
                                                               : file.substr(file.rfind('/') + 1);
    for (char& c : id)
        if (c == '/')
            c = '-';
    return id;
}

std::string EscapeXml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string EscapeEntryValue(const std::string& text) {
    std::string escaped;
    for (char c : text)
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

std::string ParentFolder(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The merged-menu folder of the user, or the system's: the first of $XDG_CONFIG_DIRS.
std::string MergedMenuFolder(bool allUsers) {
    if (!allUsers)
        return Linux::XdgBaseFolder("XDG_CONFIG_HOME", ".config") + kMergedMenus;
    std::string first = "/etc/xdg";
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    if (dirs && dirs[0] == '/') {
        first = dirs;
        first = first.substr(0, first.find(':'));
    }
    return first + kMergedMenus;
}

bool WriteMenuFile(const std::string& folder, const std::string& name, const std::string& content,
                   std::string* failedFile) {
    const std::string path = folder + "/" + name;
    if (Linux::MakeFolders(folder, 0755) && Linux::IsValidUtf8(content) &&
        Linux::WriteFileAtomically(path, content, 0644))
        return true;
    if (errno == 0)
        errno = EILSEQ;
    *failedFile = path;
    return false;
}

std::string MenuXml(const std::vector<std::string>& levels, const std::vector<std::string>& ids,
                    const std::string& programsFolder, const std::string& directoryFolder,
                    const std::vector<std::string>& entryIds) {
    std::string xml = "<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
                      " \"http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd\">\n"
                      "<Menu>\n  <Name>Applications</Name>\n";
    std::string indent = "  ";
    for (size_t i = 0; i < levels.size(); ++i) {
        xml += indent + "<Menu>\n";
        indent += "  ";
        xml += indent + "<Name>" + EscapeXml(levels[i]) + "</Name>\n";
        if (i == 0)
            xml += indent + "<DirectoryDir>" + EscapeXml(directoryFolder) + "</DirectoryDir>\n";
        xml += indent + "<Directory>" + EscapeXml(ids[i] + ".directory") + "</Directory>\n";
    }
    xml += indent + "<AppDir>" + EscapeXml(programsFolder) + "</AppDir>\n";
    xml += indent + "<Include>\n";
    for (const std::string& id : entryIds)
        xml += indent + "  <Filename>" + EscapeXml(id) + "</Filename>\n";
    xml += indent + "</Include>\n";
    for (size_t i = levels.size(); i > 0; --i) {
        indent.resize(indent.size() - 2);
        xml += indent + "</Menu>\n";
    }
    return xml + "</Menu>\n";
}

} // namespace

bool PublishMenuGroup(const char* programsFolder, const char* group, bool allUsers,
                      const std::vector<std::string>& linkPaths, std::string* failedFile) {
    try {
        std::string programs = NativePath(programsFolder);
        while (programs.size() > 1 && programs.back() == '/')
            programs.pop_back();
        const std::vector<std::string> levels = GroupLevels(group ? group : "");
        if (programs.empty() || levels.empty()) {
            errno = EINVAL;
            *failedFile = programs;
            return false;
        }
        const std::string directoryFolder = ParentFolder(programs) + "/desktop-directories";
        std::vector<std::string> ids;
        for (const std::string& level : levels) {
            ids.push_back(ids.empty() ? level : ids.back() + "-" + level);
            const std::string entry =
                "[Desktop Entry]\nVersion=1.0\nType=Directory\nName=" + EscapeEntryValue(level) + "\n";
            if (!WriteMenuFile(directoryFolder, ids.back() + ".directory", entry, failedFile))
                return false;
        }
        std::vector<std::string> entryIds;
        for (const std::string& link : linkPaths)
            entryIds.push_back(DesktopFileId(programs, ShellLinkFile(link.c_str())));
        const std::string xml = MenuXml(levels, ids, programs, directoryFolder, entryIds);
        return WriteMenuFile(MergedMenuFolder(allUsers), kMenuPrefix + ids.back() + ".menu", xml, failedFile);
    } catch (const std::exception&) {
        errno = ENOMEM;
        return false;
    }
}

} // namespace Platform
