// install_test.cpp -- SetupRessource::Install end to end: files, times, modes, config.ini, links,
// menu, registry, the progress sequence, updates, the four scope rules and every failure path.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "common/s_file.h"
#include "main/u_setupLanguage.h"
#include "main/u_setupRessource.h"
#include "options/s_options.h"
#include "platform/s_platform.h"
#include "setup_data_crc.h"
#include "tests/install/installPlace.h"
#include "tests/setupdata/setupFixture.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> DemoData() {
    const std::string bytes = ReadWholeFile(DEMO_SETUP_DATA);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

struct InstallRun {
    bool result;
    std::vector<std::string> errors;
    std::vector<std::string> boxes;
};

InstallRun Install(const std::string& folder, int32_t allUsers, const char* group, bool desktopIcon,
                   InstallProgress* progress = nullptr) {
    ScriptedMessageBoxes boxes;
    ErrorLog log;
    EXPECT_TRUE(gFileUtil.CreateFolder(folder.c_str(), true));
    gRessource.SetProgress(progress);
    const bool result = gRessource.Install(folder.c_str(), allUsers, group, desktopIcon);
    gRessource.SetProgress(nullptr);
    EXPECT_EQ(result, gRessource.IsInstalled());
    return {result, log.Errors(), boxes.shown};
}

// A value of the store with its stored length, which must be the text's length.
std::string StoredValue(Platform::RegistryRoot root, const std::string& key, const char* name) {
    char buffer[kNameSize] = {};
    uint32_t length = sizeof(buffer);
    if (!Platform::RegQueryValue(root, key.c_str(), name, buffer, &length))
        return "(missing)";
    std::string value(buffer, length);
    EXPECT_EQ(value.find('\0'), std::string::npos) << name << " is stored with its terminator";
    return value;
}

std::string RecordKey(const std::string& product) {
    return "Software\\" + product;
}
std::string UninstallEntry(const std::string& product) {
    return std::string(kUninstallKey) + "\\" + product;
}

void ExpectValidEntry(const std::string& file) {
    ASSERT_TRUE(PathExists(file)) << file;
    CommandResult validation = RunCommand("desktop-file-validate " + ShellQuoted(file));
    EXPECT_EQ(0, validation.status) << validation.output;
    EXPECT_EQ("", validation.output);
}

// A link to an executable target: started in the installation folder, without arguments.
void ExpectProgramLink(const std::string& file, const std::string& target, const std::string& folder) {
    ExpectValidEntry(file);
    const std::string entry = ReadWholeFile(file);
    EXPECT_NE(entry.find("Type=Application\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nExec=\"" + target + "\"\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nPath=" + folder + "\n"), std::string::npos) << entry;
}

void ExpectDocumentLink(const std::string& file, const std::string& url) {
    ExpectValidEntry(file);
    EXPECT_NE(ReadWholeFile(file).find("\nURL=file://" + url + "\n"), std::string::npos)
        << ReadWholeFile(file);
}

bool StartsLikeProgram(const std::string& content) {
    return content.compare(0, 2, "#!") == 0 || content.compare(0, 4,
                                                               "\x7f"
                                                               "ELF") == 0;
}

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// The fresh English config.ini with the installation folder as the personal folder.
std::string FreshConfig(const std::string& folder) {
    std::string text = ReadWholeFile(OPTIONS_FIXTURE_DIR "/fresh_english.ini");
    const std::string line = "personal_folder=C:\\Games\\Client\\";
    text.replace(text.find(line), line.size(), "personal_folder=" + folder);
    return text;
}

// Every value of a config.ini, in file order.
std::vector<std::string> ConfigLines(const std::string& path) {
    return CrLfLines(path);
}

class InstallTest : public ::testing::Test {
protected:
    void TearDown() override { gLanguage = nullptr; }

    InstallPlace place;
    SetupLanguage language{};
};

// ---- The demo product ----------------------------------------------------------------------

