// strUtil_test.cpp -- the bounded string operations, row by row, with their edge cases.
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "common/s_strUtil.h"

namespace {

StrUtil su;

std::string Bytes(const char* buffer, size_t size) { return std::string(buffer, size); }

TEST(StrUtilTest, LengthAndNull) {
    EXPECT_EQ(su.Length(nullptr), 0u);
    EXPECT_EQ(su.Length(""), 0u);
    EXPECT_EQ(su.Length("abc"), 3u);
}

TEST(StrUtilTest, SetZeroFillsAndBounds) {
    char buffer[6];
    std::memset(buffer, 'x', sizeof(buffer));
    su.Set(buffer, sizeof(buffer), nullptr);
    EXPECT_EQ(Bytes(buffer, 6), std::string(6, '\0'));

    su.Set(buffer, sizeof(buffer), "abcdefgh");
    EXPECT_STREQ(buffer, "abcde");  // size - 1 characters, terminated

    su.Set(buffer, sizeof(buffer), "abcdef", 2);
    EXPECT_STREQ(buffer, "ab");
}

TEST(StrUtilTest, CopyWritesNoTerminatorWhenCut) {
    char buffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    su.Copy(buffer, sizeof(buffer), "abcdefgh");
    EXPECT_EQ(Bytes(buffer, 6), "abcdex");  // the tail stays as it was

    char padded[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    su.Copy(padded, sizeof(padded), "ab");  // the whole text with its zero byte
    EXPECT_EQ(Bytes(padded, 6), std::string("ab\0xxx", 6));
    su.Copy(padded, sizeof(padded), "a", 4);  // a longer count zero-fills the rest of its stretch
    EXPECT_EQ(Bytes(padded, 6), std::string("a\0\0\0xx", 6));

    su.Copy(nullptr, 6, "ab");
    su.Copy(padded, 0, "ab");
    EXPECT_EQ(padded[0], 'a');
}

TEST(StrUtilTest, Trim) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {{"  a b  ", "a b"}, {"    ", ""}, {"\tx ", "\tx"}, {"", ""}, {"x", "x"}};
    for (const auto& row : rows) {
        char buffer[32];
        std::strcpy(buffer, row.in);
        su.Trim(buffer);
        EXPECT_STREQ(buffer, row.out) << "'" << row.in << "'";
    }
}

TEST(StrUtilTest, AppendFillsExactlyToSize) {
    char full[4] = "abc";
    su.Append(full, sizeof(full), "de");
    EXPECT_STREQ(full, "abc");

    char room[6] = "ab";
    su.Append(room, sizeof(room), "cdefg");  // room for three more
    EXPECT_STREQ(room, "abcde");

    char fits[8] = "ab";
    su.Append(fits, sizeof(fits), "cd");
    EXPECT_STREQ(fits, "abcd");

    char one[3] = "a";
    su.AppendChar(one, sizeof(one), 'b');
    su.AppendChar(one, sizeof(one), 'c');
    EXPECT_STREQ(one, "ab");
}

TEST(StrUtilTest, InsertDelete) {
    char text[16] = "abc";
    su.Insert(text, "XY", 3);  // at the end: appends
    EXPECT_STREQ(text, "abcXY");
    su.Insert(text, "Q", 6);  // beyond the end: nothing
    EXPECT_STREQ(text, "abcXY");
    su.Insert(text, "", 0);
    su.Insert(text, "-", 0);
    EXPECT_STREQ(text, "-abcXY");

    su.Delete(text, 2, 100);  // beyond the end cuts at position
    EXPECT_STREQ(text, "-a");
    su.Delete(text, 2, 1);
    su.Delete(text, 0, 0);
    EXPECT_STREQ(text, "-a");
    su.Delete(text, 0, 1);
    EXPECT_STREQ(text, "a");
}

TEST(StrUtilTest, SubStringAndSplits) {
    char out[16] = "keep";
    EXPECT_FALSE(su.SubString("abc", out, 3, 1));
    EXPECT_FALSE(su.SubString("", out, 0, 1));
    EXPECT_STREQ(out, "keep");
    EXPECT_TRUE(su.SubString("abcdef", out, 2, 100));
    EXPECT_STREQ(out, "cdef");
    EXPECT_FALSE(su.SubString("abc", out, 1, 0));

    char pair[16] = "key=value";
    char tail[16] = "junk";
    EXPECT_TRUE(su.SplitAtChar(pair, tail, '=', false));
    EXPECT_STREQ(pair, "key");
    EXPECT_STREQ(tail, "value");

    char lastOnly[16] = "key=";  // the only '=' is the last character
    EXPECT_FALSE(su.SplitAtChar(lastOnly, tail, '=', false));
    EXPECT_STREQ(lastOnly, "key");
    EXPECT_STREQ(tail, "");

    char path[32] = "a\\b\\c";
    EXPECT_TRUE(su.SplitAtChar(path, tail, '\\', true));
    EXPECT_STREQ(path, "a\\b");
    EXPECT_STREQ(tail, "c");

    char none[8] = "abc";
    EXPECT_FALSE(su.SplitAtChar(none, tail, '=', false));
    EXPECT_STREQ(none, "abc");
}

TEST(StrUtilTest, AddSeparatorChoosesBySlash) {
    const struct {
        const char* in;
        char separator;
        const char* out;
    } rows[] = {{"C:\\Games", 0, "C:\\Games\\"}, {"/opt/games", 0, "/opt/games/"}, {"C:\\a/b", 0, "C:\\a/b/"},
                {"x/", 0, "x/"},                 {"x\\", 0, "x\\"},              {"", 0, ""},
                {"abc", '/', "abc/"}};
    for (const auto& row : rows) {
        char buffer[kNameSize];
        std::strcpy(buffer, row.in);
        su.AddSeparator(buffer, row.separator);
        EXPECT_STREQ(buffer, row.out) << row.in;
    }
}

TEST(StrUtilTest, ReplaceAndReplaceChar) {
    char text[32] = "Hello World";
    EXPECT_TRUE(su.Replace(text, "WORLD", "There", false));
    EXPECT_STREQ(text, "Hello There");
    EXPECT_FALSE(su.Replace(text, "WORLD", "x", true));
    EXPECT_TRUE(su.Replace(text, "Hello ", nullptr, true));
    EXPECT_STREQ(text, "There");
    EXPECT_TRUE(su.Replace(text, "XY", "ab", true, 0));  // a given position is used as it is
    EXPECT_STREQ(text, "abere");

    char path[16] = "a/b/c";
    EXPECT_TRUE(su.ReplaceChar(path, '/', '\\'));
    EXPECT_STREQ(path, "a\\b\\c");
    EXPECT_FALSE(su.ReplaceChar(path, '/', '\\'));
}

TEST(StrUtilTest, FindCharAndString) {
    EXPECT_EQ(su.FindChar("a=b=c", '=', false), 1);
    EXPECT_EQ(su.FindChar("a=b=c", '=', true), 3);
    EXPECT_EQ(su.FindChar("abc", '=', true), -1);
    EXPECT_EQ(su.FindCharFrom("a=b=c", '=', 2, false), 3);
    EXPECT_EQ(su.FindCharFrom("a=b=c", '=', 4, true), -1);
    EXPECT_EQ(su.FindChar(nullptr, '=', false), -1);

    EXPECT_EQ(su.FindString("Program Files", "FILES", false), 8);
    EXPECT_EQ(su.FindString("Program Files", "FILES", true), -1);
    EXPECT_EQ(su.FindString("abcabc", "bc", true, 4), 4);
    EXPECT_EQ(su.FindString("abcabc", "bc", true, 3), -1);
    EXPECT_EQ(su.FindString("abcabc", "bc", true, 5), -1);  // beyond what the text can hold
    EXPECT_EQ(su.FindString("ab", "abc", true), -1);
    EXPECT_EQ(su.FindString("", "a", true), -1);
    EXPECT_EQ(su.FindString("a", "", true), -1);
}

TEST(StrUtilTest, CompareAndUpperCase) {
    EXPECT_EQ(su.Compare("", "", true), -1);
    EXPECT_EQ(su.Compare(nullptr, "a", true), -1);
    EXPECT_EQ(su.Compare("a", "", true), 1);
    EXPECT_EQ(su.Compare("abc", "ABC", false), 0);
    EXPECT_NE(su.Compare("abc", "ABC", true), 0);
    EXPECT_LT(su.Compare("abc", "abd", true), 0);

    EXPECT_EQ(StrUtil::ToUpperChar('q'), 'Q');
    EXPECT_EQ(StrUtil::ToUpperChar('1'), '1');
    EXPECT_EQ(uint8_t(StrUtil::ToUpperChar(char(0xE4))), 0xC4);
    EXPECT_EQ(uint8_t(StrUtil::ToUpperChar(char(0xF6))), 0xD6);
    EXPECT_EQ(uint8_t(StrUtil::ToUpperChar(char(0xFC))), 0xDC);
    EXPECT_EQ(uint8_t(StrUtil::ToUpperChar(char(0xDF))), 0xDF);
}

TEST(StrUtilTest, FormatInt64Grouping) {
    const struct {
        int64_t value;
        bool group;
        bool plus;
        const char* out;
    } rows[] = {
        {999, true, false, "999"},
        {1000, true, false, "1.000"},
        {1234567, true, false, "1.234.567"},
        {-1234, true, false, "-1.234"},
        {-123, true, false, "-123"},
        {0, false, true, "0"},
        {5, false, true, "+5"},
        {-5, false, true, "-5"},
        {123, true, true, "+123"},  // a plus sign is never followed by a separator either
        {1234, true, true, "+1.234"},
        {1234567, false, false, "1234567"},
        {INT64_MIN, true, false, "-9.223.372.036.854.775.808"},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(su.FormatInt64(row.value, row.group, row.plus), row.out) << row.value;
}

TEST(StrUtilTest, FormatThousandthsAndFormat) {
    EXPECT_STREQ(su.FormatThousandths(1690), "1.69");
    EXPECT_STREQ(su.FormatThousandths(1000), "1.0");
    EXPECT_STREQ(su.FormatThousandths(12000), "12.");
    EXPECT_STREQ(su.FormatThousandths(1234), "1.234");
    EXPECT_STREQ(su.Format("%s-%i", "a", 7), "a-7");
    const char* first = su.Format("x");
    su.Format("y");
    EXPECT_STREQ(first, "y");  // one shared result buffer
}

}  // namespace
