// mem_test.cpp -- allocation accounting and SafeObject holders.
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include "dynList/s_stringList.h"
#include "memsafe/s_mem.h"
#include "memsafe/s_template_object.h"
#include "tests/support/testSupport.h"

namespace {

struct Record {
    int32_t a;
    char text[12];
};

class MemTest : public ::testing::Test {
protected:
    void SetUp() override {
        newCalls = gMem.NewCalls();
        delCalls = gMem.DelCalls();
        newBytes = gMem.NewBytes();
        gLog.Start(3, -1, logPath.c_str(), true, 250000);
    }
    void TearDown() override { gLog.Start(-1, -1, logPath.c_str(), false, 250000); }

    bool Logged(const std::string& text) { return ReadWholeFile(logPath).find(text) != std::string::npos; }

    int32_t newCalls = 0, delCalls = 0, newBytes = 0;
    ScriptedMessageBoxes boxes;
    TempFolder folder;
    std::string logPath = folder.File("mem.log");
};

TEST_F(MemTest, AttachOwnsAnnouncesAndReleases) {
    {
        SafeObject<StringList> holder(new StringList, int32_t(sizeof(StringList)), "owner.cpp", 7);
        ASSERT_NE(holder.Get(), nullptr);
        holder.Get()->Add("x");
        EXPECT_EQ(gMem.NewCalls() - newCalls, 2);  // the list and its node
        EXPECT_EQ(gMem.NewBytes() - newBytes, int32_t(sizeof(StringList) + sizeof(StringList::Node)));

        StringList* second = new StringList;
        EXPECT_FALSE(holder.Attach(second, int32_t(sizeof(StringList)), "other.cpp", 9));
        EXPECT_EQ(gMem.NewCalls() - newCalls, 2);  // the refused pointer is not announced
        delete second;
    }
    EXPECT_EQ(gMem.DelCalls() - delCalls, 2);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MemTest, NullAttachReportsCreatorThenFailedAccess) {
    SafeObject<StringList> holder;
    EXPECT_FALSE(holder.Attach(nullptr, 64, "maker.cpp", 12));
    EXPECT_EQ(holder.Get(), nullptr);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(Logged("*** ERROR: Not enough memory to allocate 64 bytes at maker.cpp (12)\r\n"));
    EXPECT_TRUE(Logged("*** ERROR: Failed to access object created at 'maker.cpp' line 12.\r\n"));
    EXPECT_EQ(gMem.NewCalls(), newCalls);

    SafeObject<Record> never;
    EXPECT_EQ(never.Get(), nullptr);
    EXPECT_TRUE(Logged("*** ERROR: Failed to access object created at '' line 0.\r\n"));
}

TEST_F(MemTest, CreateCopiesOrZeroFills) {
    Record source{42, "hello"};
    SafeObject<Record> copy(source, SafeObject<Record>::CopyRecord, "maker.cpp", 3);
    ASSERT_NE(copy.Get(), nullptr);
    EXPECT_EQ(copy.Get()->a, 42);
    EXPECT_STREQ(copy.Get()->text, "hello");
    EXPECT_EQ(copy.GetSize(), int32_t(sizeof(Record)));

    SafeObject<Record> zero(source, SafeObject<Record>::ZeroFill, "maker.cpp", 4);
    const Record* made = zero.Get();
    ASSERT_NE(made, nullptr);
    const char* bytes = reinterpret_cast<const char*>(made);
    EXPECT_EQ(std::count(bytes, bytes + sizeof(Record), 0), long(sizeof(Record)));

    EXPECT_FALSE(zero.Create(source, 0, "again.cpp", 5));  // already owns one
    zero.Destroy();
    zero.Destroy();  // harmless
    EXPECT_FALSE(zero.IsCreated());
    EXPECT_EQ(gMem.NewCalls() - newCalls, 2);
    EXPECT_EQ(gMem.DelCalls() - delCalls, 1);
}

TEST(MemSummaryTest, FiveLinesWithEqualCountsAfterFullRelease) {
    TempFolder folder;
    std::string path = folder.File("mem.log");
    gLog.Start(3, -1, path.c_str(), true, 250000);
    {
        StringList list;
        for (int i = 0; i < 10; ++i)
            list.Add("entry");
        uint8_t* buffer = ALLOC_ARRAY_TRACKED(100);
        FREE_ARRAY_TRACKED(buffer);
    }
    gMem.WriteSummary();
    std::string text = ReadWholeFile(path);
    gLog.Start(-1, -1, path.c_str(), false, 250000);

    auto valueAfter = [&](const std::string& label) {
        size_t at = text.find(label);
        return at == std::string::npos ? -1 : std::stoi(text.substr(at + label.size()));
    };
    EXPECT_NE(text.find("memory summary of DIVUDEDI:\r\n"), std::string::npos);
    EXPECT_GE(valueAfter("new ptr calls: "), 10);
    EXPECT_EQ(valueAfter("new ptr calls: "), valueAfter("del ptr calls: "));
    EXPECT_GE(valueAfter("new arr calls: "), 1);
    EXPECT_EQ(valueAfter("new arr calls: "), valueAfter("del arr calls: "));
    EXPECT_NE(text.find("new ptr calls: " + std::string(6 - std::to_string(gMem.NewCalls()).size(), ' ')),
              std::string::npos);  // %6i
}

}  // namespace
