// registry_test.cpp -- registry values and keys through SysUtil, on a store in a temporary folder.
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/p_internal.h"
#include "platform/s_platform.h"
#include "system/s_system.h"
#include "tests/support/testSupport.h"

namespace {

const char kKey[] = "Software\\DIVUdedi";
const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class RegistryTest : public ::testing::Test {
protected:
    std::string HkcuFile() const { return folder.File("hkcu.reg"); }

    // The raw data of a value, with its exact length.
    static bool QueryRaw(Platform::RegistryRoot root, const char* key, const char* name, std::string& data) {
        char buffer[2048];
        uint32_t length = sizeof(buffer);
        if (!Platform::RegQueryValue(root, key, name, buffer, &length))
            return false;
        data.assign(buffer, length);
        return true;
    }

    std::vector<std::string> TemporaryFiles() const {
        std::vector<std::string> names;
        DIR* dir = opendir(folder.Path().c_str());
        while (const dirent* entry = dir ? readdir(dir) : nullptr) {
            if (std::strstr(entry->d_name, ".tmp."))
                names.push_back(entry->d_name);
        }
        if (dir)
            closedir(dir);
        return names;
    }

    TempFolder folder;
    ScopedEnv storeFolder{"SETUP_REGISTRY_DIR", folder.Path()};
};

TEST_F(RegistryTest, WriteNeedsAnExistingKeyAndReadsBackWhatWasWritten) {
    errno = 0;
    EXPECT_FALSE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "InstallDir", "/opt/game/"));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_FALSE(PathExists(HkcuFile()));

    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "InstallDir", "/opt/game/"));
    char buffer[kNameSize];
    ASSERT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, kKey, "InstallDir", buffer, sizeof(buffer)));
    EXPECT_STREQ("/opt/game/", buffer);

    // The data is the text without a terminator, and the store is the .reg export form.
    std::string data;
    ASSERT_TRUE(QueryRaw(HKEY_CURRENT_USER, kKey, "InstallDir", data));
    EXPECT_EQ("/opt/game/", data);
    EXPECT_EQ("Windows Registry Editor Version 5.00\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software]\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\DIVUdedi]\r\n"
              "\"InstallDir\"=\"/opt/game/\"\r\n",
              ReadWholeFile(HkcuFile()));
    EXPECT_FALSE(PathExists(folder.File("hklm.reg")));
    EXPECT_FALSE(gSysUtil.ReadString(HKEY_LOCAL_MACHINE, kKey, "InstallDir", buffer, sizeof(buffer)));
}

TEST_F(RegistryTest, EmptyTextIsAValueOfLengthZero) {
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "StartMenuGroup", ""));
    std::string data = "not read";
    ASSERT_TRUE(QueryRaw(HKEY_CURRENT_USER, kKey, "StartMenuGroup", data));
    EXPECT_EQ(0u, data.size());
    char buffer[kNameSize] = "old";
    ASSERT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, kKey, "StartMenuGroup", buffer, sizeof(buffer)));
    EXPECT_STREQ("", buffer);
}

TEST_F(RegistryTest, ReadSucceedsOnlyWhenTheTerminatedTextFits) {
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
    struct Case {
        size_t length;
        bool storedWithTerminator;
        bool fits256;
    };
    const Case cases[] = {{300, false, false}, {256, false, false}, {255, false, true},
                          {255, true, true},   {256, true, false},  {0, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.length) + (c.storedWithTerminator ? " with terminator" : " without"));
        std::string text(c.length, 'x');
        ASSERT_TRUE(Platform::RegSetValue(HKEY_CURRENT_USER, kKey, "Value", Platform::kRegString,
                                          text.c_str(),
                                          uint32_t(c.length + (c.storedWithTerminator ? 1 : 0))));
        char buffer[256];
        EXPECT_EQ(c.fits256, gSysUtil.ReadString(HKEY_CURRENT_USER, kKey, "Value", buffer, sizeof(buffer)));
        if (c.fits256) {
            EXPECT_EQ(text, buffer);
        }
    }
}

