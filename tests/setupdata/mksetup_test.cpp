// mksetup_test.cpp -- the producing side: manifest and client tree in, setup data out; refusals
// that name the offending entry; the command line's outputs; the demo product as built.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "memsafe/s_mem.h"
#include "packer/s_packerCore.h"
#include "packer/s_packerUI.h"
#include "setup_data_crc.h"
#include "tests/setupdata/setupFixture.h"
#include "tools/mksetup/mk_inspect.h"
#include "tools/mksetup/mk_manifest.h"

namespace fs = std::filesystem;

namespace {

const char* const kManifest = R"(; fixture product
[setup]
title = Fixture Game 1.242
version = 1242
versionSub = 1
registerFlag = 1
defaultFolder = \Fixture Game
productName = Fixture Game
defaultGroup = Fixture Game
desktopLinkName = Fixture.lnk
desktopLinkTarget = Bin\updater.exe
client = client

[links.english]
link0 = Play.lnk
target0 = Bin\updater.exe
link1 = Settings.lnk
target1 = Bin\configure.sh
link2 = Information.lnk
target2 = readme.txt
link3 = Uninstall.lnk
target3 = uninstall.sh

[links.german]
link0 = Spielen.lnk
target0 = Bin\updater.exe
link1 = Einstellungen.lnk
target1 = Bin\configure.sh
link2 = Informationen.lnk
target2 = liesmich.txt
link3 = Deinstallieren.lnk
target3 = uninstall.sh

[terms]
english = terms_en.txt
german = terms_de.txt
)";

// A manifest with its terms and a small client tree in a temporary folder.
class ProductTree {
public:
    ProductTree() {
        WriteWholeFile(Path("product.ini"), kManifest);
        WriteWholeFile(Path("terms_en.txt"), "TERMS\r\n\r\nBe nice.\r\n");
        WriteWholeFile(Path("terms_de.txt"), "\xEF\xBB\xBFNUTZUNGSBEDINGUNGEN\n\nSeien Sie h\xC3\xB6"
                                             "flich.");
        for (const char* made : {"client/Bin", "client/Data/Maps", "client/Data/Sounds"})
            fs::create_directories(Path(made));
        AddClientFile("Bin/updater.exe", "#!/bin/sh\necho update\n");
        AddClientFile("Data/Maps/world.map", std::string(5000, '~') + "island");
        AddClientFile("Data/Sounds/sea.wav", std::string("RIFF\0\0\0\0WAVE", 12));
        AddClientFile("Data/a.bin", "\x01\x02\x03");
        AddClientFile("empty.txt", "");
        AddClientFile("readme.txt", "read me\n");
    }

    std::string Path(const std::string& name) const { return folder.File(name); }
    std::string Manifest() const { return Path("product.ini"); }

    void AddClientFile(const std::string& name, const std::string& content) {
        WriteWholeFile(Path("client/" + name), content);
    }

    // Replaces the first occurrence of `from` in the manifest.
    void EditManifest(const std::string& from, const std::string& to) {
        std::string text = ReadWholeFile(Manifest());
        const size_t at = text.find(from);
        ASSERT_NE(std::string::npos, at) << from;
        WriteWholeFile(Manifest(), text.replace(at, from.size(), to));
    }

private:
    TempFolder folder;
};

// Reads the manifest and writes the data; the error of whichever step refused.
bool BuildProduct(const ProductTree& tree, SetupProduct* product, std::vector<uint8_t>* data,
                  std::string* error) {
    std::vector<std::string> inputs;
    return LoadManifest(tree.Manifest(), product, &inputs, error) && WriteSetupData(*product, data, error);
}

struct CommandResult {
    int status = -1;
    std::string output; // stdout and stderr together
};

