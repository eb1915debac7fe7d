// u_setupRessource.cpp -- loading, verifying and indexing the embedded setup data.
//
// The string list holds, by position: 0 title, 1 defaultFolder, 2 productName, 3 defaultGroup,
// 4 desktopLinkName, 5 desktopLinkTarget, 6-13 the English and 14-21 the German link table, then
// the English terms, the German terms and the folders. File names stay in the data. Start indices
// are taken from the list's count as each section begins, so they stay right even if an entry
// could not be added.
#include "main/u_setupRessource.h"

#include <cstring>

#include "common/s_guard.h"
#include "memsafe/s_mem.h"
#include "packer/s_packerCore.h"
#include "platform/s_platform.h"
#include "system/s_system.h"

SetupRessource gRessource;

namespace {

const char* const kNotAvailable = "=N/A=";

constexpr uint32_t kTextSetupCorrupted = 0;
constexpr int32_t kCodeCrcMismatch = -1;
constexpr int32_t kCodeTruncated = -2;
// What Windows reports when the resource cannot be found, or has no bytes to lock.
constexpr int32_t kErrorResourceNameNotFound = 1814;
constexpr int32_t kErrorResourceDataNotFound = 1812;

constexpr uint32_t kStringDefaultFolder = 1;
constexpr uint32_t kStringProductName = 2;
constexpr uint32_t kStringDefaultGroup = 3;

} // namespace

// Copies the walked strings into the list and notes where each section starts.
class SetupRessource::Indexer : public SetupDataVisitor {
public:
    explicit Indexer(SetupRessource& ressource) : owner(ressource) {}

    void BeginSection(SetupSection section, uint32_t language, uint32_t count, uint32_t offset) override {
        const auto position = static_cast<uint32_t>(owner.strings->GetCount());
        switch (section) {
        case SetupSection::Header:
            break;
        case SetupSection::Links:
            owner.linkStart[language] = position;
            break;
        case SetupSection::Terms:
            owner.termsCount[language] = count;
            owner.termsStart[language] = position;
            break;
        case SetupSection::Folders:
            owner.folderCount = count;
            owner.folderStart = position;
            break;
        case SetupSection::Files:
            owner.fileCount = count;
            owner.fileListOffset = offset;
            owner.requiredBytes = 0;
            break;
        }
    }

    void OnString(const char* text) override {
        char line[kLineSize];
        Cp1252ToUtf8(text, line, sizeof(line));
        owner.strings->Add(line);
    }

    void OnHeaderWords(const SetupHeaderWords& words) override { owner.header = words; }

    void OnFile(const SetupFileRecord& record) override { owner.requiredBytes += record.expandedSize; }

private:
    SetupRessource& owner;
};

bool SetupRessource::Load(uint32_t expectedCrc) {
    GUARDED_BEGIN
    // A failed load must not leave an earlier load's data behind to install from.
    Release();
    InstallProgress* sink = progress;
    *this = SetupRessource();
    progress = sink;
    gLog.Write(1, __FILE__, __LINE__, "initializing ressource data");

    const uint8_t* found = nullptr;
    uint32_t foundSize = 0;
    if (!FindData(&found, &foundSize))
        return false;
    if (gCrc32.Update(found, foundSize, true) != expectedCrc)
        return Fail(kCodeCrcMismatch, __FILE__, __LINE__);

    strings = NEW_TRACKED(StringList);
    if (!strings)
        return false;
    Indexer indexer(*this);
    if (!WalkSetupData(found, foundSize, indexer))
        return Fail(kCodeTruncated, __FILE__, __LINE__);
    data = found;
    size = foundSize;

    if (header.previousVersion != 0)
        ResolveUpdateProposals();
    gLog.Write(2, __FILE__, __LINE__, "found installation for '%s' V %i/%i", Element(0),
               static_cast<int32_t>(header.version), static_cast<int32_t>(header.versionSub));
    return true;
    GUARDED_END(false)
}

void SetupRessource::Release() {
    GUARDED_BEGIN
    DELETE_TRACKED(strings);
    strings = nullptr;
    GUARDED_END()
}

bool SetupRessource::FindData(const uint8_t** found, uint32_t* foundSize) {
    const unsigned char* resource;
    size_t resourceSize;
    if (!Platform::FindResource(kSetupResourceName, kSetupResourceType, &resource, &resourceSize))
        return Fail(kErrorResourceNameNotFound, __FILE__, __LINE__);
    // Offsets inside the data are 32-bit: larger data could never have been written by mksetup.
    if (resourceSize == 0 || resourceSize > UINT32_MAX)
        return Fail(kErrorResourceDataNotFound, __FILE__, __LINE__);
    *found = resource;
    *foundSize = static_cast<uint32_t>(resourceSize);
    return true;
}

bool SetupRessource::Fail(int32_t code, const char* srcFile, int32_t srcLine) {
    char message[kLineSize];
    FormatText(message, sizeof(message), kTextSetupCorrupted, code);
    return gLog.ShowError(0, srcFile, srcLine, "%s", message);
}

// Update mode proposes the folder recorded by the earlier installation (the current user's record
// first), else the fresh-install folder; the start-menu group already exists, so none is proposed.
void SetupRessource::ResolveUpdateProposals() {
    char key[kNameSize];
    gStrUtil.Set(key, sizeof(key), "Software");
    gStrUtil.AddSeparator(key, '\\');
    gStrUtil.Append(key, sizeof(key), Element(kStringProductName));

    char folder[kNameSize] = {};
    bool recorded = gSysUtil.ReadString(HKEY_CURRENT_USER, key, "InstallDir", folder, sizeof(folder));
    if (!recorded) {
        std::memset(folder, 0, sizeof(folder));
        recorded = gSysUtil.ReadString(HKEY_LOCAL_MACHINE, key, "InstallDir", folder, sizeof(folder));
    }
    if (!recorded) {
        const char* proposal = gSysUtil.GetProgramFilesFolder(Element(kStringDefaultFolder));
        gStrUtil.Set(folder, sizeof(folder), proposal ? proposal : "");
    }
    SetElement(kStringDefaultFolder, folder);
    SetElement(kStringDefaultGroup, "");
}

const char* SetupRessource::Element(uint32_t position) {
    if (!strings || position > INT32_MAX)
        return kNotAvailable;
    const auto* node = strings->GetAt(static_cast<int32_t>(position));
    return node ? node->element.text : kNotAvailable;
}

void SetupRessource::SetElement(uint32_t position, const char* text) {
    auto* node = strings ? strings->GetAt(static_cast<int32_t>(position)) : nullptr;
    if (node)
        gStrUtil.Set(node->element.text, sizeof(node->element.text), text);
}

const char* SetupRessource::GetString(uint32_t index) {
    return Element(index);
}

const char* SetupRessource::GetLinkString(uint32_t index) {
    if (index >= kSetupLinkEntries)
        return kNotAvailable;
    return Element(linkStart[CurrentLanguage()] + index);
}

uint32_t SetupRessource::GetTermsLineCount() const {
    return termsCount[CurrentLanguage()];
}

const char* SetupRessource::GetTermsLine(uint32_t index) {
    const uint32_t language = CurrentLanguage();
    if (index >= termsCount[language])
        return kNotAvailable;
    return Element(termsStart[language] + index);
}

const char* SetupRessource::GetFolder(uint32_t index) {
    if (index >= folderCount)
        return kNotAvailable;
    return Element(folderStart + index);
}
