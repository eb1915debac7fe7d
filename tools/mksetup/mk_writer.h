// mk_writer.h -- lays out a product as setup data: the producing side of the installer's format.
//
// The writer converts every text from UTF-8 to Windows-1252, reads and compresses every client
// file with the LZARI encoder, and emits sections A to E byte for byte as the installer's reader
// walks them. It checks what the format itself needs (encodable texts without NUL, files below
// 2 GiB, data below 4 GiB); the policy checks on names and lengths belong to the manifest reader.
// On failure nothing is returned but the message, which names the offending entry.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "main/u_setupFormat.h"
#include "main/u_setupLanguage.h"

struct SetupSourceFile {
    std::string name;       // UTF-8, relative to the installation folder, '\' separated
    std::string sourcePath; // where its contents are read from
    uint32_t accessTime = 0;
    uint32_t modifyTime = 0;
};

// A product with every text in UTF-8, as the manifest gives it.
struct SetupProduct {
    std::string title;
    SetupHeaderWords header = {};
    std::string defaultFolder;
    std::string productName;
    std::string defaultGroup;
    std::string desktopLinkName;
    std::string desktopLinkTarget;
    std::string links[kLanguageCount][kSetupLinkEntries];
    std::vector<std::string> terms[kLanguageCount];
    std::vector<std::string> folders; // parents before their subfolders, '\' separated
    std::vector<SetupSourceFile> files;
};

// Files at or above this size are refused: the installer's file operations count in 32-bit signed.
constexpr uint64_t kMaxClientFileSize = uint64_t(1) << 31;

// Called before each file is read and compressed.
using WriterProgress = std::function<void(size_t index, size_t count, const SetupSourceFile& file)>;

// Converts UTF-8 to Windows-1252. False, with the reason in *problem, for malformed UTF-8, a NUL,
// or a character the code page cannot hold.
bool EncodeCp1252(const std::string& utf8, std::string* cp1252, std::string* problem);

bool WriteSetupData(const SetupProduct& product, std::vector<uint8_t>* data, std::string* error,
                    const WriterProgress& progress = nullptr);

// The name a language has in messages ("English", "German").
const char* LanguageLabel(uint32_t language);
