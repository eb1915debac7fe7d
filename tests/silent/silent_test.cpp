// silent_test.cpp -- `setup -silent` as an administrator runs it: no display, exit codes, texts on
// stderr, the same checks as the wizard, and nothing written when a check refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tests/support/testSupport.h"

namespace fs = std::filesystem;

namespace {

const char* const kUsageLine = "usage: setup [-debug]";

struct Outcome {
    int status; // exit status, -1 when it did not exit
    std::string errors;
};

class SilentTest : public ::testing::Test {
protected:
    void SetUp() override {
        executable = root.File("setup");
        fs::copy_file(SETUP_EXECUTABLE, executable);
        fs::permissions(executable, fs::perms::owner_all);
    }

    Outcome Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), executable);
        ChildProcess setup(arguments);
        Outcome outcome{-1, setup.ReadStderr()};
        const int status = setup.Wait();
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    // Every file of the demo client is in the folder with its contents.
    void ExpectDemoClient(const std::string& installedFolder) {
        for (const auto& entry : fs::recursive_directory_iterator(DEMO_CLIENT_DIR)) {
            const std::string installed =
                installedFolder + "/" + fs::relative(entry.path(), DEMO_CLIENT_DIR).string();
            if (entry.is_directory())
                EXPECT_TRUE(fs::is_directory(installed)) << installed;
            else
                EXPECT_EQ(ReadWholeFile(installed), ReadWholeFile(entry.path().string())) << installed;
        }
    }

    TempFolder root;
    std::string executable;
    const std::string folder = root.File("Games/Skyreach");
    ScopedEnv noDisplay{"DISPLAY", nullptr};
    ScopedEnv noWayland{"WAYLAND_DISPLAY", nullptr};
    ScopedEnv home{"HOME", root.File("home")};
    ScopedEnv configHome{"XDG_CONFIG_HOME", root.File("home/.config")};
    ScopedEnv dataHome{"XDG_DATA_HOME", root.File("home/.local/share")};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", root.Path()};
    ScopedEnv registry{"SETUP_REGISTRY_DIR", root.File("registry")};
    ScopedEnv language{"LC_ALL", "en_US.UTF-8"};
};

TEST_F(SilentTest, FreshInstallationWithoutADisplay) {
    const Outcome outcome = Run({"-silent", "-dir", folder});
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    ExpectDemoClient(folder);
    EXPECT_TRUE(PathExists(folder + "/config.ini"));
    EXPECT_TRUE(PathExists(root.File("home/Desktop/Skyreach Online.desktop")));
    EXPECT_TRUE(PathExists(root.File("home/.local/share/applications/Skyreach Online/Uninstall.desktop")));
    EXPECT_NE(ReadWholeFile(root.File("registry/hkcu.reg")).find("\"InstallDir\"=\"" + folder + "/\""),
              std::string::npos);
    // Without a terminal, one line per folder and file, then the links and the result.
    EXPECT_NE(outcome.errors.find("Create folder: 'Data\\Maps'\nCreate folder: 'Data\\Maps\\Coast'\n"),
              std::string::npos)
        << outcome.errors;
    EXPECT_NE(outcome.errors.find("Create file: 'uninstall.sh'\nCreate registry entries and symbols.\n"
                                  "Installation was successful finished.\n"),
              std::string::npos)
        << outcome.errors;
}

TEST_F(SilentTest, NonEmptyFolderStopsBeforeWritingUntilYesIsGiven) {
    ASSERT_EQ(Run({"-silent", "-dir", folder, "-nodesktop", "-group", ""}).status, 0);
    fs::remove(folder + "/readme_en.txt");
    WriteWholeFile(folder + "/config.ini", "kept as it is\n");

    const Outcome refused = Run({"-silent", "-dir", folder});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.errors, "The selected folder is not empty. Do you want to choose another one?\n");
    EXPECT_FALSE(PathExists(folder + "/readme_en.txt"));
    EXPECT_EQ(ReadWholeFile(folder + "/config.ini"), "kept as it is\n");
    EXPECT_FALSE(PathExists(root.File("home/Desktop")));

    const Outcome accepted = Run({"-silent", "-dir", folder, "-yes"});
    EXPECT_EQ(accepted.status, 0) << accepted.errors;
    ExpectDemoClient(folder);
}

TEST_F(SilentTest, FolderThatCannotBeCreatedIsRefusedWithText33) {
    WriteWholeFile(root.File("plain-file"), "x");
    const Outcome outcome = Run({"-silent", "-dir", root.File("plain-file/Game")});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.errors, "The selected folder can't be used. Please select another one.\n");
}

TEST_F(SilentTest, GermanTexts) {
    const Outcome outcome = Run({"-silent", "-dir", folder, "-lang", "de"});
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    EXPECT_NE(outcome.errors.find("Erstelle Datei: 'Docs\\Änderungen.txt'\n"), std::string::npos)
        << outcome.errors;
    EXPECT_NE(outcome.errors.find("Die Installation wurde erfolgreich abgeschlossen.\n"), std::string::npos);
    EXPECT_NE(ReadWholeFile(folder + "/config.ini").find("language=german\r\n"), std::string::npos);
    EXPECT_TRUE(
        PathExists(root.File("home/.local/share/applications/Skyreach Online/Deinstallieren.desktop")));
}

TEST_F(SilentTest, BadCommandLinesExitWith64AndTheUsage) {
    const std::vector<std::vector<std::string>> badLines = {
        {"-silent", "-unknown"}, {"-silent", "-dir"}, {"-silent", "-lang", "fr"}, {"-silent", "-group"}};
    for (const auto& line : badLines) {
        const Outcome outcome = Run(line);
        EXPECT_EQ(outcome.status, 64) << line.back();
        EXPECT_NE(outcome.errors.find(kUsageLine), std::string::npos) << outcome.errors;
    }
    EXPECT_FALSE(PathExists(root.File("registry")));
}

TEST_F(SilentTest, HelpListsEverySwitch) {
    const CommandResult help = RunCommand(ShellQuoted(executable) + " -help");
    EXPECT_EQ(WEXITSTATUS(help.status), 0);
    for (const char* word : {"-silent", "-dir PATH", "-group NAME", "-allusers", "-nodesktop", "-lang en|de",
                             "-yes", "-debug", "-help"})
        EXPECT_NE(help.output.find(std::string("\n  ") + word + " "), std::string::npos) << word;
}

TEST_F(SilentTest, DamagedInstallerExitsWith3) {
    std::string program = ReadWholeFile(executable);
    const std::string data = ReadWholeFile(SETUP_DATA_FILE);
    const size_t at = program.find(data);
    ASSERT_NE(at, std::string::npos);
    program[at + data.size() / 2] ^= 0x01;
    WriteWholeFile(executable, program);
    const Outcome outcome = Run({"-silent", "-dir", folder});
    EXPECT_EQ(outcome.status, 3);
    EXPECT_EQ(outcome.errors, "The setup file is corrupted (-1)!\n");
    EXPECT_FALSE(PathExists(folder));
}

TEST_F(SilentTest, AnotherInstallerHoldingTheRunMutexGives4) {
    ChildProcess holder({MUTEX_PROBE});
    ASSERT_EQ(holder.ReadLine(), "READY");
    const Outcome outcome = Run({"-silent", "-dir", folder});
    EXPECT_EQ(outcome.status, 4);
    EXPECT_FALSE(outcome.errors.empty());
    EXPECT_FALSE(PathExists(folder));
}

} // namespace