CommandResult RunMksetup(const std::string& arguments) {
    CommandResult result;
    FILE* pipe = popen((std::string(MKSETUP_PATH) + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
        result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    const std::string text = ReadWholeFile(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(MksetupTest, ListsTheClientTreeParentsFirstAndInNameOrder) {
    ProductTree tree;
    const struct timeval times[2] = {{1500000000, 0}, {1600000000, 0}};
    ASSERT_EQ(0, utimes(tree.Path("client/readme.txt").c_str(), times));
    SetupProduct product;
    std::vector<std::string> inputs;
    std::string error;
    ASSERT_TRUE(LoadManifest(tree.Manifest(), &product, &inputs, &error)) << error;

    EXPECT_EQ((std::vector<std::string>{"Bin", "Data", "Data\\Maps", "Data\\Sounds"}), product.folders);
    std::vector<std::string> names;
    for (const SetupSourceFile& file : product.files)
        names.push_back(file.name);
    EXPECT_EQ((std::vector<std::string>{"Bin\\updater.exe", "Data\\Maps\\world.map", "Data\\Sounds\\sea.wav",
                                        "Data\\a.bin", "empty.txt", "readme.txt"}),
              names);
    EXPECT_EQ(1500000000u, product.files.back().accessTime);
    EXPECT_EQ(1600000000u, product.files.back().modifyTime);

    EXPECT_EQ((std::vector<std::string>{"TERMS", "", "Be nice."}), product.terms[0]);
    EXPECT_EQ((std::vector<std::string>{"NUTZUNGSBEDINGUNGEN", "",
                                        "Seien Sie h\xC3\xB6"
                                        "flich."}),
              product.terms[1]);
    EXPECT_EQ(0u, product.header.betaFlag); // left out: 0
    EXPECT_EQ(1242u, product.header.version);
    EXPECT_EQ("liesmich.txt", product.links[1][5]);
    EXPECT_NE(std::find(inputs.begin(), inputs.end(), tree.Path("client/Data/Maps/world.map")), inputs.end());
    EXPECT_NE(std::find(inputs.begin(), inputs.end(), tree.Path("terms_de.txt")), inputs.end());
}

TEST(MksetupTest, EveryFileExpandsToItsSource) {
    ProductTree tree;
    SetupProduct product;
    std::vector<uint8_t> data;
    std::string error;
    ASSERT_TRUE(BuildProduct(tree, &product, &data, &error)) << error;

    LoadedData loaded(data);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(5000u + 6 + 12 + 3 + 0 + 8 + 22, gRessource.GetRequiredBytes());
    SetupCursor cursor(data.data(), static_cast<uint32_t>(data.size()), gRessource.GetFileListOffset());
    for (const SetupSourceFile& file : product.files) {
        SetupFileRecord record;
        ASSERT_TRUE(cursor.ReadFileRecord(&record));
        EXPECT_EQ(file.name, record.name);
        const std::string source = ReadWholeFile(file.sourcePath);
        ASSERT_EQ(source.size(), record.expandedSize) << file.name;
        if (source.empty()) {
            EXPECT_EQ(0u, record.packedSize);
            EXPECT_EQ(0u, record.expandedCrc);
            continue;
        }
        uint8_t* expanded = nullptr;
        ASSERT_TRUE(gPacker.Decompress(record.payload, record.packedSize, &expanded, record.expandedSize));
        EXPECT_EQ(source, std::string(reinterpret_cast<char*>(expanded), record.expandedSize)) << file.name;
        FREE_ARRAY_TRACKED(expanded);
    }
    EXPECT_EQ(data.size(), cursor.Offset());
}

TEST(MksetupTest, RefusalsNameTheOffendingEntry) {
    const struct {
        const char* name;
        std::function<void(ProductTree&)> spoil;
        std::vector<std::string> expected; // parts of the message
    } cases[] = {
        {"client name climbing out",
         [](ProductTree& t) { t.AddClientFile("..\\evil", "x"); },
         {"'..\\evil'", "contains '..'"}},
        {"client name with a backslash",
         [](ProductTree& t) { t.AddClientFile("Bin/a\\b", "x"); },
         {"'Bin\\a\\b'", "backslash"}},
        {"symbolic link in the client",
         [](ProductTree& t) { fs::create_symlink("/etc/passwd", t.Path("client/passwd")); },
         {"'passwd'", "neither a plain file nor a folder"}},
        {"client name outside Windows-1252",
         [](ProductTree& t) { t.AddClientFile("\xE5\xA4\xA9.txt", "x"); },
         {"\xE5\xA4\xA9.txt", "U+5929 cannot be stored in Windows-1252"}},
        {"title outside Windows-1252",
         [](ProductTree& t) { t.EditManifest("title = Fixture", "title = \xE5\xA4\xA9 Fixture"); },
         {"[setup] title", "U+5929"}},
        {"absolute link target",
         [](ProductTree& t) {
             t.EditManifest("desktopLinkTarget = Bin\\updater.exe", "desktopLinkTarget = /etc/passwd");
         },
         {"[setup] desktopLinkTarget", "absolute"}},
        {"link target climbing out",
         [](ProductTree& t) { t.EditManifest("target2 = liesmich.txt", "target2 = ..\\..\\secret.txt"); },
         {"[links.german] target2", "contains '..'"}},
        {"link name without .lnk",
         [](ProductTree& t) { t.EditManifest("link1 = Settings.lnk", "link1 = Settings"); },
         {"[links.english] link1", ".lnk"}},
        {"default folder without backslash",
         [](ProductTree& t) { t.EditManifest("defaultFolder = \\Fixture", "defaultFolder = Fixture"); },
         {"[setup] defaultFolder", "backslash"}},
        {"missing terms file",
         [](ProductTree& t) { fs::remove(t.Path("terms_de.txt")); },
         {"[terms] german", "missing terms file"}},
        {"terms line too long for the installer",
         [](ProductTree& t) { WriteWholeFile(t.Path("terms_en.txt"), std::string(1024, 'x')); },
         {"terms_en.txt:1", "at most 1023"}},
        {"file of 2 GiB",
         [](ProductTree& t) {
             WriteWholeFile(t.Path("client/huge.dat"), "");
             fs::resize_file(t.Path("client/huge.dat"), uintmax_t(1) << 31);
         },
         {"'huge.dat'", "smaller than 2 GiB"}},
        {"missing field",
         [](ProductTree& t) { t.EditManifest("productName = Fixture Game\n", ""); },
         {"[setup] productName", "missing"}},
        {"misspelt field",
         [](ProductTree& t) { t.EditManifest("versionSub", "versoinSub"); },
         {"[setup] versoinSub", "unknown entry"}},
        {"word that is no number",
         [](ProductTree& t) { t.EditManifest("version = 1242", "version = 12a"); },
         {"[setup] version", "not a number"}},
    };
    for (const auto& c : cases) {
        ProductTree tree;
        c.spoil(tree);
        SetupProduct product;
        std::vector<uint8_t> data;
        std::string error;
        EXPECT_FALSE(BuildProduct(tree, &product, &data, &error)) << c.name;
        EXPECT_TRUE(data.empty()) << c.name;
        for (const std::string& part : c.expected)
            EXPECT_NE(std::string::npos, error.find(part)) << c.name << ": " << error;
    }
}

TEST(MksetupCommandTest, BuildsDataWithItsCrcHeader) {
    ProductTree tree;
    const std::string bin = tree.Path("setup.bin");
    const CommandResult built = RunMksetup(Quoted(tree.Manifest()) + " -o " + Quoted(bin) + " --crc-header " +
                                           Quoted(tree.Path("crc.h")));
    ASSERT_EQ(0, built.status) << built.output;

    const std::vector<uint8_t> data = ReadBytes(bin);
    char crc[16];
    std::snprintf(crc, sizeof(crc), "0x%08" PRIX32 "u", CrcOf(data));
    EXPECT_NE(std::string::npos, built.output.find(std::string(crc, 10))) << built.output;
    const std::string header = ReadWholeFile(tree.Path("crc.h"));
    EXPECT_NE(std::string::npos, header.find("kSetupDataCrc = " + std::string(crc))) << header;
    EXPECT_NE(std::string::npos, header.find("kSetupDataSize = " + std::to_string(data.size()) + "u"))
        << header;
    EXPECT_FALSE(PathExists(bin + ".tmp"));

    const CommandResult listed = RunMksetup("--list " + Quoted(bin));
    EXPECT_EQ(0, listed.status);
    for (const char* part : {"Fixture Game 1.242", "version 1242", "Spielen.lnk -> Bin\\updater.exe",
                             "terms (German): 3 lines", "folders: 4", "Data\\Maps\\world.map", "empty.txt"})
        EXPECT_NE(std::string::npos, listed.output.find(part)) << part << "\n" << listed.output;

    const CommandResult verified = RunMksetup("--verify " + Quoted(bin));
    EXPECT_EQ(0, verified.status) << verified.output;
    EXPECT_NE(std::string::npos, verified.output.find("verified 6 files"));
}

TEST(MksetupCommandTest, StampRebuildsOnlyWhenAnInputChanged) {
    ProductTree tree;
    const std::string arguments = Quoted(tree.Manifest()) + " -o " + Quoted(tree.Path("setup.bin")) +
                                  " --crc-header " + Quoted(tree.Path("crc.h")) + " --stamp " +
                                  Quoted(tree.Path("setup.stamp"));
    const auto rebuilds = [&] {
        const CommandResult run = RunMksetup(arguments);
        EXPECT_EQ(0, run.status) << run.output;
        return run.output.find("up to date") == std::string::npos;
    };
    EXPECT_TRUE(rebuilds());
    EXPECT_FALSE(rebuilds());

    tree.AddClientFile("Data/new.txt", "new");
    EXPECT_TRUE(rebuilds());
    EXPECT_NE(std::string::npos,
              RunMksetup("--verify " + Quoted(tree.Path("setup.bin"))).output.find("verified 7 files"));
    fs::remove(tree.Path("client/Data/new.txt"));
    EXPECT_TRUE(rebuilds());
    EXPECT_FALSE(rebuilds());

    const struct timeval later[2] = {{1700000000, 0}, {1700000000, 0}};
    ASSERT_EQ(0, utimes(tree.Path("terms_de.txt").c_str(), later));
    EXPECT_TRUE(rebuilds());
    fs::remove(tree.Path("crc.h"));
    EXPECT_TRUE(rebuilds());
    EXPECT_TRUE(PathExists(tree.Path("crc.h")));
}

TEST(MksetupCommandTest, VerifyNamesTheDamagedFile) {
    ProductTree tree;
    SetupProduct product;
    std::vector<uint8_t> data;
    std::string error;
    ASSERT_TRUE(BuildProduct(tree, &product, &data, &error)) << error;
    // Damage the payload of the map, the second record.
    LoadedData loaded(data);
    SetupCursor cursor(data.data(), static_cast<uint32_t>(data.size()), gRessource.GetFileListOffset());
    SetupFileRecord record;
    ASSERT_TRUE(cursor.ReadFileRecord(&record) && cursor.ReadFileRecord(&record));
    ASSERT_STREQ("Data\\Maps\\world.map", record.name);
    data[static_cast<size_t>(record.payload - data.data()) + record.packedSize / 2] ^= 0x10;
    const std::string bin = tree.Path("damaged.bin");
    WriteWholeFile(bin, std::string(data.begin(), data.end()));

    const CommandResult verified = RunMksetup("--verify " + Quoted(bin));
    EXPECT_EQ(1, verified.status);
    EXPECT_NE(std::string::npos, verified.output.find("DAMAGED Data\\Maps\\world.map")) << verified.output;
    EXPECT_EQ(std::string::npos, verified.output.find("DAMAGED Bin")) << verified.output;

    WriteWholeFile(bin, std::string(data.begin(), data.end() - 1));
    const CommandResult truncated = RunMksetup("--verify " + Quoted(bin));
    EXPECT_EQ(1, truncated.status);
    EXPECT_NE(std::string::npos, truncated.output.find("truncated")) << truncated.output;
}

TEST(MksetupCommandTest, RefusesAClientNameThatClimbsOutAndWritesNothing) {
    ProductTree tree;
    tree.AddClientFile("..\\evil", "x");
    const std::string bin = tree.Path("setup.bin");
    const CommandResult built = RunMksetup(Quoted(tree.Manifest()) + " -o " + Quoted(bin));
    EXPECT_EQ(1, built.status);
    EXPECT_NE(std::string::npos, built.output.find("'..\\evil'")) << built.output;
    EXPECT_FALSE(PathExists(bin));
    EXPECT_EQ(2, RunMksetup("--bogus").status);
}

TEST(DemoProductTest, EmbeddedDataVerifiesAndMatchesTheCompiledCrc) {
    const CommandResult verified = RunMksetup(std::string("--verify ") + Quoted(DEMO_SETUP_DATA));
    EXPECT_EQ(0, verified.status) << verified.output;

    const std::vector<uint8_t> data = ReadBytes(DEMO_SETUP_DATA);
    EXPECT_EQ(kSetupDataSize, data.size());
    EXPECT_EQ(kSetupDataCrc, CrcOf(data));
    EXPECT_LT(data.size(), 1u << 20);

    LoadedData loaded(data, kSetupDataCrc);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_STREQ("Bin\\updater.exe", gRessource.GetString(5));
    EXPECT_GT(gRessource.GetTermsLineCount(), 10u);
    EXPECT_GT(gRessource.GetFileCount(), 5u);
}

} // namespace
