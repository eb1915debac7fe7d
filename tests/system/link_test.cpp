// link_test.cpp -- shell links as desktop entries: content, validity, and that they start the target.
#include <cstdio>
#include <dirent.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

#include "platform/s_platform.h"
#include "system/s_system.h"
#include "tests/support/testSupport.h"

namespace {

// The installed client: an executable updater and a plain information file.
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        mkdir(folder.File("Desktop").c_str(), 0755);
        mkdir(folder.File("Games").c_str(), 0755);
        mkdir(client.c_str(), 0755);
        mkdir((client + "/Bin").c_str(), 0755);
        // Writes its arguments and working folder where the test can see them.
        WriteWholeFile(client + "/Bin/updater.exe",
                  "#!/bin/sh\nprintf '[%s]' \"$0\" \"$@\" > \"$LINK_TEST_OUT.part\"\n"
                  "pwd >> \"$LINK_TEST_OUT.part\"\nmv \"$LINK_TEST_OUT.part\" \"$LINK_TEST_OUT\"\n",
                  0755);
        WriteWholeFile(client + "/read me.txt", "information\n");
    }

    static void ExpectValid(const std::string& file) {
        CommandResult validation = RunCommand("desktop-file-validate " + ShellQuoted(file));
        EXPECT_EQ(0, validation.status) << validation.output;
        EXPECT_EQ("", validation.output);
    }

    TempFolder folder;
    // Blanks, quotes and a dollar sign: everything the Exec quoting must protect.
    const std::string client = folder.File("Games/Spiel \"X\" $HOME");
    const std::string windowsClient = folder.Path() + "\\Games\\Spiel \"X\" $HOME\\";
};

