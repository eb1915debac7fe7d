// p_registryStore.cpp -- the .reg text form of one registry root: parser, writer and key model.
//
// Serialize writes what Parse reads back to the same content, byte for byte in every value; keys
// come out sorted (case-insensitively, a parent right before its subkeys), values in the order
// they were first set. Lines end in CR LF as the registry editor writes them; Parse also takes LF.
#include "platform/linux/p_registryStore.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace Platform::Linux {

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegString = 1;
constexpr size_t kMaxKeyNameLength = 255;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Case-insensitive order in which a backslash sorts first, so subkeys follow their parent.
bool KeyOrder(const std::string& a, const std::string& b) {
    auto rank = [](char c) { return c == '\\' ? 0 : static_cast<unsigned char>(LowerAscii(c)) + 1; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return rank(x) < rank(y); });
}

bool StartsWithName(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && RegistryStore::SameName(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The bytes written as a backslash and a letter of their own; other control bytes become \xHH.
const char kEscapes[][2] = {{'\\', '\\'}, {'"', '"'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}, {'\0', '0'}};

void AppendQuoted(std::string& out, const std::string& text) {
    out += '"';
    for (char c : text) {
        auto escape =
            std::find_if(std::begin(kEscapes), std::end(kEscapes), [&](const char* e) { return e[0] == c; });
        if (escape != std::end(kEscapes)) {
            out += '\\';
            out += (*escape)[1];
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof(escaped), "\\x%02x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(const std::string& line, size_t& pos, std::string& text, std::string& problem) {
    text.clear();
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++pos == line.size())
            break;
        const char letter = line[pos];
        auto escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                   [&](const char* e) { return e[1] == letter; });
        if (escape != std::end(kEscapes)) {
            text += (*escape)[0];
            continue;
        }
        const int high = letter == 'x' && pos + 2 < line.size() ? HexDigit(line[pos + 1]) : -1;
        const int low = high >= 0 ? HexDigit(line[pos + 2]) : -1;
        if (low < 0) {
            problem = std::string("unknown escape \\") + letter;
            return false;
        }
        text += char(high * 16 + low);
        pos += 2;
    }
    problem = "unterminated quoted text";
    return false;
}

bool ParseHexBytes(const std::string& list, std::string& data, std::string& problem) {
    data.clear();
    if (Trim(list).empty())
        return true;
    size_t start = 0;
    while (true) {
        size_t comma = list.find(',', start);
        std::string item =
            Trim(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        int high = item.size() == 2 ? HexDigit(item[0]) : -1;
        int low = high >= 0 ? HexDigit(item[1]) : -1;
        if (low < 0) {
            problem = "bad hex byte '" + item + "'";
            return false;
        }
        data += char(high * 16 + low);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

bool ParseData(const std::string& form, uint32_t& type, std::string& data, std::string& problem) {
    if (!form.empty() && form[0] == '"') {
        size_t pos = 0;
        if (!ParseQuoted(form, pos, data, problem))
            return false;
        if (pos != form.size()) {
            problem = "text after the closing quote";
            return false;
        }
        type = kRegString;
        return true;
    }
    if (form.compare(0, 6, "dword:") == 0) {
        std::string digits = form.substr(6);
        uint32_t number = 0;
        bool valid = digits.size() == 8;
        for (char c : digits) {
            valid = valid && HexDigit(c) >= 0;
            number = number * 16 + uint32_t(valid ? HexDigit(c) : 0);
        }
        if (!valid) {
            problem = "bad dword value";
            return false;
        }
        type = kRegDword;
        data.assign({char(number & 0xFF), char((number >> 8) & 0xFF), char((number >> 16) & 0xFF),
                     char(number >> 24)});
        return true;
    }
    if (form.compare(0, 4, "hex:") == 0) {
        type = kRegBinary;
        return ParseHexBytes(form.substr(4), data, problem);
    }
    size_t close = form.find("):");
    if (form.compare(0, 4, "hex(") == 0 && close != std::string::npos && close > 4 && close <= 12) {
        uint32_t number = 0;
        for (size_t i = 4; i < close; ++i) {
            int digit = HexDigit(form[i]);
            if (digit < 0) {
                problem = "bad value type";
                return false;
            }
            number = number * 16 + uint32_t(digit);
        }
        type = number;
        return ParseHexBytes(form.substr(close + 2), data, problem);
    }
    problem = "unknown value form";
    return false;
}

void AppendData(std::string& out, uint32_t type, const std::string& data) {
    if (type == kRegString) {
        AppendQuoted(out, data);
        return;
    }
    char number[24];
    if (type == kRegDword && data.size() == 4) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value * 256 + static_cast<unsigned char>(data[size_t(i)]);
        std::snprintf(number, sizeof(number), "dword:%08x", value);
        out += number;
        return;
    }
    if (type == kRegBinary) {
        out += "hex:";
    } else {
        std::snprintf(number, sizeof(number), "hex(%x):", type);
        out += number;
    }
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(number, sizeof(number), i ? ",%02x" : "%02x", static_cast<unsigned char>(data[i]));
        out += number;
    }
}

} // namespace

RegistryStore::RegistryStore(std::string root) : rootName(std::move(root)) {}

bool RegistryStore::SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool RegistryStore::IsValidKeyPath(const std::string& path) {
    size_t componentLength = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == 0x7F)
            return false;
        if (c != '\\') {
            if (++componentLength > kMaxKeyNameLength)
                return false;
            continue;
        }
        if (componentLength == 0)
            return false;
        componentLength = 0;
    }
    return componentLength > 0;
}