TEST_F(InstallTest, DemoProductInstallsEveryFileFolderLinkAndValue) {
    LoadedData loaded(DemoData(), kSetupDataCrc);
    ASSERT_TRUE(loaded.loaded);
    const std::string folder = place.Folder();
    RecordingProgress progress;
    const InstallRun run = Install(folder, 0, "Skyreach Online", true, &progress);
    ASSERT_TRUE(run.result) << (run.errors.empty() ? "" : run.errors[0]);
    EXPECT_TRUE(run.boxes.empty());

    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(DEMO_CLIENT_DIR)) {
        const std::string source = entry.path().string();
        const std::string installed = folder + fs::relative(entry.path(), DEMO_CLIENT_DIR).string();
        if (entry.is_directory()) {
            EXPECT_TRUE(fs::is_directory(installed)) << installed;
            continue;
        }
        ++files;
        const std::string content = ReadWholeFile(source);
        EXPECT_EQ(ReadWholeFile(installed), content) << installed;
        EXPECT_EQ(FileSize(installed), FileSize(source)) << installed;
        struct stat was {
        }, now{};
        stat(source.c_str(), &was);
        stat(installed.c_str(), &now);
        EXPECT_EQ(now.st_mtime, was.st_mtime) << installed;
        EXPECT_EQ(ModeOf(installed), StartsLikeProgram(content) ? 0755u : 0644u) << installed;
    }
    EXPECT_EQ(files, gRessource.GetFileCount());
    EXPECT_TRUE(fs::is_directory(folder + "Logs"));
    EXPECT_EQ(ReadWholeFile(folder + "config.ini"), FreshConfig(folder));

    ExpectProgramLink(place.Desktop() + "/Skyreach Online.desktop", folder + "Bin/updater.exe", folder);
    const std::string group = place.UserPrograms() + "/Skyreach Online/";
    ExpectProgramLink(group + "Skyreach Online.desktop", folder + "Bin/updater.exe", folder);
    ExpectProgramLink(group + "Configuration.desktop", folder + "Bin/configure.sh", folder);
    ExpectDocumentLink(group + "Important Information.desktop", folder + "readme_en.txt");
    ExpectProgramLink(group + "Uninstall.desktop", folder + "uninstall.sh", folder);

    ExpectValidEntry(place.UserDirectories() + "/Skyreach Online.directory");
    const std::string menu = ReadWholeFile(place.UserMenus() + "/setup-Skyreach Online.menu");
    for (const char* id :
         {"Skyreach Online-Skyreach Online.desktop", "Skyreach Online-Configuration.desktop",
          "Skyreach Online-Important Information.desktop", "Skyreach Online-Uninstall.desktop"})
        EXPECT_NE(menu.find(std::string("<Filename>") + id + "</Filename>"), std::string::npos) << menu;
    EXPECT_NE(menu.find("<Name>Skyreach Online</Name>"), std::string::npos) << menu;
    EXPECT_NE(menu.find("<AppDir>" + place.UserPrograms() + "</AppDir>"), std::string::npos) << menu;

    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, RecordKey("Skyreach Online"), "InstallDir"), folder);
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, RecordKey("Skyreach Online"), "StartMenuGroup"),
              "Skyreach Online");
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, UninstallEntry("Skyreach Online"), "DisplayName"),
              "Skyreach Online");
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, UninstallEntry("Skyreach Online"), "UninstallString"),
              folder + "uninstall.sh");
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_LOCAL_MACHINE, RecordKey("Skyreach Online").c_str()));

    // One report per folder at 0 bytes, one per file with the bytes before it, then the links.
    std::vector<ProgressStep> expected;
    const uint64_t total = gRessource.GetRequiredBytes();
    for (uint32_t i = 0; i < gRessource.GetFolderCount(); ++i)
        expected.push_back({0, total, 36, gRessource.GetFolder(i)});
    SetupCursor cursor(gRessource.GetData(), gRessource.GetSize(), gRessource.GetFileListOffset());
    uint64_t before = 0;
    for (uint32_t i = 0; i < gRessource.GetFileCount(); ++i) {
        SetupFileRecord record;
        ASSERT_TRUE(cursor.ReadFileRecord(&record));
        char name[kNameSize];
        Cp1252ToUtf8(record.name, name, sizeof(name));
        expected.push_back({before, total, 37, name});
        before += record.expandedSize;
    }
    expected.push_back({total, total, 38, "(none)"});
    EXPECT_EQ(progress.steps, expected);
    EXPECT_EQ(before, total);
}

