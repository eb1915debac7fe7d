// u_setupFormat.cpp -- bounds-checked reading of the setup data, the section walk, Windows-1252.
//
// Every check compares a length with the bytes left (size - offset, which cannot wrap because the
// offset never exceeds the size), never offset + length with the size.
#include "main/u_setupFormat.h"

#include <cstring>

#include "common/s_byteOrder.h"
#include "main/u_setupLanguage.h"

namespace {

// Code points of the bytes 0x80 to 0x9F; 0 marks the five bytes Windows-1252 leaves undefined.
const uint16_t kHighControlRange[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 0x98
};

// Writes the UTF-8 form of a code point below 0x10000; returns its length (1 to 3).
uint32_t EncodeUtf8(uint32_t codePoint, char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
}

} // namespace

bool SetupCursor::ReadU32(uint32_t* value) {
    const uint8_t* bytes;
    if (!ReadBytes(4, &bytes))
        return false;
    *value = GetLittleEndian(bytes, 4);
    return true;
}

bool SetupCursor::ReadString(const char** text) {
    const void* nul = std::memchr(data + offset, 0, size - offset);
    if (!nul)
        return false;
    *text = reinterpret_cast<const char*>(data + offset);
    offset = uint32_t(static_cast<const uint8_t*>(nul) - data) + 1;
    return true;
}

bool SetupCursor::ReadBytes(uint32_t count, const uint8_t** bytes) {
    if (count > size - offset)
        return false;
    *bytes = data + offset;
    offset += count;
    return true;
}

bool SetupCursor::ReadFileRecord(SetupFileRecord* record) {
    const uint32_t start = offset;
    SetupFileRecord read{};
    const bool complete = ReadString(&read.name) && ReadU32(&read.expandedSize) &&
                          ReadU32(&read.expandedCrc) && ReadU32(&read.accessTime) &&
                          ReadU32(&read.modifyTime) && ReadU32(&read.packedSize) &&
                          ReadU32(&read.packedCrc) && ReadBytes(read.packedSize, &read.payload);
    if (!complete) {
        offset = start;
        return false;
    }
    *record = read;
    return true;
}

namespace {

bool WalkStrings(SetupCursor& cursor, uint32_t count, SetupDataVisitor& visitor) {
    for (uint32_t i = 0; i < count; ++i) {
        const char* text;
        if (!cursor.ReadString(&text))
            return false;
        visitor.OnString(text);
    }
    return true;
}

// A counted section: the count, then that many strings.
bool WalkCountedStrings(SetupCursor& cursor, SetupSection section, uint32_t language,
                        SetupDataVisitor& visitor) {
    uint32_t count;
    if (!cursor.ReadU32(&count))
        return false;
    visitor.BeginSection(section, language, count, cursor.Offset());
    return WalkStrings(cursor, count, visitor);
}

bool WalkHeader(SetupCursor& cursor, SetupDataVisitor& visitor) {
    visitor.BeginSection(SetupSection::Header, 0, 1 + kSetupHeaderStrings, cursor.Offset());
    if (!WalkStrings(cursor, 1, visitor))
        return false;
    SetupHeaderWords words;
    const bool complete = cursor.ReadU32(&words.betaFlag) && cursor.ReadU32(&words.testFlag) &&
                          cursor.ReadU32(&words.registerFlag) && cursor.ReadU32(&words.version) &&
                          cursor.ReadU32(&words.versionSub) && cursor.ReadU32(&words.previousVersion) &&
                          cursor.ReadU32(&words.previousVersionSub);
    if (!complete)
        return false;
    visitor.OnHeaderWords(words);
    return WalkStrings(cursor, kSetupHeaderStrings, visitor);
}

bool WalkFiles(SetupCursor& cursor, SetupDataVisitor& visitor) {
    uint32_t count;
    if (!cursor.ReadU32(&count))
        return false;
    visitor.BeginSection(SetupSection::Files, 0, count, cursor.Offset());
    for (uint32_t i = 0; i < count; ++i) {
        SetupFileRecord record;
        if (!cursor.ReadFileRecord(&record))
            return false;
        visitor.OnFile(record);
    }
    return true;
}

} // namespace

bool WalkSetupData(const uint8_t* data, uint32_t size, SetupDataVisitor& visitor, uint32_t* endOffset) {
    SetupCursor cursor(data, size);
    if (!WalkHeader(cursor, visitor))
        return false;
    for (uint32_t language = 0; language < kLanguageCount; ++language) {
        visitor.BeginSection(SetupSection::Links, language, kSetupLinkEntries, cursor.Offset());
        if (!WalkStrings(cursor, kSetupLinkEntries, visitor))
            return false;
    }
    for (uint32_t language = 0; language < kLanguageCount; ++language) {
        if (!WalkCountedStrings(cursor, SetupSection::Terms, language, visitor))
            return false;
    }
    if (!WalkCountedStrings(cursor, SetupSection::Folders, 0, visitor) || !WalkFiles(cursor, visitor))
        return false;
    if (endOffset)
        *endOffset = cursor.Offset();
    return true;
}

uint32_t Cp1252ToCodePoint(uint8_t byte) {
    if (byte < 0x80 || byte >= 0xA0)
        return byte;
    const uint16_t mapped = kHighControlRange[byte - 0x80];
    return mapped ? mapped : byte;
}

bool CodePointToCp1252(uint32_t codePoint, uint8_t* byte) {
    if ((codePoint > 0 && codePoint < 0x80) || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        *byte = static_cast<uint8_t>(codePoint);
        return true;
    }
    for (uint8_t i = 0; i < 32; ++i) {
        if (kHighControlRange[i] != 0 && kHighControlRange[i] == codePoint) {
            *byte = static_cast<uint8_t>(0x80 + i);
            return true;
        }
    }
    return false;
}

bool Cp1252ToUtf8(const char* text, char* dest, uint32_t size) {
    if (size == 0)
        return false;
    uint32_t used = 0;
    for (const char* p = text; *p; ++p) {
        char encoded[3];
        const uint32_t length = EncodeUtf8(Cp1252ToCodePoint(static_cast<uint8_t>(*p)), encoded);
        if (length > size - 1 - used) {
            dest[used] = 0;
            return false;
        }
        std::memcpy(dest + used, encoded, length);
        used += length;
    }
    dest[used] = 0;
    return true;
}
