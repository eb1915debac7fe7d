// crash_test.cpp -- hardware faults inside guarded bodies are logged and reported, and the
// program goes on.
#include <gtest/gtest.h>
#include <string>

#include "common/s_crash.h"
#include "common/s_guard.h"
#include "tests/support/testSupport.h"

namespace {

volatile int* volatile nowhere = nullptr;
volatile int zero = 0;

bool ReadNowhere() {
    GUARDED_BEGIN
    return *nowhere == 1;
    GUARDED_END(false)
}

int DivideByZero() {
    GUARDED_BEGIN
    return 10 / zero;
    GUARDED_END(-1)
}

int Recurse(int depth);
// Called through a pointer, so the compiler cannot prove the recursion free of exceptions and drop
// the guard around it.
int (*volatile recurse)(int) = Recurse;

int Recurse(int depth) {
    volatile char block[4096];
    block[0] = char(depth);
    return depth > 1000000000 ? block[0] : recurse(depth + 1) + block[0];
}

int OverflowTheStack() {
    GUARDED_BEGIN
    return recurse(0);
    GUARDED_END(-1)
}

class CrashTest : public ::testing::Test {
protected:
    void SetUp() override { gLog.Start(3, -1, logPath.c_str(), true, 250000); }
    void TearDown() override { gLog.Start(-1, -1, logPath.c_str(), false, 250000); }

    // The messages logged after the header, without their prefixes.
    std::vector<std::string> Messages() {
        std::vector<std::string> messages;
        for (const std::string& line : CrLfLines(logPath)) {
            size_t at = line.find(" :  0 : ");
            if (at != std::string::npos && line.find("---") == std::string::npos)
                messages.push_back(line.substr(at + 8));
        }
        return messages;
    }

    TempFolder folder;
    std::string logPath = folder.File("crash.log");
    ScriptedMessageBoxes boxes;
};

TEST_F(CrashTest, AccessViolationIsLoggedAndReported) {
    EXPECT_FALSE(ReadNowhere());
    std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[0], "*** EXCEPTION_ACCESS_VIOLATION");
    EXPECT_EQ(messages[1], "*** CODE: 0xC0000005, FLAGS: 0, PARAMCNT: 2, App: DIVUDEDI");
    EXPECT_EQ(messages[2], "*** ERROR: Exception");
    EXPECT_EQ(messages[3].rfind("*** error in file : tests/common/crash_test.cpp, line: ", 0), 0u) << messages[3];
    EXPECT_EQ(messages[4].rfind("*** last log entry: tests/common/crash_test.cpp, line: ", 0), 0u) << messages[4];
    EXPECT_EQ(messages[5], "*** in application: DIVUDEDI, version: 1.69 / -1");
    EXPECT_EQ(boxes.shown.size(), 1u);

    EXPECT_FALSE(ReadNowhere());  // the translator stays in place after a fault
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(CrashTest, IntegerDivisionByZero) {
    EXPECT_EQ(DivideByZero(), -1);
    std::vector<std::string> messages = Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0], "*** EXCEPTION_INT_DIVIDE_BY_ZERO");
    EXPECT_EQ(messages[1], "*** CODE: 0xC0000094, FLAGS: 0, PARAMCNT: 0, App: DIVUDEDI");
}

TEST_F(CrashTest, StackOverflowHasNoNameOfItsOwn) {
    EXPECT_EQ(OverflowTheStack(), -1);
    std::vector<std::string> messages = Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0], "*** UNKNOWN EXCEPTION TYPE: 3221225725");
    EXPECT_EQ(messages[1], "*** CODE: 0xC00000FD, FLAGS: 0, PARAMCNT: 0, App: DIVUDEDI");
}

TEST_F(CrashTest, UnnamedCodesAreLoggedInDecimal) {
    ExceptionRecord record{ExceptionCode::InPageError, 1, 3};
    EXPECT_THROW(ExceptionTranslator(record.code, record), int);
    std::vector<std::string> messages = Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "*** UNKNOWN EXCEPTION TYPE: 3221225478");
    EXPECT_EQ(messages[1], "*** CODE: 0xC0000006, FLAGS: 1, PARAMCNT: 3, App: DIVUDEDI");
}

}  // namespace