TEST_F(RegistryTest, DeleteKeyRemovesItsValuesButNotAKeyWithSubkeys) {
    const std::string subkey = std::string(kKey) + "\\Sub";
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, subkey.c_str()));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "InstallDir", "/opt/game/"));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, subkey.c_str(), "A", "1"));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, subkey.c_str(), "B", "2"));

    errno = 0;
    EXPECT_FALSE(gSysUtil.DeleteKey(HKEY_CURRENT_USER, kKey));
    EXPECT_EQ(ENOTEMPTY, errno);
    char buffer[kNameSize];
    EXPECT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, kKey, "InstallDir", buffer, sizeof(buffer)));

    ASSERT_TRUE(gSysUtil.DeleteKey(HKEY_CURRENT_USER, subkey.c_str()));
    EXPECT_FALSE(gSysUtil.ReadString(HKEY_CURRENT_USER, subkey.c_str(), "A", buffer, sizeof(buffer)));
    EXPECT_FALSE(gSysUtil.WriteString(HKEY_CURRENT_USER, subkey.c_str(), "A", "1"));
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, subkey.c_str()));
    EXPECT_FALSE(gSysUtil.ReadString(HKEY_CURRENT_USER, subkey.c_str(), "B", buffer, sizeof(buffer)));

    errno = 0;
    EXPECT_FALSE(gSysUtil.DeleteKey(HKEY_CURRENT_USER, "Software\\Missing"));
    EXPECT_EQ(ENOENT, errno);
}

// The all-users rights probe creates the product key and deletes it again only if it made it.
TEST_F(RegistryTest, KeyExistsTellsAProbeWhetherItMadeTheKey) {
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_LOCAL_MACHINE, kKey));
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_LOCAL_MACHINE, kKey));
    EXPECT_TRUE(gSysUtil.KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\divudedi"));
    EXPECT_TRUE(gSysUtil.KeyExists(HKEY_LOCAL_MACHINE, "Software"));
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_CURRENT_USER, kKey));
    EXPECT_TRUE(gSysUtil.KeyExists(HKEY_CURRENT_USER, kShellFolders));
    EXPECT_TRUE(gSysUtil.KeyExists(HKEY_CURRENT_USER, "Software\\Microsoft"));
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_CURRENT_USER, nullptr));
}

TEST_F(RegistryTest, KeysAndValueNamesIgnoreCaseAndKeepTheirFirstSpelling) {
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, "SOFTWARE\\divudedi", "InstallDir", "/a/"));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "INSTALLDIR", "/b/"));
    char buffer[kNameSize];
    ASSERT_TRUE(
        gSysUtil.ReadString(HKEY_CURRENT_USER, "software\\DIVUDEDI", "installdir", buffer, sizeof(buffer)));
    EXPECT_STREQ("/b/", buffer);
    const std::string store = ReadWholeFile(HkcuFile());
    EXPECT_NE(std::string::npos,
              store.find("[HKEY_CURRENT_USER\\Software\\DIVUdedi]\r\n\"InstallDir\"=\"/b/\""));
    EXPECT_EQ(std::string::npos, store.find("SOFTWARE"));
}

TEST_F(RegistryTest, MalformedKeyPathsAreRefused) {
    const char* const keys[] = {nullptr, "", "\\Software", "Software\\", "Software\\\\X", "Soft\nware"};
    for (const char* key : keys) {
        SCOPED_TRACE(key ? key : "(null)");
        errno = 0;
        EXPECT_FALSE(gSysUtil.CreateKey(HKEY_CURRENT_USER, key));
        EXPECT_EQ(EINVAL, errno);
    }
    EXPECT_FALSE(gSysUtil.CreateKey(HKEY_CURRENT_USER, ("Software\\" + std::string(256, 'k')).c_str()));
    EXPECT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, ("Software\\" + std::string(255, 'k')).c_str()));
}

