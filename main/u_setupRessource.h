// u_setupRessource.h -- SetupRessource: the one owner of the embedded setup data.
//
// Load finds the data linked into the installer, refuses it unless its CRC-32 equals the constant
// built with it (-1) and every field lies inside it (-2), copies every string of the header, link
// tables, terms and folder list into one StringList (converted to UTF-8, each cut to 1,023 bytes),
// remembers where each section starts and adds up the expanded file sizes. In update mode it then
// proposes the folder of the earlier installation. Nothing is expanded at load time; the data
// itself stays where it was linked and is never copied or freed.
#pragma once

#include <cstdint>

#include "dynList/s_stringList.h"
#include "main/u_installProgress.h"
#include "main/u_setupFormat.h"
#include "main/u_setupLanguage.h"

class SetupRessource {
public:
    // Reads and indexes the setup data; `expectedCrc` is the CRC-32 the installer was built with.
    // On failure the error (text 0 with its code) has been reported and nothing may be used.
    bool Load(uint32_t expectedCrc);
    // Frees the string list; the accessors answer "=N/A=" afterwards.
    void Release();

    // Header strings 0 to 5: title, defaultFolder, productName, defaultGroup, desktop link name
    // and target. Entries 1 and 3 hold the update-mode proposals after Load.
    const char* GetString(uint32_t index);
    // Entry 0 to 7 of the current language's link table.
    const char* GetLinkString(uint32_t index);
    uint32_t GetTermsLineCount() const;
    const char* GetTermsLine(uint32_t index);
    uint64_t GetRequiredBytes() const { return requiredBytes; }
    bool IsBeta() const { return header.betaFlag != 0; }
    uint32_t GetPreviousVersion() const { return header.previousVersion; }
    bool IsInstalled() const { return installedOk; }

    const SetupHeaderWords& GetHeader() const { return header; }
    uint32_t GetFolderCount() const { return folderCount; }
    const char* GetFolder(uint32_t index);
    // The file records are read straight from the data, starting at GetFileListOffset().
    uint32_t GetFileCount() const { return fileCount; }
    uint32_t GetFileListOffset() const { return fileListOffset; }
    const uint8_t* GetData() const { return data; }
    uint32_t GetSize() const { return size; }

    // The installation engine: `folder` exists and ends in a separator; allUsers 0 current user,
    // 1 all users; an empty group makes no start-menu entries. Reports to the sink set before.
    bool Install(const char* folder, int32_t allUsers, const char* group, bool desktopIcon);
    // The progress sink of the next Install calls (kept by Load); null reports nowhere, never stops.
    void SetProgress(InstallProgress* sink) { progress = sink; }

private:
    class Indexer;

    bool Fail(int32_t code, const char* srcFile, int32_t srcLine);
    bool InstallFolders(const char* folder);
    bool InstallFiles(const char* folder);
    bool InstallFile(const char* folder, SetupCursor& cursor, uint64_t* bytesDone);
    bool WriteClientConfig(const char* folder);
    void Report(uint64_t bytesDone, uint32_t textId, const char* argument);
    bool StopRequested();
    bool FindData(const uint8_t** found, uint32_t* foundSize);
    void ResolveUpdateProposals();
    const char* Element(uint32_t position);
    void SetElement(uint32_t position, const char* text);

    bool installedOk = false;
    SetupHeaderWords header = {};
    uint32_t linkStart[kLanguageCount] = {};
    uint32_t termsCount[kLanguageCount] = {};
    uint32_t termsStart[kLanguageCount] = {};
    uint32_t folderCount = 0;
    uint32_t folderStart = 0;
    uint32_t fileCount = 0;
    uint32_t fileListOffset = 0;
    uint64_t requiredBytes = 0;
    StringList* strings = nullptr;
    InstallProgress* progress = nullptr;
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

extern SetupRessource gRessource;
