// testSupport.h -- small helpers shared by the tests: temporary folders, whole-file I/O and a
// scripted message-box handler.
#pragma once

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/s_platform.h"

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "setup-test-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline bool PathExists(const std::string& path) { return std::filesystem::exists(path); }

inline long FileSize(const std::string& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    return error ? -1 : long(size);
}

// Replaces the message-box handler for its lifetime: records every box as "caption|text" and
// answers questions from a script (No once the script is used up).
class ScriptedMessageBoxes {
public:
    ScriptedMessageBoxes() : previous(Platform::SetMessageBoxHandler(Record)) { current = this; }
    ~ScriptedMessageBoxes() {
        Platform::SetMessageBoxHandler(previous);
        current = nullptr;
    }
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    std::vector<std::string> shown;
    std::deque<Platform::BoxAnswer> answers;

private:
    static Platform::BoxAnswer Record(const char* text, const char* caption, Platform::BoxButtons buttons) {
        current->shown.push_back(std::string(caption) + "|" + text);
        if (buttons == Platform::BoxButtons::Ok)
            return Platform::BoxAnswer::Ok;
        if (current->answers.empty())
            return Platform::BoxAnswer::No;
        Platform::BoxAnswer answer = current->answers.front();
        current->answers.pop_front();
        return answer;
    }

    static inline ScriptedMessageBoxes* current = nullptr;
    Platform::MessageBoxHandler previous;
};
