// file_test.cpp -- FileUtil edge cases: folder chains, listings, partial reads, empty writes.
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "common/s_file.h"
#include "dynList/s_stringList.h"
#include "memsafe/s_mem.h"
#include "tests/support/testSupport.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(StringList& list) {
    std::vector<std::string> names;
    for (auto* node = list.First(); node; node = StringList::Next(node))
        names.push_back(node->element.text);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileUtilTest, CreateSingleFolder) {
    TempFolder folder;
    std::string made = folder.File("new");
    EXPECT_TRUE(gFileUtil.CreateFolder(made.c_str(), false));
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_TRUE(gFileUtil.CreateFolder(made.c_str(), false));  // exists already
    EXPECT_FALSE(gFileUtil.CreateFolder(folder.File("missing/child").c_str(), false));
    EXPECT_FALSE(gFileUtil.CreateFolder("", false));
    EXPECT_FALSE(gFileUtil.CreateFolder("", true));

    WriteWholeFile(folder.File("plain"), "x");
    EXPECT_FALSE(gFileUtil.CreateFolder(folder.File("plain").c_str(), false));  // a file is in the way
}

TEST(FileUtilTest, CreateFolderChainWithBothSeparators) {
    TempFolder folder;
    std::string chain = folder.Path() + "\\A/B\\C\\";
    EXPECT_TRUE(gFileUtil.CreateFolder(chain.c_str(), true));
    EXPECT_TRUE(fs::is_directory(folder.File("A/B/C")));
    EXPECT_TRUE(gFileUtil.CreateFolder((folder.Path() + "/A/B").c_str(), true));  // part exists already
    EXPECT_TRUE(gFileUtil.CreateFolder((folder.Path() + "//A//D").c_str(), true));
    EXPECT_TRUE(fs::is_directory(folder.File("A/D")));
}

TEST(FileUtilTest, CreateFolderChainSeparatorLimit) {
    TempFolder folder;
    // The temporary folder's own path brings its separators; pad the chain to 31 and 32 in all.
    auto chainWith = [&](int separators, const char* component) {
        std::string path = folder.Path();
        int used = int(std::count(path.begin(), path.end(), '/'));
        for (int i = used; i < separators; ++i)
            path += std::string("/") + component;
        return path;
    };
    std::string accepted = chainWith(31, "a");
    EXPECT_TRUE(gFileUtil.CreateFolder(accepted.c_str(), true));
    EXPECT_TRUE(fs::is_directory(accepted));

    std::string refused = chainWith(32, "b");
    EXPECT_FALSE(gFileUtil.CreateFolder(refused.c_str(), true));
    EXPECT_FALSE(fs::exists(folder.File("b")));  // nothing created
}

// A path below a regular file cannot be created, even by root.
TEST(FileUtilTest, CreateFolderBelowFileFails) {
    TempFolder folder;
    WriteWholeFile(folder.File("file"), "x");
    EXPECT_FALSE(gFileUtil.CreateFolder(folder.File("file/sub").c_str(), false));
    EXPECT_FALSE(gFileUtil.CreateFolder(folder.File("file/sub/deeper").c_str(), true));
}

TEST(FileUtilTest, CreateFolderInUnwritableParentFails) {
    TempFolder folder;
    fs::create_directory(folder.File("locked"));
    fs::permissions(folder.Path(), fs::perms::all);
    fs::permissions(folder.File("locked"), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                               fs::perms::group_exec | fs::perms::others_read |
                                               fs::perms::others_exec);
    std::string target = folder.File("locked/new");
    EXPECT_EQ(RunAsNobody([&] { return gFileUtil.CreateFolder(target.c_str(), true) ? 0 : 1; }), 1);
    EXPECT_FALSE(fs::exists(target));
}

