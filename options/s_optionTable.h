// s_optionTable.h -- the rows that tie each config.ini key to its GameOptions member.
//
// One row per option, in the client's file order: key, section, storage type (taken from the
// member's declaration), the member itself, the default in file syntax and, for the hidden
// [DEBUG] options, the index of the presence flag. Defaults, Load and Save all walk these rows,
// so a key, its type and its default are each written once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "options/s_options.h"

enum class OptionSection : uint8_t { Video, Audio, Input, Keys, Ingame, Comm, Misc, Debug };

enum class OptionType : uint8_t { Int32, UInt16, Float32, Text, KeyBinding };

struct OptionRow {
    static constexpr int8_t kAlwaysWritten = -1;

    const char* key;
    OptionSection section;
    OptionType type;
    uint16_t size;                        // bytes of the member: a text's capacity with its terminator
    void* (*member)(GameOptions& options);  // the member within an option set
    const char* defaultValue;             // as a file would hold it; null: set by the constructor
    int8_t presenceFlag;                  // hidden options: index of their flag; else kAlwaysWritten
};

struct OptionTable {
    const OptionRow* first;
    const OptionRow* last;
    const OptionRow* begin() const { return first; }
    const OptionRow* end() const { return last; }
};

// Every option in the order the client's file lists them.
OptionTable GameOptionTable();

// "[VIDEO]" and so on.
const char* SectionHeader(OptionSection section);
