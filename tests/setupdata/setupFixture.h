// setupFixture.h -- setup data for the tests, built by mksetup's writer from small products.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "main/u_setupFormat.h"
#include "main/u_setupRessource.h"
#include "packer/s_packerCore.h"
#include "platform/s_platform.h"
#include "system/s_system.h"
#include "tests/support/testSupport.h"
#include "tools/mksetup/mk_writer.h"

// A product with every text set and no folders or files; files are written below a temporary
// folder as they are added.
class FixtureProduct {
public:
    FixtureProduct() {
        product.title = "Fixture Game 1.242";
        product.header = {0, 0, 1, 1242, 1, 0, 0};
        product.defaultFolder = "\\Fixture Game";
        product.productName = "Fixture Game";
        product.defaultGroup = "Fixture Group";
        product.desktopLinkName = "Fixture.lnk";
        product.desktopLinkTarget = "Bin\\updater.exe";
        const char* const prefixes[kLanguageCount] = {"en", "de"};
        for (uint32_t language = 0; language < kLanguageCount; ++language) {
            for (uint32_t i = 0; i < kSetupLinkEntries; ++i)
                product.links[language][i] = std::string(prefixes[language]) + " link " + std::to_string(i);
            product.terms[language] = {std::string(prefixes[language]) + " terms 1",
                                       std::string(prefixes[language]) + " terms 2"};
        }
    }

    void AddFile(const std::string& name, const std::string& content, uint32_t modifyTime = 1600000000) {
        const std::string path = folder->File("file" + std::to_string(product.files.size()));
        WriteWholeFile(path, content);
        product.files.push_back(SetupSourceFile{name, path, modifyTime - 60, modifyTime});
    }

    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> data;
        std::string error;
        EXPECT_TRUE(WriteSetupData(product, &data, &error)) << error;
        return data;
    }

    SetupProduct product;

private:
    std::unique_ptr<TempFolder> folder = std::make_unique<TempFolder>(); // movable with the product
};

inline uint32_t CrcOf(const std::vector<uint8_t>& data) {
    return gCrc32.Update(data.data(), static_cast<uint32_t>(data.size()), true);
}

// Logs errors (level 0) into a fresh temporary file for its lifetime; Errors() returns the texts
// of the error blocks written so far. The message box only ever repeats the process's first
// error, so the log is where each failure's own code shows.
class ErrorLog {
public:
    ErrorLog() { gLog.Start(0, -1, folder.File("test.log").c_str(), true, INT32_MAX); }
    ~ErrorLog() { gLog.Start(-1, -1, folder.File("test.log").c_str(), false, INT32_MAX); }
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    std::vector<std::string> Errors() const {
        const std::string marker = "*** ERROR: ";
        std::vector<std::string> errors;
        std::istringstream lines(ReadWholeFile(folder.File("test.log")));
        for (std::string line; std::getline(lines, line);) {
            const size_t at = line.find(marker);
            if (at == std::string::npos)
                continue;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            errors.push_back(line.substr(at + marker.size()));
        }
        return errors;
    }

private:
    TempFolder folder;
};

// Registers data as the installer's setup resource and loads it, as start-up does, with the
// constant matching the data unless one is given. The data sits in a heap block of exactly its
// size, so that AddressSanitizer catches any read past its end; it stays registered and loaded
// until the object goes.
class LoadedData {
public:
    explicit LoadedData(const std::vector<uint8_t>& data) : LoadedData(data, CrcOf(data)) {}
    LoadedData(const std::vector<uint8_t>& data, uint32_t expectedCrc) : bytes(new uint8_t[data.size()]) {
        if (!data.empty())
            std::memcpy(bytes.get(), data.data(), data.size());
        Platform::RegisterResource(kSetupResourceName, kSetupResourceType, bytes.get(), data.size());
        ScriptedMessageBoxes boxes;
        ErrorLog log;
        loaded = gRessource.Load(expectedCrc);
        errors = log.Errors();
        boxCount = boxes.shown.size();
    }
    LoadedData(const LoadedData&) = delete;
    LoadedData& operator=(const LoadedData&) = delete;
    ~LoadedData() {
        gRessource.Release();
        Platform::RegisterResource(kSetupResourceName, kSetupResourceType, nullptr, 0);
    }

    bool loaded = false;
    std::vector<std::string> errors; // the error texts Load reported
    size_t boxCount = 0;             // message boxes shown while loading

private:
    std::unique_ptr<uint8_t[]> bytes;
};

// The one error of a Load that failed with `code`.
inline std::vector<std::string> CorruptedError(int code) {
    return {"The setup file is corrupted (" + std::to_string(code) + ")!"};
}

// The installation record of the fixture product, and where Windows keeps the Program Files folder.
inline const char* const kRecordKey = "Software\\Fixture Game";
inline const char* const kWindowsKey = "Software\\Microsoft\\Windows\\CurrentVersion";

// Points the registry store at an empty temporary folder whose Program Files folder is known.
class RegistryScope {
public:
    RegistryScope() {
        setenv("SETUP_REGISTRY_DIR", folder.Path().c_str(), 1);
        EXPECT_TRUE(gSysUtil.CreateKey(HKEY_LOCAL_MACHINE, kWindowsKey));
        EXPECT_TRUE(
            gSysUtil.WriteString(HKEY_LOCAL_MACHINE, kWindowsKey, "ProgramFilesDir", "/srv/programs"));
    }
    ~RegistryScope() { unsetenv("SETUP_REGISTRY_DIR"); }

    void Record(Platform::RegistryRoot root, const std::string& installDir) {
        EXPECT_TRUE(gSysUtil.CreateKey(root, kRecordKey));
        EXPECT_TRUE(gSysUtil.WriteString(root, kRecordKey, "InstallDir", installDir.c_str()));
    }

private:
    TempFolder folder;
};
