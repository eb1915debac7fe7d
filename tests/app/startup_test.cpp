// startup_test.cpp -- the real installer started from its own folder: the debug log it writes,
// the old log it removes, and the memory summary of a run that gives everything back.
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/testSupport.h"

namespace fs = std::filesystem;

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        executable = folder.File("setup");
        fs::copy_file(SETUP_EXECUTABLE, executable);
        logPath = folder.File("_debug.log");
    }

    // Runs the installer with its own run-time folder, so no other test's lock or store is seen.
    int Run(const std::string& arguments) {
        std::string command = "cd " + folder.Path() + " && XDG_RUNTIME_DIR=" + folder.Path() +
                              " SETUP_REGISTRY_DIR=" + folder.Path() + " timeout 60 " + executable + " " +
                              arguments + " > " + folder.File("out.txt") + " 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> LogLines() {
        std::string text = ReadWholeFile(logPath);
        std::vector<std::string> lines;
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

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

}  // namespace