TEST(FileUtilTest, ListFolderSeparatesFilesAndFolders) {
    TempFolder folder;
    WriteWholeFile(folder.File("normal.txt"), "x");
    WriteWholeFile(folder.File("readonly.txt"), "x");
    fs::permissions(folder.File("readonly.txt"), fs::perms::owner_read);
    fs::create_directory(folder.File("sub"));
    fs::create_symlink(folder.File("nowhere"), folder.File("dangling"));

    StringList list;
    list.Add("stale");
    gFileUtil.ListFolder(list, folder.Path().c_str(), "*.*", true, false);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"normal.txt", "readonly.txt"}));
    gFileUtil.ListFolder(list, folder.Path().c_str(), "*.*", false, true);
    EXPECT_EQ(Names(list), std::vector<std::string>{"sub"});
    gFileUtil.ListFolder(list, folder.Path().c_str(), "*.txt", true, true);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"normal.txt", "readonly.txt"}));
    gFileUtil.ListFolder(list, folder.File("missing").c_str(), "*.*", true, true);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(FileUtilTest, ReadsWritesAndSizes) {
    TempFolder folder;
    std::string path = folder.File("data.bin");
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    EXPECT_TRUE(gFileUtil.WriteFile(path.c_str(), "wb", bytes, 5));
    int32_t size = -1;
    EXPECT_TRUE(gFileUtil.GetFileSize(path.c_str(), &size));
    EXPECT_EQ(size, 5);

    uint8_t part[3] = {};
    EXPECT_TRUE(gFileUtil.ReadFileAt(path.c_str(), 2, part, 3));
    EXPECT_EQ(part[0], 3);
    EXPECT_EQ(part[2], 5);
    EXPECT_FALSE(gFileUtil.ReadFileAt(path.c_str(), 3, part, 3));  // past the end
    EXPECT_FALSE(gFileUtil.ReadFileAt(path.c_str(), 0, part, 0));
    EXPECT_FALSE(gFileUtil.ReadFileAt(path.c_str(), 0, nullptr, 3));

    int32_t arraysBefore = gMem.NewArrCalls();
    int32_t freesBefore = gMem.DelArrCalls();
    uint8_t* whole = nullptr;
    EXPECT_FALSE(gFileUtil.ReadFileAlloc(path.c_str(), 1, &whole, 5));  // short read frees its buffer
    EXPECT_EQ(whole, nullptr);
    EXPECT_TRUE(gFileUtil.ReadFileAlloc(path.c_str(), 0, &whole, 5));
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole[4], 5);
    FREE_ARRAY_TRACKED(whole);
    EXPECT_EQ(gMem.NewArrCalls() - arraysBefore, 2);
    EXPECT_EQ(gMem.DelArrCalls() - freesBefore, 2);

    EXPECT_TRUE(gFileUtil.WriteFile(path.c_str(), "wb", nullptr, 0));  // size 0 truncates
    EXPECT_TRUE(gFileUtil.GetFileSize(path.c_str(), &size));
    EXPECT_EQ(size, 0);
    EXPECT_FALSE(gFileUtil.WriteFile(folder.File("missing/x").c_str(), "wb", bytes, 5));
    EXPECT_FALSE(gFileUtil.GetFileSize(folder.File("missing.bin").c_str(), &size));
    EXPECT_TRUE(gFileUtil.FileExists(path.c_str()));
    EXPECT_FALSE(gFileUtil.FileExists(folder.Path().c_str()));  // a folder is no file
    EXPECT_FALSE(gFileUtil.FileExists(folder.File("missing.bin").c_str()));
}

TEST(FileUtilTest, FileTimesRoundTrip) {
    TempFolder folder;
    std::string path = folder.File("timed");
    WriteWholeFile(path, "x");
    EXPECT_TRUE(gFileUtil.SetFileTimes(path.c_str(), 1000000000u, 1200000000u));
    uint32_t access = 0, modify = 0;
    EXPECT_TRUE(gFileUtil.GetFileTimes(path.c_str(), &access, &modify));
    EXPECT_EQ(access, 1000000000u);
    EXPECT_EQ(modify, 1200000000u);
    EXPECT_FALSE(gFileUtil.GetFileTimes(folder.File("missing").c_str(), &access, &modify));
    EXPECT_EQ(modify, 1200000000u);  // untouched on failure
}

}  // namespace
