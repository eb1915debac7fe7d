// mk_manifest.cpp -- the manifest's INI reader, its checks, and the client folder scan.
//
// Limits follow the installer's buffers: texts it keeps in its string list hold at most 1,023
// bytes of UTF-8, names and paths it joins into a path buffer at most 255.
#include "tools/mksetup/mk_manifest.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "common/s_strUtil.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxText = kLineSize - 1;
constexpr size_t kMaxName = kNameSize - 1;

struct IniValue {
    std::string text;
    int line = 0;
    bool used = false;
};

struct IniSection {
    std::map<std::string, IniValue> values;
    int line = 0;
};

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ReadTextFile(const fs::path& path, std::string* text, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path.string();
        return false;
    }
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *error = "cannot read " + path.string();
        return false;
    }
    if (text->compare(0, 3, "\xEF\xBB\xBF") == 0)
        text->erase(0, 3);
    return true;
}

// Lines without their CR LF or LF; a final line end does not start another line.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

class Manifest {
public:
    explicit Manifest(std::string manifestPath) : path(std::move(manifestPath)) {}

    bool Parse(std::string* error);
    // Every section and key must have been used; false names the first stray one.
    bool CheckAllUsed(std::string* error) const;

    // The value of a key; a missing one is an error unless `fallback` is given.
    bool Get(const std::string& section, const std::string& key, std::string* value, std::string* error,
             const char* fallback = nullptr);
    bool GetNumber(const std::string& section, const std::string& key, uint32_t* value, std::string* error);

    std::string Where(const std::string& section, const std::string& key) const;
    const std::string& Path() const { return path; }

private:
    std::string path;
    std::map<std::string, IniSection> sections;
};

bool Manifest::Parse(std::string* error) {
    std::string text;
    if (!ReadTextFile(path, &text, error))
        return false;
    std::string section;
    int lineNumber = 0;
    for (const std::string& raw : SplitLines(text)) {
        ++lineNumber;
        const std::string line = Trim(raw);
        const std::string at = path + ":" + std::to_string(lineNumber) + ": ";
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                *error = at + "section header without ']'";
                return false;
            }
            section = Trim(line.substr(1, line.size() - 2));
            if (sections.count(section)) {
                *error = at + "section [" + section + "] appears twice";
                return false;
            }
            sections[section].line = lineNumber;
            continue;
        }
        const size_t equals = line.find('=');
        if (section.empty() || equals == std::string::npos) {
            *error = at + (section.empty() ? "entry outside a section" : "expected key = value");
            return false;
        }
        const std::string key = Trim(line.substr(0, equals));
        auto& values = sections[section].values;
        if (values.count(key)) {
            *error = at + "[" + section + "] " + key + " appears twice";
            return false;
        }
        values[key] = IniValue{Trim(line.substr(equals + 1)), lineNumber, false};
    }
    return true;
}

bool Manifest::CheckAllUsed(std::string* error) const {
    for (const auto& [name, section] : sections) {
        for (const auto& [key, value] : section.values) {
            if (!value.used) {
                *error = path + ":" + std::to_string(value.line) + ": unknown entry [" + name + "] " + key;
                return false;
            }
        }
        if (section.values.empty()) {
            *error = path + ":" + std::to_string(section.line) + ": unknown or empty section [" + name + "]";
            return false;
        }
    }
    return true;
}

std::string Manifest::Where(const std::string& section, const std::string& key) const {
    auto found = sections.find(section);
    if (found != sections.end()) {
        auto value = found->second.values.find(key);
        if (value != found->second.values.end())
            return path + ":" + std::to_string(value->second.line) + ": [" + section + "] " + key;
    }
    return path + ": [" + section + "] " + key;
}

bool Manifest::Get(const std::string& section, const std::string& key, std::string* value, std::string* error,
                   const char* fallback) {
    auto found = sections.find(section);
    if (found != sections.end()) {
        auto entry = found->second.values.find(key);
        if (entry != found->second.values.end()) {
            entry->second.used = true;
            *value = entry->second.text;
            return true;
        }
    }
    if (fallback) {
        *value = fallback;
        return true;
    }
    *error = Where(section, key) + ": missing";
    return false;
}

bool Manifest::GetNumber(const std::string& section, const std::string& key, uint32_t* value,
                         std::string* error) {
    std::string text;
    if (!Get(section, key, &text, error, "0"))
        return false;
    uint64_t number = 0;
    bool valid = !text.empty() && text.size() <= 10;
    for (char c : text) {
        valid = valid && c >= '0' && c <= '9';
        number = number * 10 + uint64_t(c - '0');
    }
    if (!valid || number > UINT32_MAX) {
        *error = Where(section, key) + ": '" + text + "' is not a number from 0 to 4294967295";
        return false;
    }
    *value = static_cast<uint32_t>(number);
    return true;
}

