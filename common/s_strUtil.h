// s_strUtil.h -- bounded operations on zero-terminated byte buffers.
//
// Operations that take a buffer size never write past it; a null pointer counts as an empty text;
// nothing throws. Insert, SubString and Replace rely on the caller for room, as documented. The
// formatters share one 1,024-byte result buffer: each call overwrites the previous result.
#pragma once

#include <cstdint>

#include "common/s_log.h"  // SETUP_PRINTF

// The sizes of the text buffers used throughout the program.
constexpr int kNameSize = 256;   // paths, names, keys: at most 255 bytes
constexpr int kLineSize = 1024;  // lines, list entries, messages: at most 1,023 bytes

class StrUtil {
public:
    uint32_t Length(const char* text) const;
    void Set(char* dest, uint32_t size, const char* source, uint32_t count = 0);
    void Copy(char* dest, uint32_t size, const char* source, uint32_t count = 0);
    void Trim(char* text);

    void Append(char* dest, uint32_t size, const char* source);
    void AppendChar(char* text, uint32_t size, char c);
    void Insert(char* dest, const char* source, uint32_t position);
    void Delete(char* text, uint32_t position, uint32_t count);
    bool SubString(const char* source, char* dest, uint32_t start, uint32_t count);
    bool SplitAt(char* text, char* tail, uint32_t position);
    bool SplitAtChar(char* text, char* tail, char c, bool last);
    void AddSeparator(char* path, char separator = 0);
    bool Replace(char* text, const char* pattern, const char* replacement, bool caseSensitive,
                 int32_t position = -1);
    bool ReplaceChar(char* text, char from, char to);

    int32_t FindChar(const char* text, char c, bool last) const;
    int32_t FindCharFrom(const char* text, char c, int32_t start, bool last) const;
    int32_t FindString(const char* text, const char* pattern, bool caseSensitive, int32_t position = -1) const;
    int32_t Compare(const char* first, const char* second, bool caseSensitive) const;
    static char ToUpperChar(char c);

    const char* Format(const char* format, ...) SETUP_PRINTF(2, 3);
    const char* FormatInt64(int64_t value, bool group, bool plusSign);
    const char* FormatThousandths(int32_t value);

private:
    char result[kLineSize] = {};
};

extern StrUtil gStrUtil;
