// s_strUtil.cpp -- bounded operations on zero-terminated byte buffers.
#include "common/s_strUtil.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

StrUtil gStrUtil;

namespace {

bool IsEmpty(const char* text) { return !text || !*text; }

}  // namespace

uint32_t StrUtil::Length(const char* text) const { return text ? uint32_t(std::strlen(text)) : 0; }

void StrUtil::Set(char* dest, uint32_t size, const char* source, uint32_t count) {
    if (!dest || size == 0)
        return;
    std::memset(dest, 0, size);
    if (source)
        Copy(dest, size, source, count);
}

void StrUtil::Copy(char* dest, uint32_t size, const char* source, uint32_t count) {
    if (!dest || !source || size == 0)
        return;
    if (count == 0)
        count = Length(source) + 1;
    if (count > size - 1)
        count = size - 1;
    std::strncpy(dest, source, count);
}

void StrUtil::Trim(char* text) {
    if (!text)
        return;
    uint32_t lead = 0;
    while (text[lead] == ' ')
        ++lead;
    uint32_t length = Length(text + lead);
    std::memmove(text, text + lead, length + 1);
    while (length > 0 && text[length - 1] == ' ')
        text[--length] = '\0';
}

void StrUtil::Append(char* dest, uint32_t size, const char* source) {
    if (!dest || !source || size == 0)
        return;
    uint32_t used = Length(dest);
    uint32_t extra = Length(source);
    if (used + extra >= size) {
        if (size - 1 <= used)
            return;
        extra = size - 1 - used;
    }
    std::memcpy(dest + used, source, extra);
    dest[used + extra] = '\0';
}

void StrUtil::AppendChar(char* text, uint32_t size, char c) {
    if (!text || size == 0)
        return;
    uint32_t length = Length(text);
    if (length < size - 1) {
        text[length] = c;
        text[length + 1] = '\0';
    }
}

void StrUtil::Insert(char* dest, const char* source, uint32_t position) {
    if (!dest || IsEmpty(source) || position > Length(dest))
        return;
    uint32_t extra = Length(source);
    std::memmove(dest + position + extra, dest + position, Length(dest) - position + 1);
    std::memcpy(dest + position, source, extra);
}

void StrUtil::Delete(char* text, uint32_t position, uint32_t count) {
    uint32_t length = Length(text);
    if (length == 0 || count == 0 || position >= length)
        return;
    if (count > length - position)
        count = length - position;
    std::memmove(text + position, text + position + count, length - position - count + 1);
}

bool StrUtil::SubString(const char* source, char* dest, uint32_t start, uint32_t count) {
    uint32_t length = Length(source);
    if (length == 0 || !dest || start >= length)
        return false;
    if (count > length - start)
        count = length - start;
    if (count == 0)
        return false;
    std::memmove(dest, source + start, count);
    dest[count] = '\0';
    return true;
}

bool StrUtil::SplitAt(char* text, char* tail, uint32_t position) {
    if (position >= Length(text) || !tail)
        return false;
    tail[0] = '\0';
    bool hasTail = SubString(text, tail, position + 1, Length(text));
    text[position] = '\0';
    return hasTail;
}

bool StrUtil::SplitAtChar(char* text, char* tail, char c, bool last) {
    if (IsEmpty(text) || !tail)
        return false;
    tail[0] = '\0';
    int32_t position = FindChar(text, c, last);
    if (position < 0)
        return false;
    return SplitAt(text, tail, uint32_t(position));
}

void StrUtil::AddSeparator(char* path, char separator) {
    uint32_t length = Length(path);
    if (length == 0 || path[length - 1] == '/' || path[length - 1] == '\\')
        return;
    if (separator == 0)
        separator = FindChar(path, '/', false) >= 0 ? '/' : '\\';
    AppendChar(path, kNameSize, separator);
}

bool StrUtil::Replace(char* text, const char* pattern, const char* replacement, bool caseSensitive,
                      int32_t position) {
    if (position == -1)
        position = FindString(text, pattern, caseSensitive, -1);
    if (position < 0)
        return false;
    Delete(text, uint32_t(position), Length(pattern));
    if (replacement)
        Insert(text, replacement, uint32_t(position));
    return true;
}

bool StrUtil::ReplaceChar(char* text, char from, char to) {
    bool replaced = false;
    for (char* p = text; p && *p; ++p) {
        if (*p == from) {
            *p = to;
            replaced = true;
        }
    }
    return replaced;
}

int32_t StrUtil::FindChar(const char* text, char c, bool last) const { return FindCharFrom(text, c, 0, last); }

int32_t StrUtil::FindCharFrom(const char* text, char c, int32_t start, bool last) const {
    int32_t length = int32_t(Length(text));
    int32_t found = -1;
    for (int32_t i = start < 0 ? 0 : start; i < length; ++i) {
        if (text[i] == c) {
            found = i;
            if (!last)
                break;
        }
    }
    return found;
}

int32_t StrUtil::FindString(const char* text, const char* pattern, bool caseSensitive, int32_t position) const {
    int32_t textLength = int32_t(Length(text));
    int32_t patternLength = int32_t(Length(pattern));
    if (textLength == 0 || patternLength == 0 || patternLength > textLength)
        return -1;
    auto standsAt = [&](int32_t at) {
        for (int32_t i = 0; i < patternLength; ++i) {
            char a = text[at + i];
            char b = pattern[i];
            if (caseSensitive ? a != b : ToUpperChar(a) != ToUpperChar(b))
                return false;
        }
        return true;
    };
    if (position >= 0)
        return position <= textLength - patternLength && standsAt(position) ? position : -1;
    for (int32_t at = 0; at <= textLength - patternLength; ++at) {
        if (standsAt(at))
            return at;
    }
    return -1;
}

int32_t StrUtil::Compare(const char* first, const char* second, bool caseSensitive) const {
    if (IsEmpty(first))
        return -1;
    if (IsEmpty(second))
        return 1;
    return caseSensitive ? std::strcmp(first, second) : strcasecmp(first, second);
}

char StrUtil::ToUpperChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z')
        return char(u - 'a' + 'A');
    switch (u) {
    case 0xE4: return char(0xC4);  // ä
    case 0xF6: return char(0xD6);  // ö
    case 0xFC: return char(0xDC);  // ü
    default: return c;
    }
}

const char* StrUtil::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(result, sizeof(result), format, args);
    va_end(args);
    return result;
}

const char* StrUtil::FormatInt64(int64_t value, bool group, bool plusSign) {
    std::memset(result, 0, kNameSize);
    uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
    char digits[24];
    int count = std::snprintf(digits, sizeof(digits), "%llu", static_cast<unsigned long long>(magnitude));
    char* out = result;
    if (value < 0)
        *out++ = '-';
    else if (plusSign && value > 0)
        *out++ = '+';
    for (int i = 0; i < count; ++i) {
        if (group && i > 0 && (count - i) % 3 == 0)
            *out++ = '.';
        *out++ = digits[i];
    }
    return result;
}

const char* StrUtil::FormatThousandths(int32_t value) {
    int length = std::snprintf(result, sizeof(result), "%f", value / 1000.0);
    while (length - 1 > 2 && result[length - 1] == '0')
        result[--length] = '\0';
    return result;
}
