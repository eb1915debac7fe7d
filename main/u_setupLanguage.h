// u_setupLanguage.h -- the wizard's current language and its bilingual text table.
//
// Every text the installer shows (apart from the runtime foundation's own messages and the content
// of the setup data) is one of 45 entries in English and German, looked up by id each time it is
// needed, so a change of language reaches every text shown afterwards. Lookups never fail: an
// unknown id or language-name index yields "=N/A=". Texts are constant UTF-8 data for the whole run.
#pragma once

#include <cstdint>

constexpr uint32_t kLanguageEnglish = 0;
constexpr uint32_t kLanguageGerman = 1;
constexpr uint32_t kLanguageCount = 2;
constexpr uint32_t kTextCount = 45;

// The one field is the language index; start-up allocates the object zero-filled (English), so it
// must stay a plain 4-byte object.
class SetupLanguage {
public:
    // Sets German for the five German locales of the user's language id, English for any other.
    uint16_t DetectLanguage();
    // Indexes of 2 and above leave the language unchanged.
    void SetLanguage(uint32_t index);
    uint32_t GetLanguage() const { return language; }

    static const char* GetLanguageName(uint32_t index);
    const char* GetText(uint32_t id) const;

private:
    uint32_t language;
};

static_assert(sizeof(SetupLanguage) == 4, "start-up allocates the language object as 4 bytes");

// Null until start-up creates the object and again after shut-down.
extern SetupLanguage* gLanguage;

// The current language, English while no language object exists (early start-up, tools, tests).
uint32_t CurrentLanguage();
// Text `id` in the current language.
const char* CurrentText(uint32_t id);
// Formats text `id` of the current language with the arguments its %s / %i placeholders expect
// into dest (cut to `size` bytes). The table's formats are not literals, so the caller vouches
// for the arguments.
void FormatText(char* dest, uint32_t size, uint32_t id, ...);