TEST_F(RegistryTest, EveryByteOfNamesAndTextsSurvivesTheStore) {
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
    const std::string texts[] = {"C:\\Games\\X\\",      "say \"hi\"",
                                 "two\r\nlines\n",      std::string("nul\0in", 6),
                                 "tab\tand\x01\x7f",    "M\xC3\xBCller \xE2\x82\xAC",
                                 "[Not\\A]Key]",        "\\x41 \\n \\0",
                                 "trailing backslash\\"};
    int index = 0;
    for (const std::string& text : texts) {
        const std::string name = "v\"" + std::to_string(index++) + "\\";
        ASSERT_TRUE(Platform::RegSetValue(HKEY_CURRENT_USER, kKey, name.c_str(), Platform::kRegString,
                                          text.data(), uint32_t(text.size())));
    }
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, nullptr, "default"));
    index = 0;
    for (const std::string& text : texts) {
        const std::string name = "v\"" + std::to_string(index++) + "\\";
        std::string data;
        ASSERT_TRUE(QueryRaw(HKEY_CURRENT_USER, kKey, name.c_str(), data)) << name;
        EXPECT_EQ(text, data) << name;
    }
    std::string data;
    ASSERT_TRUE(QueryRaw(HKEY_CURRENT_USER, kKey, "", data));
    EXPECT_EQ("default", data);

    // One line per value, in the escaped .reg form.
    const std::string store = ReadWholeFile(HkcuFile());
    EXPECT_NE(std::string::npos, store.find("\r\n\"v\\\"0\\\\\"=\"C:\\\\Games\\\\X\\\\\"\r\n"));
    EXPECT_NE(std::string::npos, store.find("\r\n\"v\\\"2\\\\\"=\"two\\r\\nlines\\n\"\r\n"));
    EXPECT_NE(std::string::npos, store.find("\r\n@=\"default\"\r\n"));
}

TEST_F(RegistryTest, ValuesOfOtherTypesAndHandEditsSurviveAWrite) {
    WriteWholeFile(HkcuFile(),
              "Windows Registry Editor Version 5.00\n"
              "; edited by hand\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\n"
              "\"Count\"=dword:0000002a\n"
              "\"Blob\"=hex:01,ff,\\\n"
              "  10\n"
              "\"Path\"=hex(2):25,00,41,00\n"
              "@=\"default\"\n",
              0600);
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "InstallDir", "/opt/game/"));

    std::string data;
    ASSERT_TRUE(QueryRaw(HKEY_CURRENT_USER, "Software\\Other", "Count", data));
    EXPECT_EQ(std::string("\x2a\0\0\0", 4), data);
    ASSERT_TRUE(QueryRaw(HKEY_CURRENT_USER, "Software\\Other", "Blob", data));
    EXPECT_EQ(std::string("\x01\xff\x10"), data);
    ASSERT_TRUE(QueryRaw(HKEY_CURRENT_USER, "Software\\Other", "Path", data));
    EXPECT_EQ(std::string("%\0A\0", 4), data);
    // Any type reads as a string: the bytes, terminated.
    char buffer[kNameSize];
    ASSERT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, "Software\\Other", "Blob", buffer, sizeof(buffer)));
    EXPECT_STREQ("\x01\xff\x10", buffer);

    const std::string store = ReadWholeFile(HkcuFile());
    EXPECT_NE(std::string::npos, store.find("[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                                            "\"Count\"=dword:0000002a\r\n"
                                            "\"Blob\"=hex:01,ff,10\r\n"
                                            "\"Path\"=hex(2):25,00,41,00\r\n"
                                            "@=\"default\"\r\n"));
    EXPECT_EQ(0600u, [&] {
        struct stat status {};
        stat(HkcuFile().c_str(), &status);
        return status.st_mode & 07777;
    }());
}

