// log_test.cpp -- the log's line format, header, size-limit restart, level gating and error reports.
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/s_log.h"
#include "platform/s_platform.h"
#include "tests/support/testSupport.h"

namespace {

const std::string kDashes(78, '-');
const std::regex kPrefix(R"(^-?\d+ : \d\d:\d\d:\d\d :  (\d) : (.*)$)");

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { path = folder.File("test.log"); }

    // The file split at CR LF; fails the test on a bare LF or a missing final CR LF.
    std::vector<std::string> Lines() {
        std::vector<std::string> lines = CrLfLines(path);
        size_t joined = 0;
        for (const std::string& line : lines) {
            EXPECT_EQ(line.find('\n'), std::string::npos) << line;
            joined += line.size() + 2;
        }
        EXPECT_EQ(joined, ReadWholeFile(path).size()) << "text after the last CR LF";
        return lines;
    }

    // The message of a prefixed line, or "<no prefix>".
    static std::string Message(const std::string& line, int* level = nullptr) {
        std::smatch match;
        if (!std::regex_match(line, match, kPrefix))
            return "<no prefix>";
        if (level)
            *level = std::stoi(match[1]);
        return match[2];
    }

    TempFolder folder;
    ScriptedMessageBoxes boxes;
    std::string path;
    LogFile log{"/opt/Game/setup", "-debug"};
};

TEST_F(LogTest, HeaderBlock) {
    log.Start(3, -1, path.c_str(), false, 250000);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[11], "");
    const std::string exact[] = {"",
                                 kDashes,
                                 "--- cmd line   : " + Platform::CommandLine(),
                                 "--- pers path  : /opt/Game/",
                                 "--- app path   : /opt/Game/",
                                 "--- app exec   : setup -debug",
                                 "--- app version: 1.69 / -1"};
    for (int i = 1; i <= 10; ++i) {
        int level = -1;
        std::string message = Message(lines[i], &level);
        EXPECT_EQ(level, 0) << lines[i];
        if (i < int(std::size(exact))) {
            EXPECT_EQ(message, exact[i]);
        }
    }
    EXPECT_EQ(Message(lines[10]), kDashes);
    EXPECT_EQ(Message(lines[8]), "--- log file   : " + path);
    EXPECT_TRUE(std::regex_match(Message(lines[7]),
                                 std::regex(R"(--- log started: \w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4})")));
    EXPECT_TRUE(std::regex_match(Message(lines[9]), std::regex(R"(--- \(-?\d+ \S* / [01] \S*\))")));
}

TEST_F(LogTest, LineFormatEmptyLinesAndCut) {
    log.Start(3, -1, path.c_str(), true, 250000);
    log.Write(2, __FILE__, __LINE__, "value %i of %s", 42, "x");
    log.Write(2, __FILE__, __LINE__, "%s", "");
    log.Write(2, __FILE__, __LINE__, "%s", std::string(2000, 'm').c_str());
    log.Write(2, __FILE__, __LINE__, "two\nparts");
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 12u + 5u);
    int level = -1;
    EXPECT_EQ(Message(lines[12], &level), "value 42 of x");
    EXPECT_EQ(level, 2);
    EXPECT_EQ(lines[13], "");
    EXPECT_EQ(lines[14].size(), 1023u);  // prefix and message cut together
    EXPECT_EQ(lines[14].back(), 'm');
    EXPECT_EQ(Message(lines[15]), "two");  // a line feed inside a message reaches the file as CR LF
    EXPECT_EQ(lines[16], "parts");
}

TEST_F(LogTest, LevelGatingAndLastEntry) {
    log.Start(3, -1, path.c_str(), true, 250000);
    log.Write(4, "a.cpp", 10, "too detailed");
    log.Write(9, "trace.cpp", 77, "CALL FUNCTION at: %s, %i", "trace.cpp", 77);
    EXPECT_EQ(Lines().size(), 12u);
    EXPECT_STREQ(log.GetLastFile(), "trace.cpp");
    EXPECT_EQ(log.GetLastLine(), 77);

    log.Write(1, "b.cpp", 0, "no line number");  // written, but the last entry stays
    EXPECT_STREQ(log.GetLastFile(), "trace.cpp");
    EXPECT_EQ(Lines().size(), 13u);

    LogFile off{"/opt/Game/setup", ""};
    off.Write(0, "c.cpp", 5, "off");
    EXPECT_STREQ(off.GetLastFile(), "");
    EXPECT_EQ(off.GetLastLine(), 0);
}

TEST_F(LogTest, SizeLimitRestartsWithHeaderAndNote) {
    log.Start(3, -1, path.c_str(), true, 1000);  // raised to the minimum of 100,000
    std::string filler(200, 'f');
    while (FileSize(path) <= 100000)
        log.Write(1, __FILE__, __LINE__, "%s", filler.c_str());  // level 1 never restarts
    EXPECT_GT(Lines().size(), 400u);

    log.Write(2, __FILE__, __LINE__, "crosses the limit");
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(Message(lines[1]), kDashes);
    int level = -1;
    EXPECT_EQ(Message(lines[12], &level), "log file was reset because file limit of 100000 bytes was reached");
    EXPECT_EQ(level, 1);
}

