// p_registryStore.h -- one registry root held in memory, read from and written to its .reg text.
//
// The text form is the registry editor's export form: a header line, then per key a line
// "[ROOT\Key\Path]" followed by its values, "name"=data or @=data for the default value, where
// data is "text" (REG_SZ), dword:0000abcd (REG_DWORD), hex:.. (REG_BINARY) or hex(N):.. (any
// other type). Quoted texts escape \\, \", and the control bytes (\n, \r, \t, \0, \xHH), so every
// value keeps its exact bytes and data length; in particular a REG_SZ value without a terminating
// NUL stays without one. Key paths and value names compare case-insensitively (ASCII letters), as
// on Windows, and keep the case they were created with. Parsing is all or nothing: a text that
// does not follow the form is rejected whole, with the line and the reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Linux {

class RegistryStore {
public:
    struct Value {
        std::string name; // empty: the key's default value
        uint32_t type;
        std::string data; // the exact bytes
    };

    // rootName: "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE", the prefix of every key line.
    explicit RegistryStore(std::string rootName);

    // Replaces the content with the text's; on failure the content is unchanged and `problem`
    // says which line is wrong and why. An empty text is an empty store.
    bool Parse(const std::string& text, std::string& problem);
    std::string Serialize() const;

    bool HasKey(const std::string& path) const;
    bool HasSubkeys(const std::string& path) const;
    // Adds the key and every missing parent; true when anything was added.
    bool AddKey(const std::string& path);
    // Removes the key with its values (not its subkeys); false if it did not exist.
    bool RemoveKey(const std::string& path);

    const Value* FindValue(const std::string& path, const std::string& name) const;
    // Sets a value of an existing key; false if the key does not exist.
    bool SetValue(const std::string& path, const std::string& name, uint32_t type, const std::string& data);

    // A key path has non-empty components separated by single backslashes, no control bytes and
    // no component longer than 255 bytes.
    static bool IsValidKeyPath(const std::string& path);
    // ASCII case-insensitive equality, as Windows compares key and value names.
    static bool SameName(const std::string& a, const std::string& b);

private:
    struct Key {
        std::string path;
        std::vector<Value> values;
    };

    Key* FindKey(const std::string& path);
    const Key* FindKey(const std::string& path) const;
    bool ParseLine(const std::string& line, Key*& current, std::string& problem);

    std::string rootName;
    std::vector<Key> keys;
};

} // namespace Platform::Linux
