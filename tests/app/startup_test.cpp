// startup_test.cpp -- the real installer started from its own folder: the debug log it writes,
// the old log it removes, the memory summary of a run that gives everything back, and the refusal
// to run twice.
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/testSupport.h"

namespace fs = std::filesystem;

namespace {

// Succeeds once a window captioned "Error!" is on the screen, within 20 seconds.
const char* const kWaitForErrorBox = "timeout 20 xdotool search --sync --onlyvisible --name '^Error!$' > /dev/null";

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        executable = folder.File("setup");
        fs::copy_file(SETUP_EXECUTABLE, executable);
        fs::permissions(executable, fs::perms::owner_all);
        logPath = folder.File("_debug.log");
    }

    // The installer's own run-time folder, so no other test's lock or store is seen.
    std::string Environment() const {
        return "XDG_RUNTIME_DIR=" + folder.Path() + " SETUP_REGISTRY_DIR=" + folder.Path() + " ";
    }

    int Run(const std::string& arguments) {
        std::string command = "cd " + folder.Path() + " && " + Environment() + "timeout 60 " + executable + " " +
                              arguments + " > " + folder.File("out.txt") + " 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Starts a shell command in the background and returns its process id; a command that ends in
    // `exec program` makes that id the program's own.
    pid_t Spawn(const std::string& command) {
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(folder.Path().c_str()) != 0)
                _exit(126);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }

    static void Kill(pid_t pid) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }

    std::vector<std::string> LogLines() { return CrLfLines(logPath); }

    TempFolder folder;
    std::string executable;
    std::string logPath;
};

int ValueAfter(const std::vector<std::string>& lines, const std::string& label) {
    for (const std::string& line : lines) {
        size_t at = line.find(label);
        if (at != std::string::npos)
            return std::stoi(line.substr(at + label.size()));
    }
    return -1;
}

TEST_F(StartupTest, DebugWritesHeaderAndBalancedMemorySummary) {
    ASSERT_EQ(Run("-debug"), 0) << ReadWholeFile(folder.File("out.txt"));
    std::vector<std::string> lines = LogLines();
    ASSERT_GT(lines.size(), 12u);
    EXPECT_EQ(lines[0], "");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("-?\\d+ : \\d\\d:\\d\\d:\\d\\d :  0 : -{78}"))) << lines[1];
    EXPECT_NE(lines[5].find("--- app exec   : setup -debug"), std::string::npos) << lines[5];
    EXPECT_NE(lines[4].find("--- app path   : " + folder.Path() + "/"), std::string::npos) << lines[4];

    int newCalls = ValueAfter(lines, "new ptr calls: ");
    int newArrays = ValueAfter(lines, "new arr calls: ");
    EXPECT_GE(newCalls, 1);  // at least the language object
    EXPECT_EQ(newCalls, ValueAfter(lines, "del ptr calls: "));
    EXPECT_EQ(newArrays, ValueAfter(lines, "del arr calls: "));
}

TEST_F(StartupTest, WithoutDebugAnOldLogIsDeleted) {
    WriteWholeFile(logPath, "old log");
    WriteWholeFile(logPath + ".pck", "old packed log");
    ASSERT_EQ(Run(""), 0) << ReadWholeFile(folder.File("out.txt"));
    EXPECT_FALSE(PathExists(logPath));
    EXPECT_FALSE(PathExists(logPath + ".pck"));
}

TEST_F(StartupTest, EveryDebugRunStartsAFreshLog) {
    ASSERT_EQ(Run("-debug"), 0);
    ASSERT_EQ(Run("-debug"), 0);
    std::vector<std::string> lines = LogLines();
    int headers = 0;
    for (const std::string& line : lines)
        headers += line.find("--- log started: ") != std::string::npos ? 1 : 0;
    EXPECT_EQ(headers, 1);
}

// A damaged copy of the installer: one byte of its embedded setup data flipped.
TEST_F(StartupTest, DamagedSetupDataStopsBeforeTheWizard) {
    std::string program = ReadWholeFile(executable);
    std::string data = ReadWholeFile(SETUP_DATA_FILE);
    size_t at = program.find(data);
    ASSERT_NE(at, std::string::npos) << "the setup data is not embedded as built";
    ASSERT_EQ(program.find(data, at + 1), std::string::npos);
    program[at + data.size() / 2] ^= 0x01;
    WriteWholeFile(executable, program);

    pid_t damaged = Spawn(Environment() + "exec " + executable + " -debug > /dev/null 2>&1");
    EXPECT_EQ(std::system(kWaitForErrorBox), 0) << "no error box";
    EXPECT_EQ(waitpid(damaged, nullptr, WNOHANG), 0);
    Kill(damaged);
    std::vector<std::string> lines = LogLines();
    bool reported = false;
    for (const std::string& line : lines)
        reported = reported || line.find(" :  0 : *** ERROR: The setup file is corrupted (-1)!") != std::string::npos;
    EXPECT_TRUE(reported) << ReadWholeFile(logPath);
    EXPECT_EQ(ValueAfter(lines, "new ptr calls: "), -1) << "a failed start-up writes no exit summary";
}

// The first copy is the start-up's first step on its own (it holds the run mutex exactly as the
// installer does); the second, a real installer, must stop at its error box before it even starts
// its log, and a third may run once the first has been killed.
TEST_F(StartupTest, SecondCopyStopsWhileTheFirstRuns) {
    std::string pidFile = folder.File("probe.pid");
    pid_t first = Spawn(Environment() + "PROBE_PID_FILE=" + pidFile + " exec " + MUTEX_PROBE + " > /dev/null 2>&1");
    for (int i = 0; i < 500 && !PathExists(pidFile); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(PathExists(pidFile)) << "the first copy did not take the run mutex";

    pid_t second = Spawn(Environment() + "exec " + executable + " -debug > /dev/null 2>&1");
    EXPECT_EQ(std::system(kWaitForErrorBox), 0) << "the second copy shows no error box";
    EXPECT_EQ(waitpid(second, nullptr, WNOHANG), 0) << "the box is modal: the copy waits on it";
    EXPECT_FALSE(PathExists(logPath)) << "the second copy started its log";
    Kill(second);

    Kill(first);
    ASSERT_EQ(Run("-debug"), 0) << ReadWholeFile(folder.File("out.txt"));
    EXPECT_TRUE(PathExists(logPath));
}

}  // namespace
