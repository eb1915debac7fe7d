// s_stringList.h -- StringList: texts of up to 1,023 bytes in the order they were added.
//
// Every entry gets a new increasing id as its key, so Add always appends. ParseText splits a buffer
// into lines (CR, LF and CR LF each end one line; longer lines are cut into 1,023-byte pieces), and
// ReadTextFile does the same for a whole file, appending to what the list holds.
#pragma once

#include <cstdint>

#include "common/s_strUtil.h"
#include "dynList/s_template_ptrList.h"

struct StringEntry {
    int64_t id;
    char text[kLineSize];
};

class StringList : public PtrList<StringEntry> {
public:
    StringList(int32_t level = 0, const char* listName = "") : PtrList(level, listName) {}

    int64_t GetKey(const StringEntry& entry) const override { return entry.id; }

    void Add(const char* text);
    // The text at a position, or null (with the list's not-found log line).
    const char* GetText(int32_t position);

    // Both return the number of entries afterwards; 0 after an error or for an empty file.
    int32_t ParseText(const char* buffer, uint32_t length, char comment);
    int32_t ReadTextFile(const char* path, char comment);
};
