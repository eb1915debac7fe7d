// s_stringList.cpp -- StringList: line splitting and whole-file reading.
#include "dynList/s_stringList.h"

#include <cstring>

#include "common/s_file.h"

void StringList::Add(const char* text) {
    GUARDED_BEGIN
    StringEntry entry;
    entry.id = NextId();
    gStrUtil.Set(entry.text, sizeof(entry.text), text);
    PtrList::Add(entry);
    GUARDED_END()
}

const char* StringList::GetText(int32_t position) {
    Node* node = GetAt(position);
    return node ? node->element.text : nullptr;
}

int32_t StringList::ParseText(const char* buffer, uint32_t length, char comment) {
    GUARDED_BEGIN
    char line[kLineSize] = {};
    uint32_t used = 0;
    auto finishLine = [&] {
        line[used] = '\0';
        if (comment == 0 || line[0] != comment)
            Add(line);
        used = 0;
    };
    for (uint32_t i = 0; i < length; ++i) {
        char c = buffer[i];
        if (c == '\n' && i > 0 && buffer[i - 1] == '\r')
            continue;
        if (c == '\r' || c == '\n') {
            finishLine();
            continue;
        }
        if (used == kLineSize - 1)
            finishLine();
        line[used++] = c;
    }
    if (used > 0)
        finishLine();
    return GetCount();
    GUARDED_END(0)
}

int32_t StringList::ReadTextFile(const char* path, char comment) {
    GUARDED_BEGIN
    gLog.Write(2, __FILE__, __LINE__, "reading strings from text file: %s", path);
    int32_t size = 0;
    if (!gFileUtil.GetFileSize(path, &size) || size == 0)
        return 0;
    uint8_t* buffer = nullptr;
    if (!gFileUtil.ReadFileAlloc(path, 0, &buffer, size))
        return 0;
    int32_t entries = ParseText(reinterpret_cast<const char*>(buffer), uint32_t(size), comment);
    FREE_ARRAY_TRACKED(buffer);
    return entries;
    GUARDED_END(0)
}
