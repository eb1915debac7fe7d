// mk_writer.cpp -- emits setup data: texts as Windows-1252, files as LZARI streams with CRC-32s.
//
// All texts, file names included, are converted before the first file is compressed, so a bad
// name is reported at once and not after minutes of compression.
#include "tools/mksetup/mk_writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/s_byteOrder.h"
#include "memsafe/s_mem.h"
#include "packer/s_packerCore.h"
#include "packer/s_packerUI.h"

namespace {

// The whole data must stay addressable by the reader's 32-bit offsets.
constexpr uint64_t kMaxSetupDataSize = UINT32_MAX;

// Decodes one UTF-8 sequence at `text[*pos]`; false for malformed, overlong or surrogate forms.
bool DecodeUtf8(const std::string& text, size_t* pos, uint32_t* codePoint) {
    const auto lead = static_cast<uint8_t>(text[*pos]);
    uint32_t length;
    uint32_t value;
    uint32_t minimum;
    if (lead < 0x80) {
        length = 1, value = lead, minimum = 0;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (text.size() - *pos < length)
        return false;
    for (uint32_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[*pos + i]);
        if ((next & 0xC0) != 0x80)
            return false;
        value = value << 6 | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return false;
    *pos += length;
    *codePoint = value;
    return true;
}

std::string CodePointName(uint32_t codePoint) {
    char name[16];
    std::snprintf(name, sizeof(name), "U+%04X", codePoint);
    return name;
}

// Appends little-endian words and Windows-1252 strings; the first bad text stops it.
class Emitter {
public:
    Emitter(std::vector<uint8_t>& target, std::string& message) : out(target), error(message) {}

    void Word(uint32_t value) {
        uint8_t raw[4];
        PutLittleEndian(raw, value, 4);
        Bytes(raw, sizeof(raw));
    }

    void Bytes(const uint8_t* bytes, size_t count) { out.insert(out.end(), bytes, bytes + count); }

    bool Text(const std::string& utf8, const std::string& entry) {
        std::string encoded;
        std::string problem;
        if (!EncodeCp1252(utf8, &encoded, &problem)) {
            error = entry + ": " + problem;
            return false;
        }
        out.insert(out.end(), encoded.begin(), encoded.end());
        out.push_back(0);
        return true;
    }

private:
    std::vector<uint8_t>& out;
    std::string& error;
};

bool EmitTexts(Emitter& emit, const std::vector<std::string>& texts, const std::string& entry) {
    emit.Word(static_cast<uint32_t>(texts.size()));
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!emit.Text(texts[i], entry + " " + std::to_string(i + 1)))
            return false;
    }
    return true;
}

bool EmitHeader(Emitter& emit, const SetupProduct& product) {
    if (!emit.Text(product.title, "title"))
        return false;
    const SetupHeaderWords& words = product.header;
    for (uint32_t word : {words.betaFlag, words.testFlag, words.registerFlag, words.version, words.versionSub,
                          words.previousVersion, words.previousVersionSub})
        emit.Word(word);
    return emit.Text(product.defaultFolder, "defaultFolder") &&
           emit.Text(product.productName, "productName") && emit.Text(product.defaultGroup, "defaultGroup") &&
           emit.Text(product.desktopLinkName, "desktopLinkName") &&
           emit.Text(product.desktopLinkTarget, "desktopLinkTarget");
}

bool EmitLinksTermsFolders(Emitter& emit, const SetupProduct& product) {
    for (uint32_t language = 0; language < kLanguageCount; ++language) {
        for (uint32_t i = 0; i < kSetupLinkEntries; ++i) {
            const std::string entry =
                std::string(LanguageLabel(language)) + " link table entry " + std::to_string(i);
            if (!emit.Text(product.links[language][i], entry))
                return false;
        }
    }
    for (uint32_t language = 0; language < kLanguageCount; ++language) {
        if (!EmitTexts(emit, product.terms[language], std::string(LanguageLabel(language)) + " terms line"))
            return false;
    }
    emit.Word(static_cast<uint32_t>(product.folders.size()));
    for (const std::string& folder : product.folders) {
        if (!emit.Text(folder, "folder '" + folder + "'"))
            return false;
    }
    return true;
}

