// launch_test.cpp -- starting programs through SysUtil::ExecuteFile, with and without waiting.
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/s_platform.h"
#include "system/s_system.h"
#include "tests/support/testSupport.h"

namespace {

using Arguments = std::vector<std::string>;

TEST(SplitCommandLineTest, FollowsTheMicrosoftRuntimeRules) {
    struct Case {
        const char* commandLine;
        Arguments expected;
    };
    const Case cases[] = {
        {nullptr, {}},
        {"  \t ", {}},
        {"a  b\tc", {"a", "b", "c"}},
        {"\"two words\" next", {"two words", "next"}},
        {"C:\\dir\\file.exe", {"C:\\dir\\file.exe"}},
        {"\"C:\\dir\\\\\" x", {"C:\\dir\\", "x"}}, // 2n backslashes before a quote: n of them
        {"a\\\"b", {"a\"b"}},                      // 2n+1: n and a literal quote
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"\"\" x", {"", "x"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"ab\"c d\"ef", {"abc def"}},
        {"trailing\\", {"trailing\\"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Platform::SplitCommandLine(c.commandLine))
            << (c.commandLine ? c.commandLine : "(null)");
}

class ExecuteFileTest : public ::testing::Test {
protected:
    // Runs a shell script through ExecuteFile: /bin/sh -c "<script>".
    bool RunScript(const std::string& script, bool wait) {
        std::string quoted;
        for (char c : script)
            quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
        return gSysUtil.ExecuteFile("/bin/sh", ("-c \"" + quoted + "\"").c_str(), wait);
    }

    TempFolder folder;
};

TEST_F(ExecuteFileTest, WaitingReturnsOnceTheProgramHasEnded) {
    const std::string out = folder.File("done");
    ASSERT_TRUE(RunScript("sleep 0.3; echo done > '" + out + "'", true));
    EXPECT_EQ("done\n", ReadWholeFile(out));
}

TEST_F(ExecuteFileTest, NotWaitingReturnsWhileTheProgramRuns) {
    // The program cannot end before the test lets it go, so only a launch that does not wait returns.
    const std::string go = folder.File("go");
    const std::string out = folder.File("done");
    ASSERT_TRUE(
        RunScript("while [ ! -e '" + go + "' ]; do sleep 0.02; done; echo done > '" + out + "'", false));
    EXPECT_FALSE(PathExists(out));
    WriteWholeFile(go, "");
    EXPECT_TRUE(WaitForFile(out));
}

TEST_F(ExecuteFileTest, ProgramGetsItsArgumentsAndNothingElseOfTheInstaller) {
    const std::string out = folder.File("out");
    // A descriptor the installer forgot to mark close-on-exec must not reach the program.
    // (Numbered high, clear of the shell's own saved descriptors.)
    const int opened = open(folder.Path().c_str(), O_RDONLY);
    const int leaked = fcntl(opened, F_DUPFD, 40);
    close(opened);
    ASSERT_GE(leaked, 40);
    const std::string to = " >> '" + out + "'; ";
    const std::string parameters = "-c \"printf '[%s]' \\\"$0\\\" \\\"$1\\\"" + to + "echo" + to +
                                   "cat /proc/$$/stat" + to + "readlink /proc/$$/fd/0" + to +
                                   "ls /proc/$$/fd" + to + "\" \"two words\" C:\\dir\\file";
    ASSERT_TRUE(gSysUtil.ExecuteFile("/bin/sh", parameters.c_str(), true));
    close(leaked);

    std::istringstream lines(ReadWholeFile(out));
    std::string arguments, stat, stdinTarget, descriptor;
    std::getline(lines, arguments);
    std::getline(lines, stat);
    std::getline(lines, stdinTarget);
    EXPECT_EQ("[two words][C:\\dir\\file]", arguments);
    EXPECT_EQ("/dev/null", stdinTarget);
    Arguments descriptors;
    while (std::getline(lines, descriptor))
        descriptors.push_back(descriptor);
    auto has = [&](const std::string& fd) {
        return std::count(descriptors.begin(), descriptors.end(), fd) == 1;
    };
    EXPECT_TRUE(has("0") && has("1") && has("2")) << ::testing::PrintToString(descriptors);
    EXPECT_FALSE(has(std::to_string(leaked))) << ::testing::PrintToString(descriptors);

    // Fields after the command name: state, parent, process group, session.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string state;
    long parent = 0, group = 0, session = 0;
    fields >> state >> parent >> group >> session;
    const long pid = std::stol(stat);
    EXPECT_EQ(pid, group); // leads a group and a session of its own
    EXPECT_EQ(pid, session);
    EXPECT_NE(long(getpgrp()), group);
}

TEST_F(ExecuteFileTest, ProgramsThatCannotStartFail) {
    WriteWholeFile(folder.File("not-executable"), "#!/bin/sh\n", 0644);
    struct Case {
        const char* path;
        int reason;
    };
    const std::string missing = folder.File("missing");
    const std::string notExecutable = folder.File("not-executable");
    const Case cases[] = {{missing.c_str(), ENOENT}, {notExecutable.c_str(), EACCES}, {"", 0}, {nullptr, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "(null)");
        errno = 0;
        EXPECT_FALSE(gSysUtil.ExecuteFile(c.path, nullptr, true));
        EXPECT_FALSE(gSysUtil.ExecuteFile(c.path, "x", false));
        if (c.reason) {
            EXPECT_EQ(c.reason, errno);
        }
    }
}

} // namespace