TEST_F(InstallTest, NoGroupNoDesktopIconAndNoRegisterFlagMakeNothingButTheClient) {
    FixtureProduct product;
    product.product.header.registerFlag = 0;
    product.AddFile("readme.txt", "text");
    LoadedData loaded(product.Build());
    ASSERT_TRUE(Install(place.Folder(), 0, "", false).result);
    EXPECT_EQ(ReadWholeFile(place.Folder() + "readme.txt"), "text");
    EXPECT_FALSE(PathExists(place.Desktop()));
    EXPECT_FALSE(PathExists(place.UserPrograms()));
    EXPECT_FALSE(PathExists(place.UserMenus()));
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_CURRENT_USER, kRecordKey));
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_CURRENT_USER, UninstallEntry("Fixture Game").c_str()));
}

// ---- A product of our own: umlauts, nested groups, the scope rules ----------------------------

// Umlauts in every name the installation turns into a path, link, menu entry or value.
FixtureProduct UmlautProduct() {
    FixtureProduct product;
    product.product.productName = "Spiel Größe";
    product.product.desktopLinkName = "Spiel Größe.lnk";
    product.product.desktopLinkTarget = "Bin\\updater.exe";
    product.product.folders = {"Bin", "Daten", "Daten\\Übersicht", "Leer"};
    const char* const links[kSetupLinkEntries] = {
        "Spiel.lnk",     "Bin\\updater.exe", "Hilfe öffnen.lnk", "Daten\\Übersicht\\hilfe.txt",
        "Lies mich.lnk", "lies mich.txt",    "Entfernen.lnk",    "Bin/entfernen.sh"};
    for (uint32_t language = 0; language < kLanguageCount; ++language)
        std::copy(std::begin(links), std::end(links), std::begin(product.product.links[language]));
    product.AddFile("Bin\\updater.exe", "#!/bin/sh\necho updater\n", 1500000000);
    product.AddFile("Bin\\entfernen.sh", "#!/bin/sh\necho entfernen\n", 1500000100);
    product.AddFile("Daten\\Übersicht\\hilfe.txt", "Hilfe für Anfänger\n", 1500000200);
    product.AddFile("lies mich.txt", "", 1500000300);
    product.AddFile("Daten\\binär.dat",
                    std::string("\x7f"
                                "ELF\x02\x01\x01",
                                7) +
                        std::string(5000, '\0'),
                    1500000400);
    return product;
}

TEST_F(InstallTest, UmlautNamesNestedGroupAndRecordedInstallation) {
    FixtureProduct product = UmlautProduct();
    LoadedData loaded(product.Build());
    ASSERT_TRUE(loaded.loaded);
    const std::string folder = place.Folder();
    const InstallRun run = Install(folder, 0, "Spiele\\Größe", true);
    ASSERT_TRUE(run.result) << (run.errors.empty() ? "" : run.errors[0]);

    for (const SetupSourceFile& file : product.product.files) {
        std::string relative = file.name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const std::string installed = folder + relative;
        // The times first: reading the file would move its access time.
        struct stat status {};
        ASSERT_EQ(stat(installed.c_str(), &status), 0) << installed;
        EXPECT_EQ(uint32_t(status.st_mtime), file.modifyTime) << installed;
        EXPECT_EQ(uint32_t(status.st_atime), file.accessTime) << installed;
        const std::string content = ReadWholeFile(file.sourcePath);
        EXPECT_EQ(ReadWholeFile(installed), content) << installed;
        EXPECT_EQ(ModeOf(installed), StartsLikeProgram(content) ? 0755u : 0644u) << installed;
    }
    EXPECT_TRUE(fs::is_directory(folder + "Leer"));

    ExpectProgramLink(place.Desktop() + "/Spiel Größe.desktop", folder + "Bin/updater.exe", folder);
    const std::string group = place.UserPrograms() + "/Spiele/Größe/";
    ExpectProgramLink(group + "Spiel.desktop", folder + "Bin/updater.exe", folder);
    ExpectDocumentLink(group + "Hilfe öffnen.desktop", folder + "Daten/%C3%9Cbersicht/hilfe.txt");
    ExpectProgramLink(group + "Entfernen.desktop", folder + "Bin/entfernen.sh", folder);
    ExpectValidEntry(place.UserDirectories() + "/Spiele.directory");
    ExpectValidEntry(place.UserDirectories() + "/Spiele-Größe.directory");
    const std::string menu = ReadWholeFile(place.UserMenus() + "/setup-Spiele-Größe.menu");
    EXPECT_NE(menu.find("<Name>Spiele</Name>"), std::string::npos) << menu;
    EXPECT_NE(menu.find("<Name>Größe</Name>"), std::string::npos) << menu;
    EXPECT_NE(menu.find("<Filename>Spiele-Größe-Hilfe öffnen.desktop</Filename>"), std::string::npos) << menu;

    const std::string record = RecordKey("Spiel Größe");
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, record, "InstallDir"), folder);
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, record, "StartMenuGroup"), "Spiele\\Größe");
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, UninstallEntry("Spiel Größe"), "DisplayName"), "Spiel Größe");
    // As the link table writes it, while the link made from the same entry has native separators.
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, UninstallEntry("Spiel Größe"), "UninstallString"),
              folder + "Bin/entfernen.sh");
}