bool ReadWholeFile(const SetupSourceFile& file, std::vector<uint8_t>* contents, std::string* error) {
    std::error_code code;
    const uintmax_t size = std::filesystem::file_size(file.sourcePath, code);
    if (code) {
        *error = "file '" + file.name + "': cannot read " + file.sourcePath + ": " + code.message();
        return false;
    }
    if (size >= kMaxClientFileSize) {
        *error =
            "file '" + file.name + "': " + std::to_string(size) + " bytes; files must be smaller than 2 GiB";
        return false;
    }
    std::ifstream in(file.sourcePath, std::ios::binary);
    contents->resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(contents->data()), static_cast<std::streamsize>(size));
    if (!in || in.peek() != std::ifstream::traits_type::eof()) {
        *error = "file '" + file.name + "': cannot read " + file.sourcePath + ", or it changed while read";
        return false;
    }
    return true;
}

// One file record: the name (already emitted by the caller), 6 words, the payload.
bool EmitFileRecord(Emitter& emit, const SetupSourceFile& file, std::string* error) {
    std::vector<uint8_t> contents;
    if (!ReadWholeFile(file, &contents, error))
        return false;
    const auto expandedSize = static_cast<uint32_t>(contents.size());
    uint8_t* packed = nullptr;
    uint32_t packedSize = 0;
    // An empty file has an empty payload: the codec cannot encode zero bytes, the installer
    // expands nothing for it.
    if (expandedSize > 0 && !gPacker.Compress(contents.data(), expandedSize, &packed, &packedSize)) {
        *error = "file '" + file.name + "': compression failed";
        return false;
    }
    emit.Word(expandedSize);
    emit.Word(gCrc32.Update(contents.data(), expandedSize, true));
    emit.Word(file.accessTime);
    emit.Word(file.modifyTime);
    emit.Word(packedSize);
    emit.Word(gCrc32.Update(packed, packedSize, true));
    emit.Bytes(packed, packedSize);
    if (packed)
        FREE_ARRAY_TRACKED(packed);
    return true;
}

} // namespace

const char* LanguageLabel(uint32_t language) {
    return language == kLanguageGerman ? "German" : "English";
}

bool EncodeCp1252(const std::string& utf8, std::string* cp1252, std::string* problem) {
    std::string encoded;
    encoded.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        uint32_t codePoint;
        if (!DecodeUtf8(utf8, &pos, &codePoint)) {
            *problem = "is not valid UTF-8 at byte " + std::to_string(pos + 1);
            return false;
        }
        uint8_t byte;
        if (codePoint == 0) {
            *problem = "contains a NUL character";
            return false;
        }
        if (!CodePointToCp1252(codePoint, &byte)) {
            *problem = "character " + CodePointName(codePoint) + " cannot be stored in Windows-1252";
            return false;
        }
        encoded.push_back(static_cast<char>(byte));
    }
    *cp1252 = std::move(encoded);
    return true;
}

bool WriteSetupData(const SetupProduct& product, std::vector<uint8_t>* data, std::string* error,
                    const WriterProgress& progress) {
    std::vector<uint8_t> out;
    std::string message;
    Emitter emit(out, message);
    if (!EmitHeader(emit, product) || !EmitLinksTermsFolders(emit, product)) {
        *error = message;
        return false;
    }
    std::vector<std::vector<uint8_t>> names(product.files.size());
    for (size_t i = 0; i < product.files.size(); ++i) {
        Emitter nameEmit(names[i], message);
        if (!nameEmit.Text(product.files[i].name, "file '" + product.files[i].name + "'")) {
            *error = message;
            return false;
        }
    }
    emit.Word(static_cast<uint32_t>(product.files.size()));
    for (size_t i = 0; i < product.files.size(); ++i) {
        if (progress)
            progress(i, product.files.size(), product.files[i]);
        emit.Bytes(names[i].data(), names[i].size());
        if (!EmitFileRecord(emit, product.files[i], error))
            return false;
        if (out.size() > kMaxSetupDataSize) {
            *error = "file '" + product.files[i].name + "': the setup data would exceed 4 GiB";
            return false;
        }
    }
    *data = std::move(out);
    return true;
}
