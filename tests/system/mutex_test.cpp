// mutex_test.cpp -- the run mutex between processes, and the exec-mutex hand-over.
#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/s_mutex.h"
#include "platform/s_platform.h"
#include "tests/support/testSupport.h"

namespace {

// Built beside this test (see CMakeLists.txt).
const std::string kProbe = MUTEX_PROBE;

using Boxes = std::vector<std::string>;

class MutexTest : public ::testing::Test {
protected:
    // Waits until the process holding the mutex is gone and the kernel has let go of it.
    static bool WaitUntilGone(const char* name) {
        for (int waited = 0; waited < 10000 && Platform::NamedMutexExists(name); waited += 10)
            usleep(10000);
        return !Platform::NamedMutexExists(name);
    }

    TempFolder runtime; // private, so parallel test runs do not meet
    ScopedEnv runtimeVariable{"XDG_RUNTIME_DIR", runtime.Path()};
    ScriptedMessageBoxes scripted;
    std::vector<std::string>& boxes = scripted.shown;  // "caption|text" of every box shown
};

TEST_F(MutexTest, SecondInstallerIsRefusedWhileTheFirstRunsAndAThirdStartsAfterACrash) {
    ChildProcess first({kProbe});
    ASSERT_EQ("READY", first.ReadLine());
    EXPECT_TRUE(PathExists(runtime.File("RUNSETUP.MUTEX.lock")));

    ChildProcess second({kProbe});
    const int status = second.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ("Error! DIVUdedi is already running!\n", second.ReadStderr());
    EXPECT_EQ("", second.ReadLine(0));
    EXPECT_TRUE(first.IsRunning());

    first.Kill(SIGKILL);
    first.Wait();
    ChildProcess third({kProbe});
    EXPECT_EQ("READY", third.ReadLine());
}

TEST_F(MutexTest, CheckHoldsTheRunMutexUntilReleased) {
    RunMutex first, second, third;
    ASSERT_TRUE(first.Check(nullptr, nullptr, "TEST.RUN"));
    EXPECT_TRUE(second.Exists("TEST.RUN"));
    EXPECT_FALSE(second.Check(nullptr, nullptr, "TEST.RUN"));
    EXPECT_EQ((Boxes{"Error!|DIVUdedi is already running!"}), boxes);

    first.Release();
    second.Release();
    EXPECT_FALSE(third.Exists("TEST.RUN"));
    EXPECT_TRUE(third.Check(nullptr, nullptr, "TEST.RUN"));
    third.Release();
    EXPECT_FALSE(third.Exists("TEST.RUN"));
}

TEST_F(MutexTest, RequiredExecMutexIsTestedOnlyWithAStarterName) {
    RunMutex refused, noName, noStarter, starter, started;
    EXPECT_FALSE(refused.Check("TEST.EXEC", "starter.exe", "TEST.RUN"));
    EXPECT_EQ((Boxes{"Error!|Start with starter.exe only!"}), boxes);
    EXPECT_FALSE(refused.Exists("TEST.RUN"));

    EXPECT_FALSE(noName.Check(nullptr, nullptr, nullptr));
    EXPECT_TRUE(noStarter.Check("TEST.EXEC", nullptr, "TEST.RUN.2"));
    noStarter.Release();

    ASSERT_TRUE(starter.Check(nullptr, nullptr, "TEST.EXEC"));
    EXPECT_TRUE(started.Check("TEST.EXEC", "starter.exe", "TEST.RUN"));
    started.Release();
    starter.Release();
    EXPECT_EQ(1u, boxes.size());
}

TEST_F(MutexTest, ExecuteMutexedHandsOverToTheStartedProgram) {
    const std::string pidFile = runtime.File("probe.pid");
    ScopedEnv execMutex("PROBE_EXEC_MUTEX", "TEST.EXEC");
    ScopedEnv starterName("PROBE_STARTER", "tester");
    ScopedEnv runMutex("PROBE_RUN_MUTEX", "TEST.WAIT");
    ScopedEnv pidVariable("PROBE_PID_FILE", pidFile);
    const std::string probeFolder = kProbe.substr(0, kProbe.rfind('/'));
    const std::string probeName = kProbe.substr(kProbe.rfind('/') + 1);

    RunMutex starter;
    ASSERT_TRUE(starter.ExecuteMutexed("TEST.EXEC", probeFolder.c_str(), probeName.c_str(), "TEST.WAIT"));
    EXPECT_TRUE(starter.Exists("TEST.WAIT"));
    EXPECT_FALSE(starter.Exists("TEST.EXEC"));
    EXPECT_TRUE(boxes.empty());

    ASSERT_TRUE(WaitForFile(pidFile));
    kill(std::stoi(ReadWholeFile(pidFile)), SIGKILL);
    EXPECT_TRUE(WaitUntilGone("TEST.WAIT"));

    // Started by hand, without its starter holding the exec mutex, the program refuses to run.
    ChildProcess alone({kProbe});
    const int status = alone.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ("Error! Start with tester only!\n", alone.ReadStderr());
}

TEST_F(MutexTest, ExecuteMutexedReportsProgramsThatDoNotStartOrDoNotAnswer) {
    RunMutex starter;
    const std::string missing = runtime.File("missing");
    EXPECT_FALSE(starter.ExecuteMutexed("TEST.EXEC", runtime.Path().c_str(), "missing", "TEST.WAIT"));
    EXPECT_EQ((Boxes{"Error!|Cannot execute file " + missing + "!"}), boxes);
    EXPECT_FALSE(starter.Exists("TEST.EXEC"));

    boxes.clear();
    EXPECT_FALSE(starter.ExecuteMutexed("TEST.EXEC", "/bin", "true", "TEST.WAIT", 200));
    EXPECT_EQ((Boxes{"Error!|/bin/true did not start in time!"}), boxes);
    EXPECT_FALSE(starter.Exists("TEST.EXEC"));
}

TEST_F(MutexTest, WithoutARuntimeFolderEachUserHasOwnLockFilesInTmp) {
    ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
    const std::string name = "TEST.RUN." + std::to_string(getpid());
    const std::string lockFile = "/tmp/" + name + "-" + std::to_string(geteuid()) + ".lock";
    RunMutex mutex;
    ASSERT_TRUE(mutex.Check(nullptr, nullptr, name.c_str()));
    EXPECT_TRUE(PathExists(lockFile));
    mutex.Release();
    unlink(lockFile.c_str());

    // A link planted under that name in the shared folder is not followed.
    const std::string victim = runtime.File("victim");
    WriteWholeFile(victim, "keep");
    ASSERT_EQ(0, symlink(victim.c_str(), lockFile.c_str()));
    EXPECT_FALSE(mutex.Check(nullptr, nullptr, name.c_str()));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ("keep", ReadWholeFile(victim));
    unlink(lockFile.c_str());
}

} // namespace