TEST_F(InstallTest, EmptyGroupIsRecordedEmpty) {
    FixtureProduct product;
    LoadedData loaded(product.Build());
    ASSERT_TRUE(Install(place.Folder(), 0, "", false).result);
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kRecordKey, "StartMenuGroup"), "");
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kRecordKey, "InstallDir"), place.Folder());
}

struct ScopeCase {
    int32_t allUsers;
    uint32_t platformId;
    bool commonPrograms; // the group in the all-users programs folder and the system's menu
    Platform::RegistryRoot record;
    Platform::RegistryRoot uninstall;
};

class ScopeTest : public InstallTest, public ::testing::WithParamInterface<ScopeCase> {
protected:
    void TearDown() override {
        Platform::OverrideOsVersion(nullptr);
        InstallTest::TearDown();
    }
};

TEST_P(ScopeTest, LinksAndValuesLandWhereTheScopeAndSystemFamilySay) {
    const ScopeCase& scope = GetParam();
    const Platform::OsVersion version{4, 10, 1998, scope.platformId};
    Platform::OverrideOsVersion(&version);
    FixtureProduct product;
    product.AddFile("Bin\\updater.exe", "#!/bin/sh\n");
    product.product.folders = {"Bin"};
    LoadedData loaded(product.Build());
    ASSERT_TRUE(Install(place.Folder(), scope.allUsers, "Fixture Group", true).result);

    const std::string desktop = scope.allUsers ? place.CommonDesktop() : place.Desktop();
    ExpectProgramLink(desktop + "/Fixture.desktop", place.Folder() + "Bin/updater.exe", place.Folder());
    const std::string programs = scope.commonPrograms ? place.CommonPrograms() : place.UserPrograms();
    EXPECT_TRUE(PathExists(programs + "/Fixture Group/en link 0.desktop"));
    const std::string menus = scope.commonPrograms ? place.SystemMenus() : place.UserMenus();
    EXPECT_TRUE(PathExists(menus + "/setup-Fixture Group.menu"));
    const std::string directories =
        scope.commonPrograms ? place.CommonDirectories() : place.UserDirectories();
    EXPECT_TRUE(PathExists(directories + "/Fixture Group.directory"));

    const auto other = [](Platform::RegistryRoot root) {
        return root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    };
    EXPECT_EQ(StoredValue(scope.record, kRecordKey, "InstallDir"), place.Folder());
    EXPECT_FALSE(gSysUtil.KeyExists(other(scope.record), kRecordKey));
    EXPECT_EQ(StoredValue(scope.uninstall, UninstallEntry("Fixture Game"), "DisplayName"), "Fixture Game");
    EXPECT_FALSE(gSysUtil.KeyExists(other(scope.uninstall), UninstallEntry("Fixture Game").c_str()));
}

INSTANTIATE_TEST_SUITE_P(Scopes, ScopeTest,
                         ::testing::Values(ScopeCase{0, 2, false, HKEY_CURRENT_USER, HKEY_CURRENT_USER},
                                           ScopeCase{1, 2, true, HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE},
                                           ScopeCase{1, 1, false, HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE},
                                           ScopeCase{0, 1, false, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}));

// ---- Updates ---------------------------------------------------------------------------------

struct UpdateCase {
    uint32_t betaFlag;
    uint32_t testFlag;
    const char* enableTestUpdate; // after the update
    const char* debugLogLevel;
};

