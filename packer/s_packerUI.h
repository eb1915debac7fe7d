// s_packerUI.h -- packed files: one LZARI stream behind a 28-byte header with two CRC-32 values.
//
// The file-level front end of the codec: packs a file or a memory block, unpacks a packed file to a
// file or to memory, verifies one and checksums any whole file. Every operation reports its outcome
// only through its result code (no message, no log line except for exceptions) and frees every
// buffer it made before it returns, except the data UnpackToMemory hands out. Unpacking checks both
// checksums, so a damaged payload, checksum or length field yields a failure code, never wrong data;
// a data length beyond what the payload can possibly expand to is refused before any allocation.
// A destination partly written before a failure stays in place.
//
// Header (little-endian): magic 1040, reserved 0, payload CRC-32, data CRC-32, payload length,
// data length, last-access time, last-write time (32-bit seconds since 1970, or 0).
#pragma once

#include <cstdint>

#include "packer/s_packerCore.h"

enum PackResult : int32_t {
    kPackOk = 0,
    kPackSameName = 1,         // source and destination name are equal (regardless of case)
    kPackSourceMissing = 2,
    kPackNoSourceInfo = 3,     // the source file's times or size cannot be read
    kPackNoHeader = 4,
    kPackNoData = 5,
    kPackWriteFailed = 6,
    kPackSetTimesFailed = 7,
    kPackNotPacked = 8,        // wrong magic
    kPackBadChecksum = 9,
    kPackFailed = 10,          // compression failed, or an exception while packing
    kUnpackFailed = 11,        // expansion failed, data length 0 or impossible, or an exception
};

class PackerUI : public PackerCore {
public:
    static constexpr uint16_t kMagic = 1040;
    static constexpr uint32_t kHeaderSize = 28;

    // CRC-32 of the whole file; 0 when it cannot be sized or read, or is empty.
    uint32_t FileCrc(const char* path);
    // The payload checksum stored in a packed file's header; 0 for no header or a wrong magic.
    uint32_t StoredCrc(const char* path);

    int32_t VerifyPackedFile(const char* path);
    int32_t PackFile(const char* source, const char* destination);
    int32_t UnpackFile(const char* source, const char* destination);
    // Also 10 when the data cannot be compressed (empty, for instance).
    int32_t PackMemory(const uint8_t* data, uint32_t length, const char* destination);
    // On 0 hands out a new buffer with the data (freed by the caller with FREE_ARRAY_TRACKED).
    int32_t UnpackToMemory(const char* path, uint8_t** buffer, uint32_t* length);

    // The meaning of a result code, for messages.
    static const char* ResultText(int32_t code);

    // Checksums of the last successful operation; after a wrong magic in VerifyPackedFile, the magic
    // read and 1040.
    uint32_t LastPackedCrc() const { return lastPackedCrc; }
    uint32_t LastDataCrc() const { return lastDataCrc; }

    struct Header {
        uint16_t magic;
        uint32_t payloadCrc;
        uint32_t dataCrc;
        uint32_t payloadLength;
        uint32_t dataLength;
        uint32_t accessTime;
        uint32_t writeTime;
    };

private:
    int32_t ReadPackedData(const char* path, Header& header, uint8_t** data);
    int32_t PackToFile(const uint8_t* data, uint32_t length, Header& header, const char* destination);

    uint32_t lastPackedCrc = 0;
    uint32_t lastDataCrc = 0;
};

extern PackerUI gPacker;
