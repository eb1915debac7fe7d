// setupRessource_test.cpp -- SetupRessource::Load over data built by mksetup's writer: layout,
// indexing, limits, and refusal of damaged data without a read past its end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/u_setupLanguage.h"
#include "main/u_setupRessource.h"
#include "tests/setupdata/setupFixture.h"

namespace {

uint32_t WordAt(const std::vector<uint8_t>& data, size_t offset) {
    return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 | uint32_t(data[offset + 2]) << 16 |
           uint32_t(data[offset + 3]) << 24;
}

void PutWord(std::vector<uint8_t>& data, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        data[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Switches the wizard language for one test.
class LanguageScope {
public:
    explicit LanguageScope(uint32_t index) {
        language.SetLanguage(index);
        gLanguage = &language;
    }
    ~LanguageScope() { gLanguage = nullptr; }

private:
    SetupLanguage language{};
};

FixtureProduct ProductWithFiles() {
    FixtureProduct fixture;
    fixture.product.header = {1, 0, 1, 1242, 1, 1239, 1};
    fixture.product.folders = {"Bin", "Data", "Data\\Maps"};
    fixture.AddFile("Bin\\updater.exe", "#!/bin/sh\necho update\n");
    fixture.AddFile("Data\\Maps\\world.map", std::string(70000, 'w') + "end");
    fixture.AddFile("empty.txt", "");
    fixture.AddFile("readme.txt", "Gr\xC3\xBC\xC3\x9F"
                                  "e\n");
    return fixture;
}

TEST(SetupRessourceTest, IndexesEverySection) {
    RegistryScope registry; // previousVersion 1239: update mode looks up the earlier installation
    FixtureProduct fixture = ProductWithFiles();
    fixture.product.terms[1] = {"de 1", "", "de 3"};
    LoadedData loaded(fixture.Build());
    ASSERT_TRUE(loaded.loaded);
    EXPECT_TRUE(loaded.errors.empty());

    const SetupHeaderWords& header = gRessource.GetHeader();
    EXPECT_EQ(1u, header.betaFlag);
    EXPECT_EQ(0u, header.testFlag);
    EXPECT_EQ(1u, header.registerFlag);
    EXPECT_EQ(1242u, header.version);
    EXPECT_EQ(1u, header.versionSub);
    EXPECT_EQ(1239u, header.previousVersion);
    EXPECT_EQ(1u, header.previousVersionSub);
    EXPECT_TRUE(gRessource.IsBeta());
    EXPECT_EQ(1239u, gRessource.GetPreviousVersion());
    EXPECT_FALSE(gRessource.IsInstalled());

    EXPECT_STREQ("Fixture Game 1.242", gRessource.GetString(0));
    EXPECT_STREQ("Fixture Game", gRessource.GetString(2));
    EXPECT_STREQ("Fixture.lnk", gRessource.GetString(4));
    EXPECT_STREQ("Bin\\updater.exe", gRessource.GetString(5));

    EXPECT_STREQ("en link 0", gRessource.GetLinkString(0));
    EXPECT_STREQ("en link 7", gRessource.GetLinkString(7));
    EXPECT_EQ(2u, gRessource.GetTermsLineCount());
    EXPECT_STREQ("en terms 2", gRessource.GetTermsLine(1));
    EXPECT_STREQ("=N/A=", gRessource.GetTermsLine(2));
    {
        LanguageScope german(kLanguageGerman);
        EXPECT_STREQ("de link 0", gRessource.GetLinkString(0));
        EXPECT_STREQ("de link 5", gRessource.GetLinkString(5));
        EXPECT_EQ(3u, gRessource.GetTermsLineCount());
        EXPECT_STREQ("de 1", gRessource.GetTermsLine(0));
        EXPECT_STREQ("", gRessource.GetTermsLine(1));
        EXPECT_STREQ("de 3", gRessource.GetTermsLine(2));
        EXPECT_STREQ("=N/A=", gRessource.GetTermsLine(3));
    }

    ASSERT_EQ(3u, gRessource.GetFolderCount());
    EXPECT_STREQ("Bin", gRessource.GetFolder(0));
    EXPECT_STREQ("Data\\Maps", gRessource.GetFolder(2));
    EXPECT_STREQ("=N/A=", gRessource.GetFolder(3));

    EXPECT_EQ(4u, gRessource.GetFileCount());
    EXPECT_EQ(22u + 70003u + 0u + 8u, gRessource.GetRequiredBytes());
    // The file list starts right after its count: the first record is the updater.
    SetupCursor cursor(gRessource.GetData(), gRessource.GetSize(), gRessource.GetFileListOffset());
    SetupFileRecord record;
    ASSERT_TRUE(cursor.ReadFileRecord(&record));
    EXPECT_STREQ("Bin\\updater.exe", record.name);
}

TEST(SetupRessourceTest, ConvertsWindows1252ToUtf8) {
    FixtureProduct fixture;
    fixture.product.title = "Sch\xC3\xB6"
                            "ne \xE2\x82\xAC"
                            "-Welt"; // Schöne €-Welt
    std::vector<uint8_t> data = fixture.Build();
    EXPECT_EQ(std::string("Sch\xF6ne \x80-Welt", 13), std::string(data.begin(), data.begin() + 13));
    LoadedData loaded(data);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_STREQ("Sch\xC3\xB6ne \xE2\x82\xAC-Welt", gRessource.GetString(0));
}

TEST(SetupRessourceTest, HeaderWordsFollowTheTitleWithoutAlignment) {
    FixtureProduct fixture;
    fixture.product.title = "Twenty-three characters";
    ASSERT_EQ(23u, fixture.product.title.size());
    fixture.product.header = {11, 12, 13, 14, 15, 0, 17}; // previousVersion 0 keeps the default folder
    const std::vector<uint8_t> data = fixture.Build();
    for (uint32_t i : {0u, 1u, 2u, 3u, 4u, 6u})
        EXPECT_EQ(11 + i, WordAt(data, 24 + 4 * i)) << "word " << i;
    EXPECT_EQ(0u, WordAt(data, 44));
    EXPECT_EQ("\\Fixture Game", std::string(reinterpret_cast<const char*>(&data[52])));

    LoadedData loaded(data);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(17u, gRessource.GetHeader().previousVersionSub);
    EXPECT_STREQ("\\Fixture Game", gRessource.GetString(1));
}

TEST(SetupRessourceTest, LongStringIsCutInTheListButSteppedOverWhole) {
    FixtureProduct fixture;
    fixture.product.terms[0] = {std::string(1500, 'x'), "after the long line"};
    fixture.product.folders = {"Only"};
    LoadedData loaded(fixture.Build());
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(std::string(1023, 'x'), gRessource.GetTermsLine(0));
    EXPECT_STREQ("after the long line", gRessource.GetTermsLine(1));
    EXPECT_STREQ("Only", gRessource.GetFolder(0));
}

TEST(SetupRessourceTest, LongGermanTextIsCutAtACharacterBoundary) {
    FixtureProduct fixture;
    fixture.product.terms[0] = {std::string(1022, 'a') + "\xC3\xBC"
                                                         "b"}; // ü would straddle byte 1023
    LoadedData loaded(fixture.Build());
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(std::string(1022, 'a'), gRessource.GetTermsLine(0));
}

TEST(SetupRessourceTest, EmptySectionsAreValid) {
    FixtureProduct fixture;
    fixture.product.terms[0].clear();
    LoadedData loaded(fixture.Build());
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(0u, gRessource.GetFolderCount());
    EXPECT_EQ(0u, gRessource.GetFileCount());
    EXPECT_EQ(0u, gRessource.GetRequiredBytes());
    EXPECT_EQ(0u, gRessource.GetTermsLineCount());
    for (uint32_t index : {0u, 1u, 0xFFFFFFFFu})
        EXPECT_STREQ("=N/A=", gRessource.GetTermsLine(index));
    LanguageScope german(kLanguageGerman);
    EXPECT_EQ(2u, gRessource.GetTermsLineCount());
    EXPECT_STREQ("de terms 1", gRessource.GetTermsLine(0));
}

TEST(SetupRessourceTest, BytesAfterTheLastRecordAreAccepted) {
    std::vector<uint8_t> data = ProductWithFiles().Build();
    data.insert(data.end(), {'t', 'a', 'i', 'l'});
    LoadedData loaded(data);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(4u, gRessource.GetFileCount());
}

TEST(SetupRessourceTest, ReleaseForgetsTheStrings) {
    LoadedData loaded(FixtureProduct().Build());
    ASSERT_TRUE(loaded.loaded);
    const int32_t deletesBefore = gMem.DelCalls();
    gRessource.Release();
    EXPECT_GT(gMem.DelCalls(), deletesBefore);
    EXPECT_STREQ("=N/A=", gRessource.GetString(0));
    gRessource.Release(); // a second release does nothing
}

// ---- Damaged data ---------------------------------------------------------------------------

TEST(SetupRessourceDamageTest, AnyChangedByteFailsTheChecksum) {
    FixtureProduct fixture;
    fixture.product.terms[0] = {"t"};
    fixture.product.terms[1].clear();
    fixture.AddFile("a.txt", "abcabcabc");
    const std::vector<uint8_t> data = fixture.Build();
    const uint32_t expected = CrcOf(data);
    for (size_t i = 0; i < data.size(); ++i) {
        std::vector<uint8_t> damaged = data;
        damaged[i] ^= 0x01;
        LoadedData loaded(damaged, expected);
        EXPECT_FALSE(loaded.loaded) << "byte " << i;
        EXPECT_EQ(CorruptedError(-1), loaded.errors) << "byte " << i;
        EXPECT_EQ(1u, loaded.boxCount);
    }
}

TEST(SetupRessourceDamageTest, EveryTruncationIsRefusedAsTooShort) {
    FixtureProduct fixture = ProductWithFiles();
    const std::vector<uint8_t> data = fixture.Build();
    // Cut before each byte: strings lose their NUL, words and payloads their last bytes.
    for (size_t length = 1; length < data.size(); ++length) {
        const std::vector<uint8_t> cut(data.begin(), data.begin() + length);
        LoadedData loaded(cut);
        EXPECT_FALSE(loaded.loaded) << "length " << length;
        EXPECT_EQ(CorruptedError(-2), loaded.errors) << "length " << length;
    }
}

TEST(SetupRessourceDamageTest, LastStringWithoutNulIsTooShort) {
    FixtureProduct fixture;
    fixture.product.folders = {"Last"};
    std::vector<uint8_t> data = fixture.Build();
    data.resize(data.size() - 5); // the file count and the folder's NUL
    ASSERT_EQ('t', data.back());
    LoadedData loaded(data);
    EXPECT_FALSE(loaded.loaded);
    EXPECT_EQ(CorruptedError(-2), loaded.errors);
}

TEST(SetupRessourceDamageTest, PackedSizeThatWouldWrapIsTooShort) {
    FixtureProduct fixture;
    fixture.AddFile("a.txt", "payload");
    std::vector<uint8_t> data = fixture.Build();
    // Find the record: it is the last thing in the data.
    struct Finder : SetupDataVisitor {
        void BeginSection(SetupSection, uint32_t, uint32_t, uint32_t) override {}
        void OnString(const char*) override {}
        void OnHeaderWords(const SetupHeaderWords&) override {}
        void OnFile(const SetupFileRecord& found) override { record = found; }
        SetupFileRecord record{};
    } finder;
    ASSERT_TRUE(WalkSetupData(data.data(), static_cast<uint32_t>(data.size()), finder));
    const size_t payloadOffset = static_cast<size_t>(finder.record.payload - data.data());
    const size_t packedSizeOffset = payloadOffset - 8;
    ASSERT_EQ(finder.record.packedSize, WordAt(data, packedSizeOffset));
    // payloadOffset + packedSize lands on 1 after wrapping: inside the data for a careless check.
    PutWord(data, packedSizeOffset, static_cast<uint32_t>(0x100000001ull - payloadOffset));
    LoadedData loaded(data);
    EXPECT_FALSE(loaded.loaded);
    EXPECT_EQ(CorruptedError(-2), loaded.errors);
}

TEST(SetupRessourceDamageTest, EmptyResourceIsRefusedWithTheSystemCode) {
    LoadedData loaded(std::vector<uint8_t>{});
    EXPECT_FALSE(loaded.loaded);
    EXPECT_EQ(CorruptedError(1812), loaded.errors);
}

TEST(SetupRessourceDamageTest, FailedLoadLeavesNothingToInstallFrom) {
    LoadedData good(ProductWithFiles().Build());
    ASSERT_TRUE(good.loaded);
    std::vector<uint8_t> data = ProductWithFiles().Build();
    LoadedData bad(data, CrcOf(data) ^ 1);
    EXPECT_FALSE(bad.loaded);
    EXPECT_EQ(nullptr, gRessource.GetData());
    EXPECT_EQ(0u, gRessource.GetSize());
    EXPECT_EQ(0u, gRessource.GetFileCount());
    EXPECT_EQ(0u, gRessource.GetRequiredBytes());
    EXPECT_STREQ("=N/A=", gRessource.GetString(0));
}

} // namespace
