// u_setupFormat.h -- the byte layout of the setup data: bounds-checked reading and the section walk.
//
// The setup data is a packed little-endian sequence: header (title, 7 words, 5 strings), two link
// tables of 8 strings, the terms of use per language (count, lines), the folder list (count,
// folders) and the file list (count, records). Strings are Windows-1252 and NUL-terminated.
// Every read here checks that the whole field lies inside the data before touching it, with
// arithmetic that cannot wrap, so damaged data is refused without a read past its end. The walk
// neither copies nor expands anything: the visitor decides what to keep. Both the installer's reader
// and the mksetup tool use this one walk.
#pragma once

#include <cstdint>

constexpr const char* kSetupResourceName = "ID_SETUPFILE";
constexpr const char* kSetupResourceType = "BIN";

constexpr uint32_t kSetupLinkEntries = 8;       // 4 pairs of link file name and target
constexpr uint32_t kSetupHeaderStrings = 5;     // the strings after the header words
constexpr uint32_t kSetupRecordFieldBytes = 24; // the 6 words between a file's name and payload

// The header words in file order.
struct SetupHeaderWords {
    uint32_t betaFlag;
    uint32_t testFlag;
    uint32_t registerFlag;
    uint32_t version;
    uint32_t versionSub;
    uint32_t previousVersion;
    uint32_t previousVersionSub; // stored, never read by the installer
};

// One record of the file list; the pointers point into the setup data.
struct SetupFileRecord {
    const char* name; // Windows-1252, relative, '\' separated
    uint32_t expandedSize;
    uint32_t expandedCrc;
    uint32_t accessTime; // seconds since 1970-01-01 UTC
    uint32_t modifyTime;
    uint32_t packedSize;
    uint32_t packedCrc;
    const uint8_t* payload; // packedSize bytes of LZARI stream
};

// A read position inside the setup data. The offset never exceeds the size; a read that would
// reach past the end fails and leaves the cursor where it was.
class SetupCursor {
public:
    SetupCursor(const uint8_t* setupData, uint32_t setupSize, uint32_t start = 0)
        : data(setupData), size(setupSize), offset(start <= setupSize ? start : setupSize) {}

    bool ReadU32(uint32_t* value);
    // The string starting at the cursor; its NUL must lie inside the data.
    bool ReadString(const char** text);
    bool ReadBytes(uint32_t count, const uint8_t** bytes);
    bool ReadFileRecord(SetupFileRecord* record);

    uint32_t Offset() const { return offset; }

private:
    const uint8_t* data;
    uint32_t size;
    uint32_t offset;
};

enum class SetupSection { Header, Links, Terms, Folders, Files };

// Receives the walk's fields in file order. BeginSection comes before the strings or records of a
// section with their number and the offset of the first one; language is 0 where none applies.
// The header section delivers the title, then the words, then the other 5 strings.
class SetupDataVisitor {
public:
    virtual ~SetupDataVisitor() = default;
    virtual void BeginSection(SetupSection section, uint32_t language, uint32_t count, uint32_t offset) = 0;
    virtual void OnString(const char* text) = 0;
    virtual void OnHeaderWords(const SetupHeaderWords& words) = 0;
    virtual void OnFile(const SetupFileRecord& record) = 0;
};

// Walks sections A to E. False as soon as a field reaches past the end of the data; the visitor
// has then seen every field before it. Bytes after the last record are not looked at. On success
// *endOffset (if given) is the offset just after the last record.
bool WalkSetupData(const uint8_t* data, uint32_t size, SetupDataVisitor& visitor,
                   uint32_t* endOffset = nullptr);

// ---- Text encoding: the data holds Windows-1252, the program UTF-8 ----------------------------

// The Unicode code point of a Windows-1252 byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same value, as Windows does.
uint32_t Cp1252ToCodePoint(uint8_t byte);
// The Windows-1252 byte of a code point; false for every code point the code page cannot hold,
// including the five undefined ones, and for 0, which would end the string.
bool CodePointToCp1252(uint32_t codePoint, uint8_t* byte);

// Converts a NUL-terminated Windows-1252 text into a UTF-8 buffer of `size` bytes, cut at a
// character boundary when it does not fit. False when it had to be cut.
bool Cp1252ToUtf8(const char* text, char* dest, uint32_t size);