TEST_F(RegistryTest, DamagedStoreIsReportedAndNeverOverwritten) {
    const std::string header = "Windows Registry Editor Version 5.00\r\n";
    struct Case {
        std::string text;
        const char* where;
    };
    const Case cases[] = {
        {"REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n", "line 1"},
        {header + "\"Orphan\"=\"value\"\r\n", "line 2"},
        {header + "[HKEY_LOCAL_MACHINE\\Software]\r\n", "line 2"},
        {header + "[HKEY_CURRENT_USER\\Software]\r\n\"A\"=\"unterminated\r\n", "line 3"},
        {header + "[HKEY_CURRENT_USER\\Software]\r\n\"A\"=\"bad \\q escape\"\r\n", "line 3"},
        {header + "[HKEY_CURRENT_USER\\Software]\r\n\"A\"=hex:1,zz\r\n", "line 3"},
        {header + "[HKEY_CURRENT_USER\\Software]\r\n\"A\"=dword:12\r\n", "line 3"},
        {header + "\r\n[HKEY_CURRENT_USER\\Software]\r\ngarbage\r\n", "line 4"},
        {header + "[HKEY_CURRENT_USER\\Software\\DIVUdedi]\r\n\"InstallDir\"=\"/opt/game/\"\r\n\"Cut",
         "line 4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteWholeFile(HkcuFile(), c.text);
        errno = 0;
        EXPECT_FALSE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
        EXPECT_EQ(EBADMSG, errno);
        const std::string problem = Platform::RegStoreProblem();
        EXPECT_NE(std::string::npos, problem.find(HkcuFile())) << problem;
        EXPECT_NE(std::string::npos, problem.find(c.where)) << problem;
        errno = 0;
        EXPECT_FALSE(gSysUtil.WriteString(HKEY_CURRENT_USER, "Software", "New", "value"));
        EXPECT_EQ(EBADMSG, errno);
        EXPECT_FALSE(gSysUtil.DeleteKey(HKEY_CURRENT_USER, "Software"));
        char buffer[kNameSize];
        EXPECT_FALSE(gSysUtil.ReadString(HKEY_CURRENT_USER, "Software", "A", buffer, sizeof(buffer)));
        EXPECT_EQ(c.text, ReadWholeFile(HkcuFile()));
    }
}

TEST_F(RegistryTest, ValuesWindowsAlwaysHasComeFromTheSystemUntilTheStoreHasThem) {
    TempFolder home;
    ScopedEnv homeVariable("HOME", home.Path());
    ScopedEnv config("XDG_CONFIG_HOME", home.File("config"));
    ScopedEnv data("XDG_DATA_HOME", home.File("data"));
    mkdir(home.File("config").c_str(), 0700);
    WriteWholeFile(home.File("config/user-dirs.dirs"),
              "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");

    struct Case {
        Platform::RegistryRoot root;
        const char* key;
        const char* name;
        std::string expected;
    };
    const Case cases[] = {
        {HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", geteuid() == 0 ? "/opt" : home.File("data")},
        {HKEY_CURRENT_USER, kShellFolders, "Desktop", home.File("Schreibtisch")},
        {HKEY_CURRENT_USER, kShellFolders, "Programs", home.File("data/applications")},
        {HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop", "/usr/local/share/applications"},
        {HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs", "/usr/local/share/applications"},
    };
    for (const Case& c : cases) {
        char buffer[kNameSize];
        ASSERT_TRUE(gSysUtil.ReadString(c.root, c.key, c.name, buffer, sizeof(buffer))) << c.name;
        EXPECT_EQ(c.expected, buffer) << c.name;
    }
    char buffer[kNameSize];
    EXPECT_FALSE(
        gSysUtil.ReadString(HKEY_CURRENT_USER, kCurrentVersion, "ProgramFilesDir", buffer, sizeof(buffer)));
    EXPECT_STREQ((cases[0].expected + "/Game").c_str(), gSysUtil.GetProgramFilesFolder("\\Game"));

    // The system's keys exist without CreateKey, cannot be deleted, and take values that then win.
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", "/srv/games"));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kShellFolders, "Desktop", "/home/else/Desk"));
    EXPECT_STREQ("/srv/games", gSysUtil.GetProgramFilesFolder(nullptr));
    EXPECT_STREQ("/srv/games/Game/", gSysUtil.GetProgramFilesFolder("\\Game\\"));
    ASSERT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, kShellFolders, "Desktop", buffer, sizeof(buffer)));
    EXPECT_STREQ("/home/else/Desk", buffer);
    ASSERT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, kShellFolders, "Programs", buffer, sizeof(buffer)));
    EXPECT_EQ(home.File("data/applications"), buffer);
    errno = 0;
    EXPECT_FALSE(gSysUtil.DeleteKey(HKEY_CURRENT_USER, kShellFolders));
    EXPECT_EQ(EACCES, errno);
    EXPECT_TRUE(
        gSysUtil.CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
}

TEST_F(RegistryTest, DesktopFolderDefaultsToHomeDesktop) {
    TempFolder home;
    ScopedEnv homeVariable("HOME", home.Path());
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    char buffer[kNameSize];
    ASSERT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, kShellFolders, "Desktop", buffer, sizeof(buffer)));
    EXPECT_EQ(home.File("Desktop"), buffer);
}

