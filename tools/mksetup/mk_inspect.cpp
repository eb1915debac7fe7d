// mk_inspect.cpp -- `mksetup --list` and `mksetup --verify`.
#include "tools/mksetup/mk_inspect.h"

#include <cinttypes>
#include <cstring>
#include <ctime>
#include <vector>

#include "main/u_setupFormat.h"
#include "main/u_setupLanguage.h"
#include "memsafe/s_mem.h"
#include "packer/s_packerCore.h"
#include "packer/s_packerUI.h"
#include "tools/mksetup/mk_writer.h"

namespace {

const char* const kTruncated = "the data ends inside a field: it is truncated or damaged (-2)";

std::string ToUtf8(const char* cp1252) {
    // Every Windows-1252 byte takes at most 3 bytes of UTF-8.
    std::vector<char> buffer(3 * std::strlen(cp1252) + 1);
    Cp1252ToUtf8(cp1252, buffer.data(), static_cast<uint32_t>(buffer.size()));
    return buffer.data();
}

std::string FormatUtc(uint32_t seconds) {
    const time_t time = seconds;
    std::tm parts;
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

class Lister : public SetupDataVisitor {
public:
    explicit Lister(FILE* stream) : out(stream) {}

    void BeginSection(SetupSection started, uint32_t startedLanguage, uint32_t count, uint32_t) override {
        section = started;
        language = startedLanguage;
        index = 0;
        switch (section) {
        case SetupSection::Header:
            break;
        case SetupSection::Links:
            std::fprintf(out, "links (%s):\n", LanguageLabel(language));
            break;
        case SetupSection::Terms:
            std::fprintf(out, "terms (%s): %" PRIu32 " lines\n", LanguageLabel(language), count);
            break;
        case SetupSection::Folders:
            std::fprintf(out, "folders: %" PRIu32 "\n", count);
            break;
        case SetupSection::Files:
            std::fprintf(out, "files: %" PRIu32 "\n", count);
            std::fprintf(out, "  %10s %10s %-10s %-10s %-19s  %s\n", "expanded", "packed", "expCrc",
                         "packCrc", "modified (UTC)", "name");
            break;
        }
    }

    void OnString(const char* text) override {
        static const char* const kHeaderNames[] = {"title",        "defaultFolder",   "productName",
                                                   "defaultGroup", "desktopLinkName", "desktopLinkTarget"};
        const std::string utf8 = ToUtf8(text);
        if (section == SetupSection::Header)
            std::fprintf(out, "%-18s %s\n", kHeaderNames[index], utf8.c_str());
        else if (section == SetupSection::Links && index % 2 == 0)
            std::fprintf(out, "  %s", utf8.c_str());
        else if (section == SetupSection::Links)
            std::fprintf(out, " -> %s\n", utf8.c_str());
        else if (section == SetupSection::Folders)
            std::fprintf(out, "  %s\n", utf8.c_str());
        ++index;
    }

    void OnHeaderWords(const SetupHeaderWords& w) override {
        std::fprintf(out,
                     "betaFlag %" PRIu32 ", testFlag %" PRIu32 ", registerFlag %" PRIu32 ", version %" PRIu32
                     ", versionSub %" PRIu32 ", previousVersion %" PRIu32 ", previousVersionSub %" PRIu32
                     "\n",
                     w.betaFlag, w.testFlag, w.registerFlag, w.version, w.versionSub, w.previousVersion,
                     w.previousVersionSub);
    }

    void OnFile(const SetupFileRecord& record) override {
        std::fprintf(out, "  %10" PRIu32 " %10" PRIu32 " 0x%08" PRIX32 " 0x%08" PRIX32 " %s  %s\n",
                     record.expandedSize, record.packedSize, record.expandedCrc, record.packedCrc,
                     FormatUtc(record.modifyTime).c_str(), ToUtf8(record.name).c_str());
        expandedTotal += record.expandedSize;
        packedTotal += record.packedSize;
    }

    uint64_t expandedTotal = 0;
    uint64_t packedTotal = 0;

private:
    FILE* out;
    SetupSection section = SetupSection::Header;
    uint32_t language = 0;
    uint32_t index = 0;
};

class RecordCollector : public SetupDataVisitor {
public:
    void BeginSection(SetupSection, uint32_t, uint32_t, uint32_t) override {}
    void OnString(const char*) override {}
    void OnHeaderWords(const SetupHeaderWords&) override {}
    void OnFile(const SetupFileRecord& record) override { records.push_back(record); }

    std::vector<SetupFileRecord> records;
};

// Empty when the record is sound, else what is wrong with it.
std::string CheckRecord(const SetupFileRecord& record) {
    if (gCrc32.Update(record.payload, record.packedSize, true) != record.packedCrc)
        return "payload CRC-32 differs from its packedCrc";
    if (record.expandedSize == 0)
        return record.expandedCrc == 0 ? "" : "empty file with a non-zero expandedCrc";
    uint8_t* expanded = nullptr;
    const uint32_t crc =
        gPacker.DecompressChecked(record.payload, record.packedSize, &expanded, record.expandedSize);
    if (expanded)
        FREE_ARRAY_TRACKED(expanded);
    if (crc == 0)
        return "payload does not expand to its expandedSize";
    if (crc != record.expandedCrc)
        return "expanded CRC-32 differs from its expandedCrc";
    return "";
}

} // namespace

bool ListSetupData(const uint8_t* data, uint32_t size, FILE* out, std::string* error) {
    std::fprintf(out, "size               %" PRIu32 " bytes, CRC-32 0x%08" PRIX32 "\n", size,
                 gCrc32.Update(data, size, true));
    Lister lister(out);
    uint32_t end = 0;
    if (!WalkSetupData(data, size, lister, &end)) {
        *error = kTruncated;
        return false;
    }
    std::fprintf(out, "total: %" PRIu64 " bytes expanded, %" PRIu64 " bytes packed\n", lister.expandedTotal,
                 lister.packedTotal);
    if (end != size)
        std::fprintf(out, "%" PRIu32 " bytes follow the last file record\n", size - end);
    return true;
}

bool VerifySetupData(const uint8_t* data, uint32_t size, FILE* out, std::string* error) {
    RecordCollector collector;
    if (!WalkSetupData(data, size, collector)) {
        *error = kTruncated;
        return false;
    }
    uint32_t damaged = 0;
    for (const SetupFileRecord& record : collector.records) {
        const std::string problem = CheckRecord(record);
        if (!problem.empty()) {
            std::fprintf(out, "DAMAGED %s: %s\n", ToUtf8(record.name).c_str(), problem.c_str());
            ++damaged;
        }
    }
    if (damaged) {
        *error = std::to_string(damaged) + " of " + std::to_string(collector.records.size()) +
                 " files are damaged";
        return false;
    }
    std::fprintf(out, "verified %zu files, CRC-32 of the data 0x%08" PRIX32 "\n", collector.records.size(),
                 gCrc32.Update(data, size, true));
    return true;
}
