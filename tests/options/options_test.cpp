// options_test.cpp -- GameOptions: defaults, reading config.ini and writing it byte for byte.
//
// fresh_english.ini is the file a fresh English installation into C:\Games\Client\ must produce:
// 184 lines, 3,528 bytes, CR LF line ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <utility>

#include "common/s_log.h"
#include "memsafe/s_mem.h"
#include "options/s_options.h"
#include "tests/support/testSupport.h"

namespace {

const char* const kClientFolder = "C:\\Games\\Client\\";

std::string FreshEnglishFile() { return ReadWholeFile(OPTIONS_FIXTURE_DIR "/fresh_english.ini"); }

// The expected file with one whole line replaced or, with an empty replacement, followed by more.
std::string Replaced(std::string text, const std::string& line, const std::string& replacement) {
    const size_t at = text.find("\r\n" + line + "\r\n");
    EXPECT_NE(at, std::string::npos) << line;
    return text.replace(at + 2, line.size(), replacement);
}

// What the installation does: load, set language and folder, save.
std::string InstallInto(const TempFolder& folder, const char* languageName, const char* personalFolder) {
    GameOptions options(1033, "/unused/");
    const std::string path = folder.File("config.ini");
    options.Load(path.c_str());
    std::strcpy(options.language, languageName);
    std::strcpy(options.personal_folder, personalFolder);
    options.Save(path.c_str());
    return ReadWholeFile(path);
}

std::string LoadAndSave(GameOptions& options, const TempFolder& folder, const std::string& content) {
    const std::string path = folder.File("config.ini");
    WriteWholeFile(path, content);
    options.Load(path.c_str());
    options.Save(path.c_str());
    return ReadWholeFile(path);
}

std::string UnknownSection(const std::string& file) {
    const std::string header = "\r\n[UNKNOWN]\r\n";
    const size_t at = file.find(header);
    return at == std::string::npos ? "(no [UNKNOWN])" : file.substr(at + header.size());
}

// The [DEBUG] lines from enable_testupdate on, up to the empty line that ends the section.
std::string DebugTail(const std::string& file) {
    const size_t from = file.find("enable_testupdate=");
    const size_t to = file.find("\r\n\r\n[UNKNOWN]");
    return from == std::string::npos || to == std::string::npos ? "" : file.substr(from, to + 2 - from);
}

TEST(GameOptionsTest, FreshEnglishInstallationWritesTheClientDefaults) {
    const std::string expected = FreshEnglishFile();
    ASSERT_EQ(expected.size(), 3528u);
    TempFolder folder;
    const std::string written = InstallInto(folder, "english", kClientFolder);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(written.size(), 3528u);
    size_t lines = 0;
    for (size_t at = written.find("\r\n"); at != std::string::npos; at = written.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 184u);
    EXPECT_EQ(written.find('\n'), written.find("\r\n") + 1) << "every line feed follows a carriage return";
}

TEST(GameOptionsTest, FreshGermanInstallationDiffersOnlyInLanguage) {
    TempFolder folder;
    EXPECT_EQ(InstallInto(folder, "german", kClientFolder),
              Replaced(FreshEnglishFile(), "language=english", "language=german"));
}

TEST(GameOptionsTest, ReinstallKeepsSettingsAndUnknownKeys) {
    TempFolder folder;
    WriteWholeFile(folder.File("config.ini"), "[VIDEO]\r\nres_width=1280\r\n# my own notes\r\n"
                                              "my_key=5\r\n[DEBUG]\r\ngfx_unpacked=0\r\n");
    std::string expected = Replaced(FreshEnglishFile(), "res_width=1024", "res_width=1280");
    expected = Replaced(expected, "enable_testupdate=0", "enable_testupdate=0\r\ngfx_unpacked=0");
    expected += "my_key=5\r\n";
    EXPECT_EQ(InstallInto(folder, "english", kClientFolder), expected);
}

TEST(GameOptionsTest, LanguageFollowsTheWindowsLanguageId) {
    for (int32_t id : {1031, 2055, 3079, 4103, 5127})
        EXPECT_STREQ(GameOptions(id, "/c/").language, "german") << id;
    for (int32_t id : {1033, 2057, 1036, 1030, 0, -1})
        EXPECT_STREQ(GameOptions(id, "/c/").language, "english") << id;
}

TEST(GameOptionsTest, DefaultConstructionUsesLocaleAndProgramFolder) {
    const char* saved = std::getenv("LC_ALL");
    const std::string savedValue = saved ? saved : "";
    setenv("LC_ALL", "de_CH.UTF-8", 1);
    EXPECT_STREQ(GameOptions().language, "german");
    setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_STREQ(GameOptions().language, "english");
    saved ? setenv("LC_ALL", savedValue.c_str(), 1) : unsetenv("LC_ALL");

    EXPECT_STREQ(GameOptions().personal_folder, gLog.GetApplicationPath());
}

TEST(GameOptionsTest, KeysAreCaseInsensitiveAndEmptyValuesIgnored) {
    TempFolder folder;
    GameOptions options(1033, "/c/");
    const std::string file = LoadAndSave(options, folder, "MEDIA_API=2\nmedia_api=\nKEY_SAILDOWN=1;2;3;4\n");
    EXPECT_EQ(options.media_api, 2);
    EXPECT_EQ(options.key_sailDown.second.key, 4);
    EXPECT_NE(file.find("\r\nmedia_api=2\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\nkey_sailDown=1;2;3;4\r\n"), std::string::npos) << "spelt as in the table";
    EXPECT_EQ(UnknownSection(file), "");
}

TEST(GameOptionsTest, KeyBindingValues) {
    struct Case {
        const char* value;
        uint16_t firstModifier, firstKey, secondModifier, secondKey;
    };
    // The second slot starts as modifier 7, key 8: a value that does not reach it keeps it.
    const Case cases[] = {
        {"1;59", 1, 59, 7, 8},       {"0;59;0;60", 0, 59, 0, 60}, {"0;59;0;", 0, 59, 7, 8},
        {"0;59;0", 0, 59, 7, 8},     {"3", 3, 0, 7, 8},           {"0;59;;9", 0, 59, 0, 9},
        {"-1;70000;2;1;5", 65535, 4464, 2, 1},
    };
    for (const Case& c : cases) {
        GameOptions options(1033, "/c/");
        options.key_fps = {{59, 0, 11}, {8, 7, 12}};
        options.ApplyOption("key_fps", c.value);
        EXPECT_EQ(options.key_fps.first.modifier, c.firstModifier) << c.value;
        EXPECT_EQ(options.key_fps.first.key, c.firstKey) << c.value;
        EXPECT_EQ(options.key_fps.second.modifier, c.secondModifier) << c.value;
        EXPECT_EQ(options.key_fps.second.key, c.secondKey) << c.value;
        EXPECT_EQ(options.key_fps.first.reserved, 11) << c.value;
        EXPECT_EQ(options.key_fps.second.reserved, 12) << c.value;
    }
}

TEST(GameOptionsTest, NumberConversionsFollowAtoiAndAtof) {
    GameOptions options(1033, "/c/");
    const std::pair<const char*, int32_t> integers[] = {
        {" 42abc", 42}, {"abc", 0}, {"-7", -7}, {"+7", 7},
        {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN},
    };
    for (const auto& [value, expected] : integers) {
        options.ApplyOption("res_width", value);
        EXPECT_EQ(options.res_width, expected) << value;
    }
    const std::pair<const char*, uint16_t> shorts[] = {{"-1", 65535}, {"70000", 4464}, {"300", 300}};
    for (const auto& [value, expected] : shorts) {
        options.ApplyOption("keypress_delay", value);
        EXPECT_EQ(options.keypress_delay, expected) << value;
    }
    const std::pair<const char*, float> floats[] = {
        {"0.75", 0.75f}, {" 1e-1x", 0.1f}, {"x", 0.0f}, {"-2", -2.0f}, {"1e50", HUGE_VALF}};
    for (const auto& [value, expected] : floats) {
        options.ApplyOption("horizontal_texel", value);
        EXPECT_FLOAT_EQ(options.horizontal_texel, expected) << value;
    }
}

TEST(GameOptionsTest, VertexBufferSizeIsAtLeastOneAfterLoad) {
    const std::pair<const char*, int32_t> cases[] = {{"0", 1}, {"-5", 1}, {"7", 7}};
    for (const auto& [value, expected] : cases) {
        TempFolder folder;
        GameOptions options(1033, "/c/");
        LoadAndSave(options, folder, std::string("dx_vertexbuffer_size=") + value + "\r\n");
        EXPECT_EQ(options.dx_vertexbuffer_size, expected) << value;
    }
}

TEST(GameOptionsTest, KeepsTheFirst99UnknownLinesInOrder) {
    std::string content;
    std::string expected;
    for (int i = 0; i < 120; ++i) {
        const std::string line = "unknown" + std::to_string(i) + "=" + std::to_string(i * 3);
        content += line + "\r\n";
        if (i < GameOptions::kMaxKeptLines)
            expected += line + "\r\n";
    }
    TempFolder folder;
    GameOptions options(1033, "/c/");
    EXPECT_EQ(UnknownSection(LoadAndSave(options, folder, content)), expected);
}

TEST(GameOptionsTest, CommentsHeadersAndUntrimmedKeys) {
    TempFolder folder;
    GameOptions options(1033, "/c/");
    const std::string file = LoadAndSave(options, folder,
                                         "# comment=1\r\n[VIDEO]\r\n\r\nres_width = 800\r\nres_height=600\r\n"
                                         "  #indented=2\r\nres_height=700\r\nno equals sign\r\n=orphan\r\n");
    EXPECT_EQ(options.res_width, 1024);
    EXPECT_EQ(options.res_height, 700) << "the last occurrence wins";
    EXPECT_EQ(UnknownSection(file), "res_width = 800\r\n  #indented=2\r\n=orphan\r\n");
    EXPECT_EQ(file.find("comment"), std::string::npos);
}

TEST(GameOptionsTest, HiddenOptionsAreWrittenWhenLoadedInTableOrder) {
    TempFolder folder;
    GameOptions options(1033, "/c/");
    const std::string file = LoadAndSave(
        options, folder, "show_kiname_onlist=1\nvertical_texel=0.75\ntest_user=tester\nreserved=4\n");
    EXPECT_EQ(DebugTail(file), "enable_testupdate=0\r\nreserved=4\r\ntest_user=tester\r\n"
                               "vertical_texel=0.75\r\nshow_kiname_onlist=1\r\n");
}

TEST(GameOptionsTest, LoadKeepsValuesButClearsKeptLinesAndPresence) {
    TempFolder folder;
    GameOptions options(1033, "/c/");
    options.res_width = 1600;
    const std::string first = LoadAndSave(options, folder, "media_api=1\nmy_key=5\ngfx_unpacked=0\n");
    EXPECT_EQ(options.res_width, 1600);
    EXPECT_EQ(UnknownSection(first), "my_key=5\r\n");
    EXPECT_NE(DebugTail(first).find("gfx_unpacked=0"), std::string::npos);

    const std::string second = LoadAndSave(options, folder, "media_api=2\n");
    EXPECT_EQ(options.media_api, 2);
    EXPECT_EQ(options.gfx_unpacked, 0) << "the value stays, only its line goes";
    EXPECT_EQ(UnknownSection(second), "");
    EXPECT_EQ(DebugTail(second), "enable_testupdate=0\r\n");
}

TEST(GameOptionsTest, LoadResultAndMemoryBalance) {
    const std::pair<const char*, bool> cases[] = {
        {nullptr, false}, {"", false}, {"# only\r\n#comments\r\n", false}, {"\r\n", true}, {"a=1", true},
    };
    for (const auto& [content, expected] : cases) {
        TempFolder folder;
        const std::string path = folder.File("config.ini");
        if (content)
            WriteWholeFile(path, content);
        GameOptions options(1033, "/c/");
        const int32_t liveBefore = gMem.NewCalls() - gMem.DelCalls();
        EXPECT_EQ(options.Load(path.c_str()), expected) << (content ? content : "(missing)");
        EXPECT_EQ(gMem.NewCalls() - gMem.DelCalls(), liveBefore) << "the line list is released";
        options.Save(path.c_str());
        EXPECT_EQ(ReadWholeFile(path).substr(0, 9), "[VIDEO]\r\n") << "Save may write after any Load";
    }
}

TEST(GameOptionsTest, SaveWithoutLoadLeavesTheFileAlone) {
    TempFolder folder;
    const std::string path = folder.File("config.ini");
    WriteWholeFile(path, "res_width=1280\n");
    GameOptions options(1033, "/c/");
    options.Save(path.c_str());
    EXPECT_EQ(ReadWholeFile(path), "res_width=1280\n");
}

TEST(GameOptionsTest, UnreachableFileIsNeitherReadNorWritten) {
    TempFolder folder;
    WriteWholeFile(folder.File("plain"), "x");
    const std::string path = folder.File("plain/config.ini");  // below a regular file: binds root too
    GameOptions options(1033, "/c/");
    EXPECT_FALSE(options.Load(path.c_str()));
    options.Save(path.c_str());
    EXPECT_EQ(ReadWholeFile(folder.File("plain")), "x");
}

// The file is replaced whole: a write that fails leaves the user's file as it was, and a
// successful one keeps its permission bits and leaves no temporary file behind.
TEST(GameOptionsTest, SaveReplacesTheFileWholeOrNotAtAll) {
    TempFolder folder;
    const std::string path = folder.File("config.ini");
    const std::string old = "[VIDEO]\r\nres_width=1280\r\n";
    WriteWholeFile(path, old, 0600);
    GameOptions options(1033, "/c/");
    ASSERT_TRUE(options.Load(path.c_str()));

    // The folder is root's, so nobody cannot put a new file beside the old one, which it may write.
    chmod(folder.Path().c_str(), 0755);
    chmod(path.c_str(), 0666);
    EXPECT_EQ(RunAsNobody([&] {
                  options.Save(path.c_str());
                  return 0;
              }),
              0);
    EXPECT_EQ(ReadWholeFile(path), old);

    chmod(path.c_str(), 0600);
    options.Save(path.c_str());
    EXPECT_EQ(ReadWholeFile(path).rfind("[VIDEO]\r\nmedia_api=", 0), 0u);
    EXPECT_NE(ReadWholeFile(path).find("res_width=1280\r\n"), std::string::npos);
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(GameOptionsTest, NullPathMeansConfigIniInTheProgramFolder) {
    TempFolder folder;
    const std::string savedPath = gLog.GetApplicationPath();
    gLog.SetApplicationPath((folder.Path() + "/").c_str());
    WriteWholeFile(folder.File("config.ini"), "res_width=1152\n");
    GameOptions options(1033, "/c/");
    EXPECT_TRUE(options.Load(nullptr));
    EXPECT_EQ(options.res_width, 1152);
    options.Save(nullptr);
    gLog.SetApplicationPath(savedPath.c_str());
    EXPECT_NE(ReadWholeFile(folder.File("config.ini")).find("\r\nres_width=1152\r\n"), std::string::npos);
}

TEST(GameOptionsTest, LongLinesAreWrittenWholeAndCutAtCharacters) {
    // 253 ASCII bytes and a two-byte "é" make 255 bytes: the longest folder that fits.
    const std::string longFolder = "/" + std::string(252, 'f') + "\xC3\xA9";
    ASSERT_EQ(longFolder.size(), 255u);
    // A proxy name whose "ü" would straddle the 127-byte capacity loses it whole.
    const std::string proxy = std::string(126, 'p') + "\xC3\xBC" + "tail";
    // A kept line whose "€" would straddle the 254 bytes before its line break.
    const std::string longValue = std::string(245, 'v') + "\xE2\x82\xAC" + std::string(800, 'w');

    TempFolder folder;
    GameOptions options(1033, "/c/");
    std::strcpy(options.personal_folder, longFolder.c_str());
    const std::string file =
        LoadAndSave(options, folder, "updater_proxyserver=" + proxy + "\r\nmy_key=" + longValue + "\r\n");

    EXPECT_NE(file.find("\r\npersonal_folder=" + longFolder + "\r\n"), std::string::npos);
    EXPECT_STREQ(options.updater_proxyserver, std::string(126, 'p').c_str());
    const std::string kept = UnknownSection(file);
    EXPECT_EQ(kept, "my_key=" + std::string(245, 'v') + "\r\n") << "cut before the euro sign";
    EXPECT_TRUE(IsValidUtf8(file));

    options.ApplyOption("personal_folder", (longFolder + "more").c_str());
    EXPECT_EQ(std::string(options.personal_folder), longFolder);
    options.ApplyOption("personal_folder", (std::string(254, 'g') + "\xC3\xA9").c_str());
    EXPECT_EQ(std::string(options.personal_folder), std::string(254, 'g'));
}

TEST(GameOptionsTest, WindowAlpha) {
    const std::pair<int32_t, uint8_t> cases[] = {
        {15, 217}, {0, 255}, {100, 0}, {50, 128}, {-100, 254}, {200, 1}};
    for (const auto& [transparency, alpha] : cases) {
        GameOptions options(1033, "/c/");
        options.window_transparency = transparency;
        EXPECT_EQ(options.WindowAlpha(), alpha) << transparency;
    }
}

}  // namespace
