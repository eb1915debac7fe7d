// s_options.cpp -- GameOptions: defaults, reading and writing of the client's config.ini.
//
// Reading never resets what the record holds: a key in the file overrides its option, anything
// else stays. Values are converted as the C library's atoi/atof do, in the "C" locale whatever
// locale the GUI set, so a file reads and writes the same everywhere. Texts that do not fit their
// buffer are shortened at a whole UTF-8 character. Every line is written whole, ended by CR LF.
#include "options/s_options.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <new>

#include "common/s_guard.h"
#include "common/s_log.h"
#include "dynList/s_stringList.h"
#include "memsafe/s_template_object.h"
#include "options/s_optionTable.h"
#include "platform/s_platform.h"

GameOptions gOptions;

namespace {

constexpr const char* kConfigFileName = "config.ini";
constexpr const char* kUnknownHeader = "[UNKNOWN]";

// atoi, but a value beyond the 32-bit range stops at its end instead of wrapping.
int32_t ParseInt32(const char* text) {
    const long long value = std::strtoll(text, nullptr, 10);
    return int32_t(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// atof in the "C" locale (the client's files always use a decimal point), read straight as a
// float so that a value beyond its range becomes infinity instead of an undefined conversion.
float ParseFloat(const char* text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return cLocale ? strtof_l(text, nullptr, cLocale) : std::strtof(text, nullptr);
}

// Length of the longest prefix of text that holds at most limit bytes and does not end inside a
// UTF-8 sequence. Bytes that only look like a sequence's tail (text in another encoding) cost at
// most the three bytes a real sequence could.
size_t WholeCharacterPrefix(const char* text, size_t limit) {
    const size_t length = strnlen(text, limit + 1);
    if (length <= limit)
        return length;
    size_t cut = limit;
    for (int step = 0; step < 3 && cut > 0 && (uint8_t(text[cut]) & 0xC0) == 0x80; ++step)
        --cut;
    return (uint8_t(text[cut]) & 0xC0) == 0x80 ? limit : cut;
}

// Copies text into a buffer of size bytes, shortened at a whole character when it does not fit.
void CopyText(char* dest, size_t size, const char* text) {
    const char* source = text ? text : "";
    const size_t length = WholeCharacterPrefix(source, size - 1);
    std::memcpy(dest, source, length);
    dest[length] = '\0';
}

// "modifier;key" sets the first slot; a further ";modifier;key" with something after its ";" also
// sets the second. Missing fields of the first slot count as 0.
void ParseKeyBinding(KeyBinding& binding, const char* value) {
    const char* fields[4] = {value, nullptr, nullptr, nullptr};
    for (int i = 1; i < 4 && fields[i - 1]; ++i) {
        const char* separator = std::strchr(fields[i - 1], ';');
        fields[i] = separator ? separator + 1 : nullptr;
    }
    auto field = [&](int i) { return fields[i] ? uint16_t(ParseInt32(fields[i])) : uint16_t(0); };
    binding.first.modifier = field(0);
    binding.first.key = field(1);
    if (fields[3] && *fields[3] != '\0') {
        binding.second.modifier = field(2);
        binding.second.key = field(3);
    }
}

void StoreValue(const OptionRow& row, void* member, const char* value) {
    switch (row.type) {
    case OptionType::Int32:
        *static_cast<int32_t*>(member) = ParseInt32(value);
        break;
    case OptionType::UInt16:
        *static_cast<uint16_t*>(member) = uint16_t(ParseInt32(value));
        break;
    case OptionType::Float32:
        *static_cast<float*>(member) = ParseFloat(value);
        break;
    case OptionType::Text:
        CopyText(static_cast<char*>(member), row.size, value);
        break;
    case OptionType::KeyBinding:
        ParseKeyBinding(*static_cast<KeyBinding*>(member), value);
        break;
    }
}

const OptionRow* FindOption(const char* key) {
    for (const OptionRow& row : GameOptionTable()) {
        if (gStrUtil.Compare(key, row.key, false) == 0)
            return &row;
    }
    return nullptr;
}

// Collects config.ini's text, each line feed as CR LF as a Windows text-mode file has it. The file
// is then replaced whole, so a failed write never leaves a cut-off file in place of the user's.
class ConfigText {
public:
    // Every line fits: keys and text values each hold less than kNameSize bytes.
    void Line(const char* format, ...) SETUP_PRINTF(2, 3) {
        char line[kLineSize];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof(line), format, args);
        va_end(args);
        Text(line);
    }

    void Text(const char* text) {
        for (; *text != '\0'; ++text) {
            if (*text == '\n')
                content += '\r';
            content += *text;
        }
    }

    const std::string& Content() const { return content; }

private:
    std::string content;
};
static_assert(2 * kNameSize + 32 < kLineSize, "a key, a text value and the line end fit one line");

void WriteOption(ConfigText& file, const OptionRow& row, const void* member) {
    switch (row.type) {
    case OptionType::Int32:
        file.Line("%s=%i\n", row.key, *static_cast<const int32_t*>(member));
        break;
    case OptionType::UInt16:
        file.Line("%s=%u\n", row.key, unsigned(*static_cast<const uint16_t*>(member)));
        break;
    case OptionType::Float32: {
        // Two decimals with a point, as the client reads them, whatever the locale.
        char number[64];
        const auto result = std::to_chars(number, number + sizeof(number) - 1,
                                          *static_cast<const float*>(member), std::chars_format::fixed, 2);
        *result.ptr = '\0';
        file.Line("%s=%s\n", row.key, number);
        break;
    }
    case OptionType::Text:
        file.Line("%s=%s\n", row.key, static_cast<const char*>(member));
        break;
    case OptionType::KeyBinding: {
        const KeyBinding& binding = *static_cast<const KeyBinding*>(member);
        file.Line("%s=%u;%u;%u;%u\n", row.key, unsigned(binding.first.modifier), unsigned(binding.first.key),
                  unsigned(binding.second.modifier), unsigned(binding.second.key));
        break;
    }
    }
}

// The option file's default place: config.ini in the program's folder.
void DefaultConfigPath(char (&path)[kNameSize]) {
    gStrUtil.Set(path, sizeof(path), gLog.GetApplicationFile(kConfigFileName));
}

}  // namespace

GameOptions::GameOptions() : GameOptions(Platform::UserDefaultLanguageId(), gLog.GetApplicationPath()) {}

GameOptions::GameOptions(int32_t languageId, const char* personalFolder) {
    try {
        StoreDefaults();
        CopyText(language, sizeof(language), LanguageForId(languageId));
        CopyText(personal_folder, sizeof(personal_folder), personalFolder);
    } catch (...) {
        // Built with the static objects: there is nobody to tell yet.
    }
}

void GameOptions::StoreDefaults() {
    for (const OptionRow& row : GameOptionTable()) {
        if (row.defaultValue)
            StoreValue(row, row.member(*this), row.defaultValue);
    }
}

const char* GameOptions::LanguageForId(int32_t languageId) {
    return Platform::IsGermanLanguageId(languageId) ? "german" : "english";
}

bool GameOptions::Load(const char* path) {
    GUARDED_BEGIN
    return LoadLines(path);
    GUARDED_END_LOGGED(false)
}

bool GameOptions::LoadLines(const char* path) {
    std::fill(std::begin(hiddenPresent), std::end(hiddenPresent), false);
    loaded = false;
    keptLineCount = 0;

    char defaultPath[kNameSize];
    if (!path) {
        DefaultConfigPath(defaultPath);
        path = defaultPath;
    }
    SafeObject<StringList> holder(new (std::nothrow) StringList(), int32_t(sizeof(StringList)), __FILE__,
                                  __LINE__);
    StringList* lines = holder.Get();
    if (!lines)
        return false;
    if (lines->ReadTextFile(path, '#') == 0) {
        loaded = true;  // nothing to keep: Save may create the file
        return false;
    }
    for (auto* node = lines->First(); node; node = StringList::Next(node)) {
        // Nothing is trimmed: "key = value" is the key "key " and stays an unknown line.
        char* text = node->element.text;
        char* equals = std::strchr(text, '=');
        if (!equals || equals[1] == '\0')
            continue;
        *equals = '\0';
        ApplyOption(text, equals + 1);
    }
    dx_vertexbuffer_size = std::max(dx_vertexbuffer_size, 1);
    loaded = true;
    return true;
}

void GameOptions::ApplyOption(const char* key, const char* value) {
    try {
        if (!key)
            return;
        if (!value)
            value = "";
        const OptionRow* row = FindOption(key);
        if (!row) {
            KeepLine(key, value);
            return;
        }
        StoreValue(*row, row->member(*this), value);
        if (row->presenceFlag != OptionRow::kAlwaysWritten)
            hiddenPresent[row->presenceFlag] = true;
    } catch (...) {
        // One unusable line must not cost the rest of the file.
    }
}

// Keeps "key=value" and its line break in the next slot; a line too long for the slot loses its
// end, never the line break.
void GameOptions::KeepLine(const char* key, const char* value) {
    if (keptLineCount >= kMaxKeptLines)
        return;
    char* slot = keptLines[keptLineCount++];
    const size_t room = kNameSize - 2;  // the line break and the terminator
    size_t used = 0;
    auto put = [&](const char* text) {
        const size_t length = WholeCharacterPrefix(text, room - used);
        std::memcpy(slot + used, text, length);
        used += length;
        return text[length] == '\0';
    };
    if (put(key) && put("="))
        put(value);
    slot[used++] = '\n';
    slot[used] = '\0';
}

bool GameOptions::Save(const char* path) {
    GUARDED_BEGIN
    if (!loaded)
        return false;
    char defaultPath[kNameSize];
    if (!path) {
        DefaultConfigPath(defaultPath);
        path = defaultPath;
    }
    gLog.Write(1, __FILE__, __LINE__, "saving config file to %s", path);
    ConfigText file;
    for (uint8_t section = 0; section <= uint8_t(OptionSection::Debug); ++section) {
        file.Line("%s\n", SectionHeader(OptionSection(section)));
        for (const OptionRow& row : GameOptionTable()) {
            const bool written =
                row.presenceFlag == OptionRow::kAlwaysWritten || hiddenPresent[row.presenceFlag];
            if (row.section == OptionSection(section) && written)
                WriteOption(file, row, row.member(*this));
        }
        file.Text("\n");
    }
    file.Line("%s\n", kUnknownHeader);
    for (int32_t i = 0; i < keptLineCount; ++i)
        file.Text(keptLines[i]);
    if (Platform::ReplaceFile(path, file.Content(), 0666))
        return true;
    gLog.Write(1, __FILE__, __LINE__, "could not write config file %s", path);
    return false;
    GUARDED_END_LOGGED(false)
}

uint8_t GameOptions::WindowAlpha() const {
    // 64 bits: a percentage far out of range must not overflow on its way to 8 bits.
    return uint8_t(255 - int64_t(window_transparency) * 255 / 100);
}