RegistryStore::Key* RegistryStore::FindKey(const std::string& path) {
    auto found =
        std::find_if(keys.begin(), keys.end(), [&](const Key& key) { return SameName(key.path, path); });
    return found == keys.end() ? nullptr : &*found;
}

const RegistryStore::Key* RegistryStore::FindKey(const std::string& path) const {
    return const_cast<RegistryStore*>(this)->FindKey(path);
}

bool RegistryStore::HasKey(const std::string& path) const {
    return FindKey(path) != nullptr;
}

bool RegistryStore::HasSubkeys(const std::string& path) const {
    return std::any_of(keys.begin(), keys.end(), [&](const Key& key) {
        return key.path.size() > path.size() && key.path[path.size()] == '\\' &&
               StartsWithName(key.path, path);
    });
}

bool RegistryStore::AddKey(const std::string& path) {
    bool added = false;
    for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        std::string prefix = path.substr(0, end);
        if (!HasKey(prefix)) {
            keys.push_back(Key{prefix, {}});
            added = true;
        }
        if (end == std::string::npos)
            return added;
    }
}

bool RegistryStore::RemoveKey(const std::string& path) {
    auto found =
        std::find_if(keys.begin(), keys.end(), [&](const Key& key) { return SameName(key.path, path); });
    if (found == keys.end())
        return false;
    keys.erase(found);
    return true;
}

const RegistryStore::Value* RegistryStore::FindValue(const std::string& path, const std::string& name) const {
    const Key* key = FindKey(path);
    if (!key)
        return nullptr;
    for (const Value& value : key->values) {
        if (SameName(value.name, name))
            return &value;
    }
    return nullptr;
}

bool RegistryStore::SetValue(const std::string& path, const std::string& name, uint32_t type,
                             const std::string& data) {
    Key* key = FindKey(path);
    if (!key)
        return false;
    for (Value& value : key->values) {
        if (SameName(value.name, name)) {
            value.type = type;
            value.data = data;
            return true;
        }
    }
    key->values.push_back(Value{name, type, data});
    return true;
}

bool RegistryStore::ParseLine(const std::string& line, Key*& current, std::string& problem) {
    if (line[0] == '[') {
        const std::string prefix = rootName + "\\";
        std::string path = line.back() == ']' ? line.substr(1, line.size() - 2) : std::string();
        if (!StartsWithName(path, prefix) || !IsValidKeyPath(path.substr(prefix.size()))) {
            problem = "not a key of " + rootName;
            return false;
        }
        path.erase(0, prefix.size());
        AddKey(path);
        current = FindKey(path);
        return true;
    }
    if (line[0] != '"' && line[0] != '@') {
        problem = "neither a key nor a value";
        return false;
    }
    if (!current) {
        problem = "value outside a key";
        return false;
    }
    std::string name;
    size_t pos = 1; // after '@'
    if (line[0] == '"') {
        pos = 0;
        if (!ParseQuoted(line, pos, name, problem))
            return false;
    }
    if (pos >= line.size() || line[pos] != '=') {
        problem = "'=' expected after the value name";
        return false;
    }
    uint32_t type = 0;
    std::string data;
    if (!ParseData(line.substr(pos + 1), type, data, problem))
        return false;
    SetValue(current->path, name, type, data);
    return true;
}

bool RegistryStore::Parse(const std::string& text, std::string& problem) {
    RegistryStore parsed(rootName);
    std::vector<std::string> lines;
    for (size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }

    bool headerSeen = false;
    Key* current = nullptr;
    for (size_t index = 0; index < lines.size(); ++index) {
        const size_t lineNumber = index + 1;
        std::string line = Trim(lines[index]);
        if (line.empty() || line[0] == ';')
            continue;
        // A hex value may continue on the next lines, each continued one ending in a backslash.
        while ((line[0] == '"' || line[0] == '@') && line.back() == '\\' && index + 1 < lines.size()) {
            line.pop_back();
            line += Trim(lines[++index]);
        }
        if (!headerSeen) {
            if (line != kHeader) {
                problem =
                    "line " + std::to_string(lineNumber) + ": the header \"" + kHeader + "\" is missing";
                return false;
            }
            headerSeen = true;
            continue;
        }
        if (!parsed.ParseLine(line, current, problem)) {
            problem = "line " + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
    }
    keys = std::move(parsed.keys);
    return true;
}

std::string RegistryStore::Serialize() const {
    std::vector<const Key*> ordered;
    for (const Key& key : keys)
        ordered.push_back(&key);
    std::sort(ordered.begin(), ordered.end(),
              [](const Key* a, const Key* b) { return KeyOrder(a->path, b->path); });

    std::string out = std::string(kHeader) + "\r\n";
    for (const Key* key : ordered) {
        out += "\r\n[" + rootName + "\\" + key->path + "]\r\n";
        for (const Value& value : key->values) {
            if (value.name.empty())
                out += '@';
            else
                AppendQuoted(out, value.name);
            out += '=';
            AppendData(out, value.type, value.data);
            out += "\r\n";
        }
    }
    return out;
}

} // namespace Platform::Linux