class UpdateTest : public InstallTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateTest, KeepsEveryConfigValueButTheInstallationsOwn) {
    const UpdateCase& update = GetParam();
    FixtureProduct product;
    product.product.header.betaFlag = update.betaFlag;
    product.product.header.testFlag = update.testFlag;
    product.AddFile("readme.txt", "new");
    LoadedData loaded(product.Build());
    const std::string folder = place.Folder();
    ASSERT_TRUE(gFileUtil.CreateFolder(folder.c_str(), true));
    WriteWholeFile(folder + "readme.txt", "old");
    WriteWholeFile(folder + "config.ini", "[VIDEO]\r\nres_width=1920\r\nshow_rain=0\r\n[DEBUG]\r\n"
                                          "language=german\r\npersonal_folder=/elsewhere/\r\n"
                                          "enable_testupdate=7\r\ndebug_loglevel=5\r\nmy_own_key=42\r\n");
    ASSERT_TRUE(Install(folder, 0, "", false).result);

    EXPECT_EQ(ReadWholeFile(folder + "readme.txt"), "new");
    const std::vector<std::string> lines = ConfigLines(folder + "config.ini");
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("res_width=1920"));
    EXPECT_TRUE(has("show_rain=0"));
    EXPECT_TRUE(has("my_own_key=42"));
    EXPECT_TRUE(has("language=english"));
    EXPECT_TRUE(has("personal_folder=" + folder));
    EXPECT_TRUE(has(std::string("enable_testupdate=") + update.enableTestUpdate));
    EXPECT_TRUE(has(std::string("debug_loglevel=") + update.debugLogLevel));
}

INSTANTIATE_TEST_SUITE_P(Flags, UpdateTest,
                         ::testing::Values(UpdateCase{0, 0, "7", "5"}, UpdateCase{1, 0, "1", "3"},
                                           UpdateCase{0, 1, "23", "3"}, UpdateCase{1, 1, "23", "3"}));

TEST_F(InstallTest, GermanInstallationWritesGermanLanguageAndLinks) {
    language.SetLanguage(kLanguageGerman);
    gLanguage = &language;
    FixtureProduct product;
    LoadedData loaded(product.Build());
    ASSERT_TRUE(Install(place.Folder(), 0, "Gruppe", false).result);
    const std::vector<std::string> lines = ConfigLines(place.Folder() + "config.ini");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "language=german"), lines.end());
    EXPECT_TRUE(PathExists(place.UserPrograms() + "/Gruppe/de link 0.desktop"));
}

// ---- Failures: each stops at once with its text and leaves what was written ---------------------

// A path below a regular file can be made by nobody, root included.
std::string BelowAFile(const InstallPlace& place) {
    WriteWholeFile(place.Path("plain-file"), "x");
    return place.Path("plain-file/below");
}

// An immutable file binds root too; the flag goes again with the object.
class ImmutableFile {
public:
    ImmutableFile(const std::string& file, const std::string& content) : path(file) {
        WriteWholeFile(path, content, 0444);
        immutable = RunCommand("chattr +i " + ShellQuoted(path)).status == 0;
    }
    ~ImmutableFile() { RunCommand("chattr -i " + ShellQuoted(path)); }
    bool immutable = false;

private:
    std::string path;
};

TEST_F(InstallTest, FolderThatCannotBeCreatedStopsWithText39) {
    FixtureProduct product;
    product.product.folders = {"Bin", "Data", "Data\\Maps"};
    product.AddFile("Bin\\a.txt", "a");
    LoadedData loaded(product.Build());
    const std::string folder = place.Folder();
    ASSERT_TRUE(gFileUtil.CreateFolder(folder.c_str(), true));
    WriteWholeFile(folder + "Data", "a file where the folder should be");
    const InstallRun run = Install(folder, 0, "Fixture Group", true);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors, std::vector<std::string>{"Could not create folder: '" + folder + "Data'!"});
    EXPECT_EQ(run.boxes, std::vector<std::string>{"Error!|Could not create folder: '" + folder + "Data'!"});
    EXPECT_TRUE(fs::is_directory(folder + "Bin"));
    EXPECT_FALSE(PathExists(folder + "Bin/a.txt"));
    EXPECT_FALSE(PathExists(folder + "config.ini"));
    EXPECT_FALSE(PathExists(place.Desktop()));
}