TEST_F(LogTest, AdvancedLinesHaveTheirOwnLevelAndPrefix) {
    log.Start(0, 2, path.c_str(), true, 250000);
    log.WriteAdv(2, "net.cpp", "RECV", 31, "bytes %i", 12);
    log.WriteAdv(3, "net.cpp", "RECV", 32, "too detailed");
    log.Write(1, "main.cpp", 40, "above the normal level");
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_TRUE(std::regex_match(lines[12], std::regex(R"(-?\d+ : \d\d:\d\d:\d\d :  2 : ADV \(net.cpp,RECV,31\) : bytes 12)")))
        << lines[12];
    EXPECT_STREQ(log.GetLastFile(), "main.cpp");
    EXPECT_EQ(log.GetLastLine(), 40);
}

TEST_F(LogTest, OffDeletesOldLogAndPackedCopy) {
    WriteWholeFile(path, "old");
    WriteWholeFile(path + ".pck", "old");
    log.Start(-1, -1, path.c_str(), false, 250000);
    EXPECT_FALSE(PathExists(path));
    EXPECT_FALSE(PathExists(path + ".pck"));
    log.Write(0, __FILE__, __LINE__, "nothing");
    EXPECT_FALSE(PathExists(path));
}

TEST_F(LogTest, ShortOldLogIsKeptUntilTheHeader) {
    WriteWholeFile(path, "kept\r\n");
    log.Start(3, -1, path.c_str(), false, 250000);
    EXPECT_EQ(Lines().front(), "kept");
}

TEST_F(LogTest, ErrorReportsAndBoxesShowTheFirstError) {
    log.Start(3, -1, path.c_str(), true, 250000);
    log.Write(2, "where.cpp", 12, "step");
    EXPECT_FALSE(log.ShowError(0, "first.cpp", 5, "first %i", 1));
    EXPECT_FALSE(log.ShowError(1, "second.cpp", 6, "second"));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0], "Error!|first 1");
    EXPECT_EQ(boxes.shown[1], "Error!|first 1");
    EXPECT_EQ(log.GetErrorCount(), 2);
    EXPECT_EQ(log.GetErrorFlags(), 0);  // only the first error's flags count

    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 12u + 1u + 8u);
    EXPECT_EQ(Message(lines[13]), "*** ERROR: first 1");
    EXPECT_EQ(Message(lines[14]), "*** error in file : first.cpp, line: 5");
    EXPECT_EQ(Message(lines[15]), "*** last log entry: where.cpp, line: 12");
    EXPECT_EQ(Message(lines[16]), "*** in application: DIVUDEDI, version: 1.69 / -1");
    EXPECT_EQ(Message(lines[17]), "*** ERROR: second");

    log.WriteErrorSummary();
    lines = Lines();
    EXPECT_EQ(Message(lines.back()), "SHOWERROR: message: first 1");
    EXPECT_EQ(Message(lines[lines.size() - 2]), "*** in application: DIVUDEDI, version: 1.69 / -1");
}

TEST_F(LogTest, ExceptionSummaryHasTwoLines) {
    log.Start(3, -1, path.c_str(), true, 250000);
    log.ShowError(1, "x.cpp", 1, "Exception");
    log.WriteErrorSummary();
    std::vector<std::string> lines = Lines();
    EXPECT_EQ(Message(lines[lines.size() - 2]), "SHOWERROR in: DIVUDEDI, version: 1.69 / -1");
    EXPECT_EQ(Message(lines.back()), "SHOWERROR: message: Exception");
}

TEST_F(LogTest, ErrorsWithLoggingOffStillShowAndCount) {
    log.ShowError(0, "x.cpp", 1, "shown anyway");
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"Error!|shown anyway"});
    EXPECT_EQ(log.GetErrorCount(), 1);
    EXPECT_STREQ(log.GetErrorText(), "shown anyway");
}

TEST(LogPathsTest, ApplicationFolderAndProgram) {
    const struct {
        const char* executable;
        const char* arguments;
        const char* path;
        const char* exec;
    } rows[] = {
        {"/opt/Game/setup", "", "/opt/Game/", "setup"},
        {"/opt/Game/setup", "-debug", "/opt/Game/", "setup -debug"},
        {"/opt/Game/Bin/setup", "-debug", "/opt/Game/", "Bin/setup -debug"},  // a bin folder any case
        {"/opt/Game/bin/setup", "", "/opt/Game/", "bin/setup"},
        {"/opt/Game/cabin/setup", "", "/opt/Game/cabin/", "setup"},
        {"/opt/Game/setup", "--path=/a/b", "/opt/Game/", "setup --path=/a/b"},  // arguments never move the cut
        {"setup", "-debug", "", "setup -debug"},
        {"/opt/Game/setup", "\"quoted\"", "/opt/Game/", "setup quoted"},
        {"/tmp/a\"b/setup", "-debug", "/tmp/a\"b/", "setup -debug"},  // a quote is a name's own on Linux
    };
    for (const auto& row : rows) {
        LogFile log{row.executable, row.arguments};
        EXPECT_STREQ(log.GetApplicationPath(), row.path) << row.executable << " " << row.arguments;
        EXPECT_STREQ(log.GetApplicationExec(), row.exec) << row.executable << " " << row.arguments;
        EXPECT_STREQ(log.GetPersonalPath(), row.path);
    }
}

TEST(LogPathsTest, ApplicationFileAndDefaultLogName) {
    LogFile log{"/opt/Game/Bin/setup", ""};
    EXPECT_STREQ(log.GetApplicationFile("Data\\config.ini"), "/opt/Game/Data/config.ini");
    EXPECT_STREQ(log.GetPersonalFile("x/y"), "/opt/Game/x/y");

    LogFile bare{"setup", ""};
    bare.Start(-1, -1, nullptr, false, 250000);
    EXPECT_STREQ(bare.GetLogPath(), "_debug.log");  // the current folder
}

}  // namespace
