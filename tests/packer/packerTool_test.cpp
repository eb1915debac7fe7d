// packerTool_test.cpp -- the packer command: its four commands, exit codes and error lines.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/support/testSupport.h"

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

class PackerToolTest : public ::testing::Test {
protected:
    Outcome Run(const std::string& arguments) {
        std::string out = folder.File("stdout"), err = folder.File("stderr");
        std::string command = std::string(PACKER_TOOL) + " " + arguments + " >" + out + " 2>" + err;
        int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadWholeFile(out), ReadWholeFile(err)};
    }
    std::string Path(const std::string& name) const { return folder.File(name); }

    TempFolder folder;
};

TEST_F(PackerToolTest, PackUnpackVerifyAndCrc) {
    WriteWholeFile(Path("digits.txt"), "123456789");
    Outcome packed = Run("pack " + Path("digits.txt") + " " + Path("digits.pak"));
    EXPECT_EQ(packed.status, 0);
    EXPECT_EQ(packed.err, "");
    Outcome verified = Run("verify " + Path("digits.pak"));
    EXPECT_EQ(verified.status, 0);
    EXPECT_NE(verified.out.find(": ok (payload crc "), std::string::npos);
    EXPECT_EQ(Run("unpack " + Path("digits.pak") + " " + Path("restored.txt")).status, 0);
    EXPECT_EQ(ReadWholeFile(Path("restored.txt")), "123456789");
    Outcome crc = Run("crc " + Path("restored.txt"));
    EXPECT_EQ(crc.status, 0);
    EXPECT_EQ(crc.out, "cbf43926  " + Path("restored.txt") + "\n");
}

TEST_F(PackerToolTest, FailuresExitWithTheirResultCodeAndSayWhy) {
    WriteWholeFile(Path("plain.txt"), "not packed at all, but longer than a header");
    WriteWholeFile(Path("empty"), "");
    struct Case {
        std::string arguments;
        int status;
        std::string meaning;
    };
    const Case cases[] = {
        {"pack " + Path("plain.txt") + " " + Path("PLAIN.txt"), 1, "source and destination name are equal"},
        {"verify " + Path("missing.pak"), 2, "source file does not exist"},
        {"crc " + Path("missing"), 2, "source file does not exist"},
        {"crc " + Path("empty"), 5, "the file data cannot be read"},
        {"pack " + Path("empty") + " " + Path("empty.pak"), 5, "the file data cannot be read"},
        {"pack " + Path("plain.txt") + " " + Path("plain.txt/x.pak"), 6, "the destination cannot be written"},
        {"unpack " + Path("plain.txt") + " " + Path("out"), 8, "not a packed file (wrong magic)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        Outcome outcome = Run(c.arguments);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_NE(outcome.err.find(c.meaning + " (" + std::to_string(c.status) + ")"), std::string::npos)
            << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1);
    }
}

TEST_F(PackerToolTest, MalformedCommandLinesExitWith64) {
    for (const char* arguments : {"", "pack only-one", "crc", "shrink a b", "verify a b"}) {
        Outcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, 64) << arguments;
        EXPECT_NE(outcome.err.find("usage: packer"), std::string::npos);
    }
}

}  // namespace
