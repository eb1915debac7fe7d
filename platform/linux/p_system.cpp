// p_system.cpp -- the user's language, free disk space and the OS version on Linux.
//
// The language id comes from the locale variables in the order the C library reads them for
// messages (LC_ALL, LC_MESSAGES, LANG), turned into Windows numbering; unknown locales count as
// English (United States), 1033. Free space is what the calling user may use on the volume of the
// nearest existing folder of the path. The OS version always reports the NT family; tests replace
// it to reach the rules written for the Windows 9x family.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>

#include "platform/s_platform.h"

namespace Platform {

namespace {

constexpr int32_t kEnglishUnitedStates = 1033;

// Windows language ids: the primary language in the low 10 bits, the sublanguage above. A row
// with an empty territory is the language's id for territories not listed.
struct LocaleId {
    const char* language;
    const char* territory;
    int32_t id;
};

const LocaleId kLocaleIds[] = {
    {"de", "DE", 1031}, {"de", "CH", 2055}, {"de", "AT", 3079}, {"de", "LU", 4103}, {"de", "LI", 5127},
    {"de", "", 1031},   {"en", "US", 1033}, {"en", "GB", 2057}, {"en", "AU", 3081}, {"en", "CA", 4105},
    {"en", "NZ", 5129}, {"en", "IE", 6153}, {"en", "", 1033},   {"fr", "FR", 1036}, {"fr", "BE", 2060},
    {"fr", "CA", 3084}, {"fr", "CH", 4108}, {"fr", "LU", 5132}, {"fr", "", 1036},   {"it", "IT", 1040},
    {"it", "CH", 2064}, {"it", "", 1040},   {"nl", "NL", 1043}, {"nl", "BE", 2067}, {"nl", "", 1043},
    {"es", "ES", 3082}, {"es", "MX", 2058}, {"es", "", 3082},   {"pt", "BR", 1046}, {"pt", "PT", 2070},
    {"pt", "", 2070},   {"sv", "", 1053},   {"da", "", 1030},   {"nb", "", 1044},   {"no", "", 1044},
    {"nn", "", 2068},   {"fi", "", 1035},   {"pl", "", 1045},   {"cs", "", 1029},   {"sk", "", 1051},
    {"hu", "", 1038},   {"ro", "", 1048},   {"ru", "", 1049},   {"uk", "", 1058},   {"el", "", 1032},
    {"tr", "", 1055},   {"ja", "", 1041},   {"ko", "", 1042},   {"zh", "TW", 1028}, {"zh", "HK", 3076},
    {"zh", "", 2052},
};

// "de_AT.UTF-8@euro" -> language "de", territory "AT".
int32_t LanguageIdOfLocale(const std::string& locale) {
    size_t languageEnd = locale.find_first_of("_.@");
    std::string language = locale.substr(0, languageEnd);
    std::string territory;
    if (languageEnd != std::string::npos && locale[languageEnd] == '_') {
        size_t territoryEnd = locale.find_first_of(".@", languageEnd);
        territory = locale.substr(languageEnd + 1, territoryEnd == std::string::npos
                                                       ? std::string::npos
                                                       : territoryEnd - languageEnd - 1);
    }
    for (const LocaleId& row : kLocaleIds) {
        if (language == row.language && (territory == row.territory || row.territory[0] == '\0'))
            return row.id;
    }
    return kEnglishUnitedStates;
}

bool osVersionReplaced = false;
OsVersion replacedOsVersion{};

OsVersion SystemOsVersion() {
    OsVersion version{0, 0, 0, 2};
    utsname names{};
    if (uname(&names) == 0) {
        unsigned parts[3] = {0, 0, 0};
        std::sscanf(names.release, "%u.%u.%u", &parts[0], &parts[1], &parts[2]);
        version.major = parts[0];
        version.minor = parts[1];
        version.build = parts[2];
    }
    return version;
}

} // namespace

int32_t UserDefaultLanguageId() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && value[0])
            return LanguageIdOfLocale(value);
    }
    return kEnglishUnitedStates;
}

bool FreeDiskSpace(const char* path, uint64_t* freeBytes) {
    std::string folder = NativePath(path);
    if (folder.empty()) {
        errno = ENOENT;
        return false;
    }
    struct stat status {};
    while (stat(folder.c_str(), &status) != 0) {
        if (folder == "/" || folder == ".")
            return false;
        size_t slash = folder.find_last_of('/', folder.find_last_not_of('/'));
        if (slash == std::string::npos)
            folder = "."; // a relative path with no existing part: its base is the current folder
        else
            folder.resize(slash == 0 ? 1 : slash);
    }
    struct statvfs volume {};
    if (statvfs(folder.c_str(), &volume) != 0)
        return false;
    *freeBytes = uint64_t(volume.f_bavail) * uint64_t(volume.f_frsize);
    return true;
}

OsVersion GetOsVersion() {
    return osVersionReplaced ? replacedOsVersion : SystemOsVersion();
}

void OverrideOsVersion(const OsVersion* version) {
    osVersionReplaced = version != nullptr;
    if (version)
        replacedOsVersion = *version;
}

} // namespace Platform
