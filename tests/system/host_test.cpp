// host_test.cpp -- the user's language id, free disk space and the OS version.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/statvfs.h>
#include <sys/utsname.h>

#include "platform/s_platform.h"
#include "tests/support/testSupport.h"

namespace {

TEST(HostTest, LanguageIdFollowsTheLocaleVariablesInTheirOrder) {
    struct Case {
        const char* all;
        const char* messages;
        const char* lang;
        int32_t expected;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", "en_US.UTF-8", "fr_FR.UTF-8", 1031},
        {nullptr, "de_CH.UTF-8", "en_US.UTF-8", 2055},
        {"", "", "de_AT.UTF-8", 3079},
        {nullptr, nullptr, "de_LU", 4103},
        {nullptr, nullptr, "de_LI.ISO-8859-1", 5127},
        {nullptr, nullptr, "de_BE.UTF-8", 1031},
        {nullptr, nullptr, "de_DE@euro", 1031},
        {nullptr, nullptr, "de", 1031},
        {nullptr, nullptr, "en_GB.UTF-8", 2057},
        {nullptr, nullptr, "fr_FR.UTF-8", 1036},
        {nullptr, nullptr, "C.UTF-8", 1033},
        {nullptr, nullptr, "POSIX", 1033},
        {nullptr, nullptr, "xx_YY", 1033},
        {nullptr, nullptr, nullptr, 1033},
    };
    for (const Case& c : cases) {
        ScopedEnv all("LC_ALL", c.all);
        ScopedEnv messages("LC_MESSAGES", c.messages);
        ScopedEnv lang("LANG", c.lang);
        EXPECT_EQ(c.expected, Platform::UserDefaultLanguageId())
            << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

TEST(HostTest, FreeSpaceIsThatOfTheNearestExistingFolder) {
    TempFolder folder;
    WriteWholeFile(folder.File("file"), "x");
    struct statvfs volume {};
    ASSERT_EQ(0, statvfs(folder.Path().c_str(), &volume));
    const uint64_t expected = uint64_t(volume.f_bavail) * volume.f_frsize;
    // Other programs may write meanwhile; a different volume would differ by far more.
    const uint64_t tolerance = uint64_t(256) << 20;

    const std::string paths[] = {folder.Path(), folder.File("missing/deeper/"), folder.Path() + "\\missing\\x",
                                 folder.File("file/below-a-file")};
    for (const std::string& path : paths) {
        uint64_t freeBytes = 0;
        ASSERT_TRUE(Platform::FreeDiskSpace(path.c_str(), &freeBytes)) << path;
        EXPECT_LT(freeBytes > expected ? freeBytes - expected : expected - freeBytes, tolerance) << path;
    }

    // /proc has no free space at all, unlike the root volume a missing folder below it is on.
    uint64_t freeBytes = 1;
    ASSERT_TRUE(Platform::FreeDiskSpace("/proc/no/such/folder", &freeBytes));
    EXPECT_EQ(0u, freeBytes);
    EXPECT_FALSE(Platform::FreeDiskSpace("", &freeBytes));
}

TEST(HostTest, OsVersionIsTheKernelsInTheNtFamilyUntilReplaced) {
    utsname names{};
    ASSERT_EQ(0, uname(&names));
    const Platform::OsVersion system = Platform::GetOsVersion();
    EXPECT_EQ(2u, system.platformId);
    unsigned major = 0, minor = 0, build = 0;
    ASSERT_GE(std::sscanf(names.release, "%u.%u.%u", &major, &minor, &build), 2) << names.release;
    EXPECT_EQ(major, system.major);
    EXPECT_EQ(minor, system.minor);
    EXPECT_EQ(build, system.build);

    const Platform::OsVersion windows98{4, 10, 2222, 1};
    Platform::OverrideOsVersion(&windows98);
    const Platform::OsVersion replaced = Platform::GetOsVersion();
    EXPECT_EQ(4u, replaced.major);
    EXPECT_EQ(10u, replaced.minor);
    EXPECT_EQ(2222u, replaced.build);
    EXPECT_EQ(1u, replaced.platformId);
    Platform::OverrideOsVersion(nullptr);
    EXPECT_EQ(2u, Platform::GetOsVersion().platformId);
}

} // namespace