TEST_F(RegistryTest, StoreSurvivesACrashBetweenWriteAndRename) {
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "InstallDir", "/opt/game/"));
    const std::string before = ReadWholeFile(HkcuFile());

    pid_t child = fork();
    if (child == 0) {
        Platform::Linux::SetBeforeReplaceHook([](const char*) { raise(SIGKILL); });
        gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "StartMenuGroup", "DIVUdedi");
        _exit(0); // not reached: the writer dies before its rename
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    // The new store was written in full beside the old one, which is untouched.
    ASSERT_EQ(1u, TemporaryFiles().size());
    EXPECT_NE(std::string::npos, ReadWholeFile(folder.File(TemporaryFiles()[0])).find("StartMenuGroup"));
    EXPECT_EQ(before, ReadWholeFile(HkcuFile()));
    char buffer[kNameSize];
    EXPECT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, kKey, "InstallDir", buffer, sizeof(buffer)));
    EXPECT_FALSE(gSysUtil.ReadString(HKEY_CURRENT_USER, kKey, "StartMenuGroup", buffer, sizeof(buffer)));

    // The next writer clears the leftover and keeps everything.
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, "StartMenuGroup", "Games"));
    EXPECT_TRUE(TemporaryFiles().empty());
    ASSERT_TRUE(gSysUtil.ReadString(HKEY_CURRENT_USER, kKey, "InstallDir", buffer, sizeof(buffer)));
    EXPECT_STREQ("/opt/game/", buffer);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kValuesPerProcess = 200;
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kKey));
    pid_t writers[2];
    for (int writer = 0; writer < 2; ++writer) {
        writers[writer] = fork();
        if (writers[writer] == 0) {
            int failures = 0;
            for (int i = 0; i < kValuesPerProcess; ++i) {
                const std::string name = "w" + std::to_string(writer) + "_" + std::to_string(i);
                failures += gSysUtil.WriteString(HKEY_CURRENT_USER, kKey, name.c_str(), name.c_str()) ? 0 : 1;
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(writer, waitpid(writer, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int missing = 0;
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kValuesPerProcess; ++i) {
            const std::string name = "w" + std::to_string(writer) + "_" + std::to_string(i);
            char buffer[kNameSize];
            bool found = gSysUtil.ReadString(HKEY_CURRENT_USER, kKey, name.c_str(), buffer, sizeof(buffer));
            missing += found && name == buffer ? 0 : 1;
        }
    }
    EXPECT_EQ(0, missing);
}

// Root passes every permission check, so the unprivileged side runs in a child that drops to nobody.
TEST_F(RegistryTest, OpeningAnExistingKeyForWritingNeedsTheRightToWrite) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_LOCAL_MACHINE, kKey));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_LOCAL_MACHINE, kKey, "InstallDir", "/opt/game/"));
    chmod(folder.Path().c_str(), 0755);

    int result = RunAsNobody([] {
        char buffer[kNameSize];
        if (!gSysUtil.ReadString(HKEY_LOCAL_MACHINE, kKey, "InstallDir", buffer, sizeof(buffer)))
            return 11;
        errno = 0;
        if (gSysUtil.CreateKey(HKEY_LOCAL_MACHINE, kKey) || errno != EACCES)
            return 12;
        if (gSysUtil.DeleteKey(HKEY_LOCAL_MACHINE, kKey) || gSysUtil.WriteString(HKEY_LOCAL_MACHINE, kKey, "A", "1"))
            return 13;
        return 0;
    });
    EXPECT_EQ(0, result);
    char buffer[kNameSize];
    EXPECT_TRUE(gSysUtil.ReadString(HKEY_LOCAL_MACHINE, kKey, "InstallDir", buffer, sizeof(buffer)));
}

} // namespace