TEST_F(InstallTest, ReadOnlyFileWithOtherContentsStopsWithText40BeforeLaterRecords) {
    FixtureProduct product;
    product.AddFile("first.txt", "first");
    product.AddFile("locked.txt", "new contents");
    product.AddFile("third.txt", "third");
    LoadedData loaded(product.Build());
    const std::string folder = place.Folder();
    ASSERT_TRUE(gFileUtil.CreateFolder(folder.c_str(), true));
    ImmutableFile locked(folder + "locked.txt", "old contents");
    ASSERT_TRUE(locked.immutable) << "chattr +i is needed to make a file root cannot replace";
    const InstallRun run = Install(folder, 0, "Fixture Group", true);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors, std::vector<std::string>{"Could not create file: '" + folder + "locked.txt'!"});
    EXPECT_EQ(ReadWholeFile(folder + "first.txt"), "first");
    EXPECT_EQ(ReadWholeFile(folder + "locked.txt"), "old contents");
    EXPECT_FALSE(PathExists(folder + "third.txt"));
    EXPECT_FALSE(PathExists(folder + "config.ini"));
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_CURRENT_USER, kRecordKey));
}

TEST_F(InstallTest, ImmutableFileWithTheSameContentsStillFailsOnItsTimes) {
    FixtureProduct product;
    product.AddFile("same.txt", "same");
    LoadedData loaded(product.Build());
    ASSERT_TRUE(gFileUtil.CreateFolder(place.Folder().c_str(), true));
    ImmutableFile locked(place.Folder() + "same.txt", "same");
    ASSERT_TRUE(locked.immutable);
    const InstallRun run = Install(place.Folder(), 0, "", false);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors,
              std::vector<std::string>{"Could not create file: '" + place.Folder() + "same.txt'!"});
}

TEST_F(InstallTest, PayloadThatCannotBeExpandedStopsWithText40) {
    FixtureProduct product;
    product.AddFile("good.txt", "good");
    product.AddFile("bad.txt", std::string(3000, 'z') + "tail");
    std::vector<uint8_t> data = product.Build();
    // Claim more bytes than the stream holds: the last match then runs past the end or the
    // result differs from the recorded CRC.
    LoadedData probe(data);
    SetupCursor cursor(gRessource.GetData(), gRessource.GetSize(), gRessource.GetFileListOffset());
    SetupFileRecord record;
    ASSERT_TRUE(cursor.ReadFileRecord(&record) && cursor.ReadFileRecord(&record));
    const size_t payloadAt = size_t(record.payload - gRessource.GetData());
    for (size_t i = payloadAt; i < payloadAt + record.packedSize; ++i)
        data[i] ^= 0x5A;
    LoadedData loaded(data);
    ASSERT_TRUE(loaded.loaded);
    const InstallRun run = Install(place.Folder(), 0, "", false);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors,
              std::vector<std::string>{"Could not create file: '" + place.Folder() + "bad.txt'!"});
    EXPECT_EQ(ReadWholeFile(place.Folder() + "good.txt"), "good");
    EXPECT_FALSE(PathExists(place.Folder() + "config.ini"));
}

TEST_F(InstallTest, NamesLeavingTheFolderAreRefused) {
    FixtureProduct product;
    product.AddFile("..\\escaped.txt", "x");
    LoadedData loaded(product.Build());
    const InstallRun run = Install(place.Folder(), 0, "", false);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors,
              std::vector<std::string>{"Could not create file: '" + place.Folder() + "..\\escaped.txt'!"});
    EXPECT_FALSE(PathExists(place.Path("Games/escaped.txt")));
}

TEST_F(InstallTest, ConfigFileThatCannotBeReplacedStopsWithText40BeforeTheLinks) {
    FixtureProduct product;
    product.AddFile("readme.txt", "text");
    LoadedData loaded(product.Build());
    ASSERT_TRUE(gFileUtil.CreateFolder(place.Folder().c_str(), true));
    ImmutableFile config(place.Folder() + "config.ini", "[VIDEO]\r\nres_width=1920\r\n");
    ASSERT_TRUE(config.immutable);
    const InstallRun run = Install(place.Folder(), 0, "Fixture Group", true);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors, std::vector<std::string>{"Could not create file: '" + place.Folder() + "config.ini'!"});
    EXPECT_EQ(ReadWholeFile(place.Folder() + "config.ini"), "[VIDEO]\r\nres_width=1920\r\n");
    EXPECT_FALSE(PathExists(place.Desktop()));
}

