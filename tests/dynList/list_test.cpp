// list_test.cpp -- PtrList cursor and insert-or-overwrite, stable Sort, StringList parsing and reading.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "dynList/s_stringList.h"
#include "dynList/s_template_ptrList.h"
#include "memsafe/s_mem.h"
#include "tests/support/testSupport.h"

namespace {

struct Pair {
    int64_t key;
    int32_t value;
};

class PairList : public PtrList<Pair> {
public:
    PairList() : PtrList(0, "pairs") {}
    int64_t GetKey(const Pair& pair) const override { return pair.key; }
};

std::vector<int32_t> Values(PairList& list) {
    std::vector<int32_t> values;
    for (auto* node = list.First(); node; node = PairList::Next(node))
        values.push_back(node->element.value);
    return values;
}

std::vector<std::string> Texts(StringList& list) {
    std::vector<std::string> texts;
    for (auto* node = list.First(); node; node = StringList::Next(node))
        texts.push_back(node->element.text);
    return texts;
}

TEST(PtrListTest, AddOverwritesAnEqualKey) {
    PairList list;
    list.Add({5, 1});
    list.Add({7, 2});
    list.Add({5, 3});
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(Values(list), (std::vector<int32_t>{3, 2}));
}

TEST(PtrListTest, CursorWalksBothWaysAndJumps) {
    PairList list;
    for (int32_t i = 0; i < 10; ++i)
        list.Add({i, i * 10});
    const int32_t order[] = {5, 4, 3, 4, 7, 7, 0, 1, 9, 8, 2};
    for (int32_t position : order) {
        auto* node = list.GetAt(position);
        ASSERT_NE(node, nullptr) << position;
        EXPECT_EQ(node->element.value, position * 10) << position;
    }
    EXPECT_EQ(list.GetAt(10), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);
    EXPECT_EQ(list.GetAt(9)->element.value, 90);
    EXPECT_EQ(list.GetAt(10), nullptr);  // one past the cursor at the tail

    list.GetAt(0);
    EXPECT_EQ(list.GetAt(-1), nullptr);  // one before the cursor at the head
    EXPECT_EQ(list.GetAt(0)->element.value, 0);
}

TEST(PtrListTest, AddInvalidatesTheCursor) {
    PairList list;
    list.Add({1, 10});
    list.Add({2, 20});
    EXPECT_EQ(list.GetAt(1)->element.value, 20);
    list.Add({3, 30});
    EXPECT_EQ(list.GetAt(0)->element.value, 10);
    EXPECT_EQ(list.GetAt(2)->element.value, 30);
}

TEST(PtrListTest, SortIsAscendingAndStable) {
    // Ordered by tens only, so equal tens show whether the order of adding survives.
    class ByTens : public PairList {
    public:
        bool IsLess(const Pair& a, const Pair& b) const override { return a.value / 10 < b.value / 10; }
    } list;
    int64_t key = 0;
    for (int32_t value : {31, 12, 32, 11, -5, 33, 13})
        list.Add({++key, value});
    list.Sort();
    EXPECT_EQ(Values(list), (std::vector<int32_t>{-5, 12, 11, 13, 31, 32, 33}));
    EXPECT_EQ(list.GetAt(6)->element.value, 33);
    EXPECT_EQ(list.GetAt(5)->element.value, 32);
}

TEST(PtrListTest, MissingPositionLogsTheNotFoundLine) {
    TempFolder folder;
    std::string path = folder.File("list.log");
    gLog.Start(3, -1, path.c_str(), true, 250000);
    StringList empty;
    EXPECT_EQ(empty.GetAt(3), nullptr);
    std::string text = ReadWholeFile(path);
    gLog.Start(-1, -1, path.c_str(), false, 250000);
    EXPECT_NE(text.find(" :  0 : ** Didn't find element at pos: 3 in list \r\n"), std::string::npos);
}

TEST(PtrListTest, ClearAnnouncesEveryNode) {
    int32_t before = gMem.DelCalls();
    {
        StringList list;
        for (int i = 0; i < 7; ++i)
            list.Add("x");
        list.Clear();
        EXPECT_EQ(list.GetCount(), 0);
        EXPECT_EQ(list.GetAt(0), nullptr);
    }
    EXPECT_EQ(gMem.DelCalls() - before, 7);
}

TEST(StringListTest, ParseTextLineEnds) {
    const struct {
        std::string buffer;
        char comment;
        std::vector<std::string> entries;
    } rows[] = {
        {"a\r\n\r\nb", 0, {"a", "", "b"}},
        {"a\rb\nc", 0, {"a", "b", "c"}},
        {"a\n\rb", 0, {"a", "", "b"}},  // LF CR is two line ends
        {"a\n", 0, {"a"}},
        {"", 0, {}},
        {"#skip\n  #kept\nx#y\n#", '#', {"  #kept", "x#y"}},
        {"#not a comment", 0, {"#not a comment"}},
        {std::string("ab\0cd\nef", 8), 0, {"ab", "ef"}},  // a zero byte ends the entry's text
    };
    for (const auto& row : rows) {
        StringList list;
        EXPECT_EQ(list.ParseText(row.buffer.data(), uint32_t(row.buffer.size()), row.comment),
                  int32_t(row.entries.size()));
        EXPECT_EQ(Texts(list), row.entries) << row.buffer;
    }
}

TEST(StringListTest, LongLinesAreCutIntoPieces) {
    StringList list;
    std::string longLine(2500, 'x');
    list.ParseText(longLine.data(), uint32_t(longLine.size()), 0);
    std::vector<std::string> texts = Texts(list);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].size(), 1023u);
    EXPECT_EQ(texts[1].size(), 1023u);
    EXPECT_EQ(texts[2].size(), 454u);

    StringList exact;
    std::string line = std::string(1023, 'y') + "\r\n";
    EXPECT_EQ(exact.ParseText(line.data(), uint32_t(line.size()), 0), 1);

    StringList comments;  // every piece of a long line is judged on its own
    std::string pieces = std::string(1023, 'a') + "#rest";
    EXPECT_EQ(comments.ParseText(pieces.data(), uint32_t(pieces.size()), '#'), 1);
}

TEST(StringListTest, ReadTextFileAppends) {
    TempFolder folder;
    std::string path = folder.File("lines.txt");
    WriteWholeFile(path, "one\r\ntwo\r\n");
    StringList list;
    list.Add("zero");
    EXPECT_EQ(list.ReadTextFile(path.c_str(), '#'), 3);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"zero", "one", "two"}));

    WriteWholeFile(folder.File("empty.txt"), "");
    EXPECT_EQ(list.ReadTextFile(folder.File("empty.txt").c_str(), 0), 0);
    EXPECT_EQ(list.ReadTextFile(folder.File("missing.txt").c_str(), 0), 0);
    EXPECT_EQ(list.GetCount(), 3);
}

TEST(StringListTest, IdsIncreaseAndTextsAreBounded) {
    StringList list;
    list.Add("a");
    list.Add(std::string(2000, 'z').c_str());
    EXPECT_LT(list.GetAt(0)->element.id, list.GetAt(1)->element.id);
    EXPECT_EQ(std::string(list.GetText(1)).size(), 1023u);
    EXPECT_EQ(list.GetText(2), nullptr);
}

}  // namespace