TEST_F(LinkTest, ExecutableTargetBecomesAnApplicationEntryThatStartsIt) {
    struct Case {
        const char* description;
        std::string target;
        const char* arguments;
        std::string expectedExec;
        std::string expectedRun;
    };
    const std::string escapedClient = folder.Path() + "/Games/Spiel \\\\\"X\\\\\" \\\\$HOME";
    const std::string run = "[" + client + "/Bin/updater.exe]";
    const Case cases[] = {
        {"backslashes", windowsClient + "Bin\\updater.exe", nullptr,
         "Exec=\"" + escapedClient + "/Bin/updater.exe\"", run},
        {"forward slashes", client + "/Bin/updater.exe", nullptr,
         "Exec=\"" + escapedClient + "/Bin/updater.exe\"", run},
        {"mixed, with arguments", windowsClient + "Bin/updater.exe", "-w \"two words\" 100% C:\\x\\",
         "Exec=\"" + escapedClient +
             "/Bin/updater.exe\" \"-w\" \"two words\" \"100%%\" \"C:\\\\\\\\x\\\\\\\\\"",
         run + "[-w][two words][100%][C:\\x\\]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        const std::string link = folder.Path() + "\\Desktop\\DIVUdedi.lnk";
        ASSERT_TRUE(gSysUtil.CreateShellLink(link.c_str(), c.target.c_str(), c.arguments,
                                             windowsClient.c_str(), 1, nullptr, 0));
        const std::string file = folder.File("Desktop/DIVUdedi.desktop");
        EXPECT_EQ(file, Platform::ShellLinkFile(link.c_str()));
        EXPECT_EQ("[Desktop Entry]\nVersion=1.0\nType=Application\nName=DIVUdedi\n" + c.expectedExec +
                      "\nPath=" + client + "/\n",
                  ReadWholeFile(file));
        ExpectValid(file);

        // The entry really starts the target, with its arguments, in the working folder.
        const std::string out = folder.File("launched.txt");
        remove(out.c_str());
        ScopedEnv outVariable("LINK_TEST_OUT", out);
        CommandResult launch = RunCommand("gio launch " + ShellQuoted(file));
        ASSERT_EQ(0, launch.status) << launch.output;
        ASSERT_TRUE(WaitForFile(out));
        EXPECT_EQ(c.expectedRun + client + "\n", ReadWholeFile(out));
    }
}

TEST_F(LinkTest, OtherTargetsBecomeLinksToTheirFile) {
    const std::string link = folder.File("Desktop/Read me.lnk");
    const std::string icon = folder.File("Games/icon.png");
    ASSERT_TRUE(gSysUtil.CreateShellLink(link.c_str(), (windowsClient + "read me.txt").c_str(), nullptr,
                                         windowsClient.c_str(), 1, icon.c_str(), 3));
    const std::string file = folder.File("Desktop/Read me.desktop");
    EXPECT_EQ("[Desktop Entry]\nVersion=1.0\nType=Link\nName=Read me\nURL=file://" + folder.Path() +
                  "/Games/Spiel%20%22X%22%20%24HOME/read%20me.txt\nIcon=" + icon + "\n",
              ReadWholeFile(file));
    ExpectValid(file);

    // A folder, or a target that does not exist yet, is no program either.
    ASSERT_TRUE(gSysUtil.CreateShellLink(folder.File("Desktop/Client").c_str(), windowsClient.c_str(), nullptr,
                                         nullptr, 0, nullptr, 0));
    EXPECT_NE(std::string::npos, ReadWholeFile(folder.File("Desktop/Client.desktop")).find("\nType=Link\n"));
    ExpectValid(folder.File("Desktop/Client.desktop"));
}

TEST_F(LinkTest, SavingReplacesAnExistingEntryWhole) {
    const std::string link = folder.File("Desktop/DIVUdedi.lnk");
    const std::string file = folder.File("Desktop/DIVUdedi.desktop");
    WriteWholeFile(file, std::string(4096, '#'));
    ASSERT_TRUE(gSysUtil.CreateShellLink(link.c_str(), (client + "/read me.txt").c_str(), nullptr, nullptr, 1,
                                         nullptr, 0));
    ASSERT_TRUE(gSysUtil.CreateShellLink(link.c_str(), (client + "/Bin/updater.exe").c_str(), nullptr,
                                         client.c_str(), 1, nullptr, 0));
    EXPECT_NE(std::string::npos, ReadWholeFile(file).find("\nType=Application\n"));
    EXPECT_EQ(std::string::npos, ReadWholeFile(file).find('#'));
    ExpectValid(file);

    int entries = 0;
    DIR* dir = opendir(folder.File("Desktop").c_str());
    while (const dirent* entry = readdir(dir))
        entries += entry->d_name[0] == '.' ? 0 : 1;
    closedir(dir);
    EXPECT_EQ(1, entries);
}

TEST_F(LinkTest, LinksThatCannotBeMadeFail) {
    const std::string target = client + "/Bin/updater.exe";
    // The folder of the link must exist, as Windows asks.
    EXPECT_FALSE(gSysUtil.CreateShellLink(folder.File("Missing/DIVUdedi.lnk").c_str(), target.c_str(), nullptr,
                                          nullptr, 1, nullptr, 0));
    EXPECT_FALSE(PathExists(folder.File("Missing")));
    // A target that does not fit a path buffer would be cut into another path.
    const std::string longTarget = folder.Path() + "/" + std::string(255, 'x');
    EXPECT_FALSE(gSysUtil.CreateShellLink(folder.File("Desktop/Long.lnk").c_str(), longTarget.c_str(), nullptr,
                                          nullptr, 1, nullptr, 0));
    EXPECT_FALSE(gSysUtil.CreateShellLink(folder.File("Desktop/Empty.lnk").c_str(), "", nullptr, nullptr, 1,
                                          nullptr, 0));
    EXPECT_FALSE(gSysUtil.CreateShellLink(folder.File("Desktop/.lnk").c_str(), target.c_str(), nullptr, nullptr,
                                          1, nullptr, 0));
    EXPECT_FALSE(gSysUtil.CreateShellLink(folder.File("Desktop/Bad\xC3.lnk").c_str(), target.c_str(), nullptr,
                                          nullptr, 1, nullptr, 0));
    EXPECT_FALSE(PathExists(folder.File("Desktop/Long.desktop")));
    EXPECT_FALSE(PathExists(folder.File("Desktop/Bad\xC3.desktop")));
}

} // namespace