TEST_F(InstallTest, UnwritableDesktopStopsWithText41AfterTheFiles) {
    FixtureProduct product;
    product.AddFile("readme.txt", "text");
    LoadedData loaded(product.Build());
    ASSERT_TRUE(gFileUtil.CreateFolder((place.Home() + "/.config").c_str(), true));
    const std::string desktop = BelowAFile(place);
    WriteWholeFile(place.Home() + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + desktop + "\"\n");
    const InstallRun run = Install(place.Folder(), 0, "Fixture Group", true);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors, std::vector<std::string>{"Could not create link: 'Fixture.lnk'!"});
    EXPECT_EQ(ReadWholeFile(place.Folder() + "readme.txt"), "text");
    EXPECT_TRUE(PathExists(place.Folder() + "config.ini"));
    EXPECT_FALSE(PathExists(place.UserPrograms()));
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_CURRENT_USER, kRecordKey));
}

TEST_F(InstallTest, GroupFolderThatCannotBeCreatedStopsWithText39) {
    FixtureProduct product;
    LoadedData loaded(product.Build());
    const std::string programs = BelowAFile(place);
    ASSERT_TRUE(gSysUtil.CreateKey(HKEY_CURRENT_USER, kShellFoldersKey));
    ASSERT_TRUE(gSysUtil.WriteString(HKEY_CURRENT_USER, kShellFoldersKey, "Programs", programs.c_str()));
    const InstallRun run = Install(place.Folder(), 0, "Fixture Group", true);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors,
              std::vector<std::string>{"Could not create folder: '" + programs + "/Fixture Group'!"});
    EXPECT_TRUE(PathExists(place.Desktop() + "/Fixture.desktop"));
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_CURRENT_USER, kRecordKey));
}

TEST_F(InstallTest, UnwritableRegistryStoreStopsWithText42) {
    FixtureProduct product;
    LoadedData loaded(product.Build());
    ASSERT_TRUE(gFileUtil.CreateFolder(place.Path("registry").c_str(), true));
    ImmutableFile store(place.Path("registry/hkcu.reg"), "");
    ASSERT_TRUE(store.immutable);
    const InstallRun run = Install(place.Folder(), 0, "", false);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors, std::vector<std::string>{"Could not update registry information!"});
    EXPECT_TRUE(PathExists(place.Folder() + "config.ini"));
}

TEST_F(InstallTest, UnknownSystemVersionStopsWithText43BeforeAnyLink) {
    const Platform::OsVersion unknown{0, 0, 0, 0};
    Platform::OverrideOsVersion(&unknown);
    FixtureProduct product;
    LoadedData loaded(product.Build());
    const InstallRun run = Install(place.Folder(), 0, "Fixture Group", true);
    Platform::OverrideOsVersion(nullptr);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.errors, std::vector<std::string>{"Could not determine correct Windows version!"});
    EXPECT_FALSE(PathExists(place.Desktop()));
}

TEST_F(InstallTest, StopRequestEndsAfterTheItemInProgressWithoutABox) {
    FixtureProduct product;
    product.product.folders = {"Bin"};
    product.AddFile("Bin\\one.txt", "one");
    product.AddFile("Bin\\two.txt", "two");
    product.AddFile("Bin\\three.txt", "three");
    LoadedData loaded(product.Build());
    RecordingProgress progress(3); // the folder and two files
    const InstallRun run = Install(place.Folder(), 0, "Fixture Group", true, &progress);
    EXPECT_FALSE(run.result);
    EXPECT_TRUE(run.errors.empty());
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(progress.steps.size(), 3u);
    EXPECT_EQ(ReadWholeFile(place.Folder() + "Bin/two.txt"), "two");
    EXPECT_FALSE(PathExists(place.Folder() + "Bin/three.txt"));
    EXPECT_FALSE(PathExists(place.Folder() + "config.ini"));
    EXPECT_FALSE(PathExists(place.Desktop()));
    EXPECT_FALSE(gSysUtil.KeyExists(HKEY_CURRENT_USER, kRecordKey));
}

} // namespace
