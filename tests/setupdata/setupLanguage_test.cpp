// setupLanguage_test.cpp -- language detection, switching and the text table's fallbacks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "main/u_setupLanguage.h"
#include "tests/support/testSupport.h"

namespace {

TEST(SetupLanguageTest, DetectsTheFiveGermanLocales) {
    const struct {
        const char* locale;
        uint16_t id;
        uint32_t language;
    } cases[] = {
        {"de_DE.UTF-8", 1031, kLanguageGerman},  {"de_CH.UTF-8", 2055, kLanguageGerman},
        {"de_AT.UTF-8", 3079, kLanguageGerman},  {"de_LU.UTF-8", 4103, kLanguageGerman},
        {"de_LI.UTF-8", 5127, kLanguageGerman},  {"fr_FR.UTF-8", 1036, kLanguageEnglish},
        {"en_US.UTF-8", 1033, kLanguageEnglish},
    };
    for (const auto& c : cases) {
        ScopedEnv locale("LC_ALL", c.locale);
        SetupLanguage language{};
        language.SetLanguage(c.language == kLanguageGerman ? kLanguageEnglish : kLanguageGerman);
        EXPECT_EQ(c.id, language.DetectLanguage()) << c.locale;
        EXPECT_EQ(c.language, language.GetLanguage()) << c.locale;
    }
}

TEST(SetupLanguageTest, SetLanguageIgnoresUnknownIndexes) {
    SetupLanguage language{};
    EXPECT_EQ(kLanguageEnglish, language.GetLanguage()); // zero-filled start
    language.SetLanguage(kLanguageGerman);
    for (uint32_t index : {2u, 0xFFFFFFFFu}) {
        language.SetLanguage(index);
        EXPECT_EQ(kLanguageGerman, language.GetLanguage());
    }
    language.SetLanguage(kLanguageEnglish);
    EXPECT_EQ(kLanguageEnglish, language.GetLanguage());
}

TEST(SetupLanguageTest, TextsFollowTheLanguageAndFallBack) {
    SetupLanguage language{};
    EXPECT_STREQ("The setup file is corrupted (%i)!", language.GetText(0));
    EXPECT_STREQ("<< Back", language.GetText(4));
    language.SetLanguage(kLanguageGerman);
    EXPECT_STREQ("Die Installations-Datei ist fehlerhaft (%i)!", language.GetText(0));
    EXPECT_STREQ("<< Zur\xC3\xBC"
                 "ck",
                 language.GetText(4));
    EXPECT_STREQ("Hinweis: Diese Client-Version ist f\xC3\xBCr den Betatest gedacht und sollte nicht \xC3\xBC"
                 "ber den Client f\xC3\xBCr den Live-Server installiert werden.",
                 language.GetText(44));
    for (uint32_t id : {45u, 0xFFFFFFFFu})
        EXPECT_STREQ("=N/A=", language.GetText(id));

    EXPECT_STREQ("English", SetupLanguage::GetLanguageName(0));
    EXPECT_STREQ("Deutsch", SetupLanguage::GetLanguageName(1));
    EXPECT_STREQ("=N/A=", SetupLanguage::GetLanguageName(2));
}

TEST(SetupLanguageTest, GermanTextsCarryTheirUmlautsAsUtf8) {
    SetupLanguage language{};
    language.SetLanguage(kLanguageGerman);
    for (uint32_t id = 0; id < kTextCount; ++id) {
        const std::string text = language.GetText(id);
        EXPECT_FALSE(text.empty()) << id;
        EXPECT_TRUE(IsValidUtf8(text)) << id;
    }
    for (uint32_t id : {4u, 11u, 16u, 17u, 19u, 20u, 21u, 22u, 29u, 31u, 34u, 35u, 38u, 41u, 44u}) {
        const std::string text = language.GetText(id);
        EXPECT_NE(std::string::npos, text.find_first_of("\xC3")) << id << ": " << text;
    }
}

TEST(SetupLanguageTest, CurrentTextUsesTheGlobalLanguage) {
    char message[64];
    ASSERT_EQ(nullptr, gLanguage);
    EXPECT_STREQ("Cancel", CurrentText(3));
    FormatText(message, sizeof(message), 0, -2);
    EXPECT_STREQ("The setup file is corrupted (-2)!", message);

    SetupLanguage german{};
    german.SetLanguage(kLanguageGerman);
    gLanguage = &german;
    EXPECT_STREQ("Abbrechen", CurrentText(3));
    FormatText(message, sizeof(message), 27, "Skyreach");
    EXPECT_STREQ("Skyreach starten", message);
    gLanguage = nullptr;
}

} // namespace