// A text the installer keeps: encodable and within its buffer.
bool CheckText(const std::string& text, size_t limit, const std::string& entry, std::string* error) {
    std::string encoded;
    std::string problem;
    if (!EncodeCp1252(text, &encoded, &problem)) {
        *error = entry + ": " + problem;
        return false;
    }
    if (text.size() > limit) {
        *error = entry + ": " + std::to_string(text.size()) + " bytes; the installer holds at most " +
                 std::to_string(limit);
        return false;
    }
    return true;
}

// A path below the installation folder: not absolute, no "..", no empty component.
bool CheckRelativePath(const std::string& path, const std::string& entry, std::string* error) {
    if (!CheckText(path, kMaxName, entry, error))
        return false;
    const bool absolute =
        path.empty() || path[0] == '\\' || path[0] == '/' || (path.size() > 1 && path[1] == ':');
    if (absolute) {
        *error =
            entry + ": '" + path + "' " + (path.empty() ? "is empty" : "is absolute; it must be relative");
        return false;
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = path.size();
        const std::string component = path.substr(start, end - start);
        if (component == "..") {
            *error = entry + ": '" + path + "' contains '..'; it must stay inside the installation folder";
            return false;
        }
        if (component.empty()) {
            *error = entry + ": '" + path + "' has an empty path component";
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool EndsWithLnk(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string suffix = name.substr(name.size() - 4);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](char c) { return StrUtil::ToUpperChar(c); });
    return suffix == ".LNK";
}

bool CheckLinkName(const std::string& name, const std::string& entry, std::string* error) {
    if (!CheckRelativePath(name, entry, error))
        return false;
    if (!EndsWithLnk(name)) {
        *error = entry + ": '" + name + "' must end in .lnk";
        return false;
    }
    return true;
}

bool ReadHeader(Manifest& manifest, SetupProduct* product, std::string* error) {
    const std::string s = "setup";
    SetupHeaderWords& words = product->header;
    if (!manifest.Get(s, "title", &product->title, error) ||
        !CheckText(product->title, kMaxText, manifest.Where(s, "title"), error))
        return false;
    const std::pair<const char*, uint32_t*> numbers[] = {
        {"betaFlag", &words.betaFlag},
        {"testFlag", &words.testFlag},
        {"registerFlag", &words.registerFlag},
        {"version", &words.version},
        {"versionSub", &words.versionSub},
        {"previousVersion", &words.previousVersion},
        {"previousVersionSub", &words.previousVersionSub},
    };
    for (const auto& [key, value] : numbers) {
        if (!manifest.GetNumber(s, key, value, error))
            return false;
    }
    if (!manifest.Get(s, "defaultFolder", &product->defaultFolder, error) ||
        !manifest.Get(s, "productName", &product->productName, error) ||
        !manifest.Get(s, "defaultGroup", &product->defaultGroup, error, "") ||
        !manifest.Get(s, "desktopLinkName", &product->desktopLinkName, error) ||
        !manifest.Get(s, "desktopLinkTarget", &product->desktopLinkTarget, error))
        return false;

    const std::string& folder = product->defaultFolder;
    if (folder.empty() || folder[0] != '\\') {
        *error = manifest.Where(s, "defaultFolder") + ": '" + folder + "' must begin with a backslash";
        return false;
    }
    const bool nameHasSeparator = product->productName.find_first_of("\\/") != std::string::npos;
    if (product->productName.empty() || nameHasSeparator) {
        *error = manifest.Where(s, "productName") + ": must be a non-empty name without '\\' or '/'";
        return false;
    }
    return CheckRelativePath(folder.substr(1), manifest.Where(s, "defaultFolder"), error) &&
           CheckText(product->productName, kMaxName, manifest.Where(s, "productName"), error) &&
           (product->defaultGroup.empty() ||
            CheckRelativePath(product->defaultGroup, manifest.Where(s, "defaultGroup"), error)) &&
           CheckLinkName(product->desktopLinkName, manifest.Where(s, "desktopLinkName"), error) &&
           CheckRelativePath(product->desktopLinkTarget, manifest.Where(s, "desktopLinkTarget"), error);
}

const char* const kLanguageKeys[kLanguageCount] = {"english", "german"};

bool ReadLinks(Manifest& manifest, SetupProduct* product, std::string* error) {
    for (uint32_t language = 0; language < kLanguageCount; ++language) {
        const std::string section = std::string("links.") + kLanguageKeys[language];
        for (uint32_t pair = 0; pair < kSetupLinkEntries / 2; ++pair) {
            const std::string linkKey = "link" + std::to_string(pair);
            const std::string targetKey = "target" + std::to_string(pair);
            std::string& link = product->links[language][2 * pair];
            std::string& target = product->links[language][2 * pair + 1];
            if (!manifest.Get(section, linkKey, &link, error) ||
                !manifest.Get(section, targetKey, &target, error) ||
                !CheckLinkName(link, manifest.Where(section, linkKey), error) ||
                !CheckRelativePath(target, manifest.Where(section, targetKey), error))
                return false;
        }
    }
    return true;
}

bool ReadTerms(Manifest& manifest, const fs::path& base, SetupProduct* product,
               std::vector<std::string>* inputs, std::string* error) {
    for (uint32_t language = 0; language < kLanguageCount; ++language) {
        std::string file;
        if (!manifest.Get("terms", kLanguageKeys[language], &file, error))
            return false;
        const std::string entry = manifest.Where("terms", kLanguageKeys[language]);
        const fs::path path = base / file;
        std::string text;
        std::string problem;
        if (file.empty() || !ReadTextFile(path, &text, &problem)) {
            *error = entry + ": missing terms file: " + (file.empty() ? "no file named" : problem);
            return false;
        }
        inputs->push_back(path.string());
        product->terms[language] = SplitLines(text);
        for (size_t i = 0; i < product->terms[language].size(); ++i) {
            const std::string lineEntry = path.string() + ":" + std::to_string(i + 1);
            if (!CheckText(product->terms[language][i], kMaxText, lineEntry, error))
                return false;
        }
    }
    return true;
}

class ClientScanner {
public:
    ClientScanner(SetupProduct* scanned, std::vector<std::string>* scannedInputs, std::string* message)
        : product(scanned), inputs(scannedInputs), error(message) {}

    // Lists `folder` (whose name inside the installation is `relative`), parents before children.
    bool Scan(const fs::path& folder, const std::string& relative);

private:
    bool AddFile(const fs::path& path, const std::string& name);

    SetupProduct* product;
    std::vector<std::string>* inputs;
    std::string* error;
};

bool ClientScanner::Scan(const fs::path& folder, const std::string& relative) {
    inputs->push_back(folder.string());
    std::error_code code;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code))
        entries.push_back(it->path());
    if (code) {
        *error = "client folder " + folder.string() + ": " + code.message();
        return false;
    }
    std::sort(entries.begin(), entries.end(), [](const fs::path& a, const fs::path& b) {
        return a.filename().string() < b.filename().string();
    });
    for (const fs::path& path : entries) {
        const std::string leaf = path.filename().string();
        const std::string name = relative.empty() ? leaf : relative + "\\" + leaf;
        const std::string entry = "client entry '" + name + "' (" + path.string() + ")";
        if (!CheckRelativePath(name, entry, error))
            return false;
        if (leaf.find('\\') != std::string::npos) {
            *error = entry + ": its name holds a backslash, which the installer reads as a folder separator";
            return false;
        }
        const fs::file_status status = fs::symlink_status(path, code);
        if (!code && fs::is_directory(status)) {
            product->folders.push_back(name);
            if (!Scan(path, name))
                return false;
        } else if (!code && fs::is_regular_file(status)) {
            if (!AddFile(path, name))
                return false;
        } else {
            *error = entry + ": neither a plain file nor a folder";
            return false;
        }
    }
    return true;
}

bool ClientScanner::AddFile(const fs::path& path, const std::string& name) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        *error = "client file '" + name + "': cannot read " + path.string();
        return false;
    }
    const auto inRange = [](time_t t) { return t >= 0 && uint64_t(t) <= UINT32_MAX; };
    if (!inRange(info.st_atim.tv_sec) || !inRange(info.st_mtim.tv_sec)) {
        *error = "client file '" + name + "': its file times lie outside 1970 to 2106";
        return false;
    }
    SetupSourceFile file;
    file.name = name;
    file.sourcePath = path.string();
    file.accessTime = static_cast<uint32_t>(info.st_atim.tv_sec);
    file.modifyTime = static_cast<uint32_t>(info.st_mtim.tv_sec);
    product->files.push_back(std::move(file));
    inputs->push_back(path.string());
    return true;
}

bool ReadClient(Manifest& manifest, const fs::path& base, SetupProduct* product,
                std::vector<std::string>* inputs, std::string* error) {
    std::string client;
    if (!manifest.Get("setup", "client", &client, error))
        return false;
    const fs::path folder = base / client;
    std::error_code code;
    if (client.empty() || !fs::is_directory(folder, code)) {
        *error =
            manifest.Where("setup", "client") + ": client folder " + folder.string() + " is not a folder";
        return false;
    }
    return ClientScanner(product, inputs, error).Scan(folder, "");
}

} // namespace

bool LoadManifest(const std::string& manifestPath, SetupProduct* product, std::vector<std::string>* inputs,
                  std::string* error) {
    Manifest manifest(manifestPath);
    SetupProduct read;
    std::vector<std::string> readInputs{manifestPath};
    const fs::path base = fs::path(manifestPath).parent_path();
    if (!manifest.Parse(error) || !ReadHeader(manifest, &read, error) || !ReadLinks(manifest, &read, error) ||
        !ReadTerms(manifest, base, &read, &readInputs, error) ||
        !ReadClient(manifest, base, &read, &readInputs, error) || !manifest.CheckAllUsed(error))
        return false;
    *product = std::move(read);
    *inputs = std::move(readInputs);
    return true;
}
