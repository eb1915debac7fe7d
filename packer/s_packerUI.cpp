// s_packerUI.cpp -- packed files: packing, unpacking and verifying through the file helpers.
//
// All file access goes through gFileUtil; the header is built and read byte by byte in
// little-endian order, so the format does not depend on the host. Only the magic of a header is
// checked when reading; the lengths are trusted (the data length up to what the payload can
// possibly expand to), and the two checksums catch what they cannot.
#include "packer/s_packerUI.h"

#include <climits>

#include "common/s_byteOrder.h"
#include "common/s_file.h"
#include "common/s_guard.h"
#include "common/s_strUtil.h"
#include "memsafe/s_mem.h"

PackerUI gPacker;

namespace {

void EncodeHeader(const PackerUI::Header& header, uint8_t* raw) {
    PutLittleEndian(raw + 0, header.magic, 2);
    PutLittleEndian(raw + 2, 0, 2);
    PutLittleEndian(raw + 4, header.payloadCrc, 4);
    PutLittleEndian(raw + 8, header.dataCrc, 4);
    PutLittleEndian(raw + 12, header.payloadLength, 4);
    PutLittleEndian(raw + 16, header.dataLength, 4);
    PutLittleEndian(raw + 20, header.accessTime, 4);
    PutLittleEndian(raw + 24, header.writeTime, 4);
}

bool ReadHeader(const char* path, PackerUI::Header& header) {
    uint8_t raw[PackerUI::kHeaderSize];
    if (!gFileUtil.ReadFileAt(path, 0, raw, PackerUI::kHeaderSize))
        return false;
    header.magic = uint16_t(GetLittleEndian(raw + 0, 2));
    header.payloadCrc = GetLittleEndian(raw + 4, 4);
    header.dataCrc = GetLittleEndian(raw + 8, 4);
    header.payloadLength = GetLittleEndian(raw + 12, 4);
    header.dataLength = GetLittleEndian(raw + 16, 4);
    header.accessTime = GetLittleEndian(raw + 20, 4);
    header.writeTime = GetLittleEndian(raw + 24, 4);
    return true;
}

// The payload that follows the header; false when it is not all there (or has length 0).
bool ReadPayload(const char* path, const PackerUI::Header& header, uint8_t** payload) {
    return header.payloadLength <= uint32_t(INT_MAX) &&
           gFileUtil.ReadFileAlloc(path, PackerUI::kHeaderSize, payload, int32_t(header.payloadLength));
}

// No checksum covers the data length. An LZARI stream yields at most 580 bytes per byte (its
// likeliest symbol still costs 1/72 bit and brings one byte; a match costs over 9 bits for at most
// 60), so with the bits the decoder reads ahead, a length above 600 per byte plus four bytes is
// damage. Refusing it spares allocating up to 4 GiB and decoding bits past the end for minutes.
bool PlausibleExpansion(const PackerUI::Header& header) {
    constexpr uint64_t kMaxBytesPerStreamByte = 600;
    return header.dataLength <= kMaxBytesPerStreamByte * (uint64_t(header.payloadLength) + 4);
}

// The checks every file-to-file operation starts with: kPackOk when it may go on.
int32_t CheckSourceAndDestination(const char* source, const char* destination) {
    if (gStrUtil.Compare(source, destination, false) == 0)
        return kPackSameName;
    return gFileUtil.FileExists(source) ? kPackOk : kPackSourceMissing;
}

}  // namespace

uint32_t PackerUI::FileCrc(const char* path) {
    int32_t size = 0;
    uint8_t* data = nullptr;
    if (!gFileUtil.GetFileSize(path, &size) || !gFileUtil.ReadFileAlloc(path, 0, &data, size))
        return 0;
    uint32_t checksum = gCrc32.Update(data, uint32_t(size), true);
    FREE_ARRAY_TRACKED(data);
    return checksum;
}

uint32_t PackerUI::StoredCrc(const char* path) {
    Header header;
    if (!ReadHeader(path, header) || header.magic != kMagic)
        return 0;
    return header.payloadCrc;
}

int32_t PackerUI::VerifyPackedFile(const char* path) {
    lastPackedCrc = lastDataCrc = 0;
    if (!gFileUtil.FileExists(path))
        return kPackSourceMissing;
    Header header;
    if (!ReadHeader(path, header))
        return kPackNoHeader;
    if (header.magic != kMagic) {
        lastPackedCrc = header.magic;
        lastDataCrc = kMagic;
        return kPackNotPacked;
    }
    uint8_t* payload = nullptr;
    if (!ReadPayload(path, header, &payload))
        return kPackNoData;
    uint32_t computed = gCrc32.Update(payload, header.payloadLength, true);
    FREE_ARRAY_TRACKED(payload);
    lastPackedCrc = header.payloadCrc;
    lastDataCrc = computed;
    return computed == header.payloadCrc ? kPackOk : kPackBadChecksum;
}

int32_t PackerUI::PackFile(const char* source, const char* destination) {
    GUARDED_BEGIN
    lastPackedCrc = lastDataCrc = 0;
    if (int32_t refused = CheckSourceAndDestination(source, destination))
        return refused;
    Header header = {};
    int32_t size = 0;
    if (!gFileUtil.GetFileTimes(source, &header.accessTime, &header.writeTime) ||
        !gFileUtil.GetFileSize(source, &size))
        return kPackNoSourceInfo;
    uint8_t* data = nullptr;
    if (!gFileUtil.ReadFileAlloc(source, 0, &data, size))
        return kPackNoData;
    int32_t result = PackToFile(data, uint32_t(size), header, destination);
    FREE_ARRAY_TRACKED(data);
    return result;
    GUARDED_END_LOGGED(kPackFailed)
}

int32_t PackerUI::PackMemory(const uint8_t* data, uint32_t length, const char* destination) {
    GUARDED_BEGIN
    Header header = {};
    return PackToFile(data, length, header, destination);
    GUARDED_END_LOGGED(kPackFailed)
}

int32_t PackerUI::UnpackFile(const char* source, const char* destination) {
    GUARDED_BEGIN
    lastPackedCrc = lastDataCrc = 0;
    if (int32_t refused = CheckSourceAndDestination(source, destination))
        return refused;
    Header header;
    uint8_t* data = nullptr;
    int32_t result = ReadPackedData(source, header, &data);
    if (result != kPackOk)
        return result;
    bool written = header.dataLength <= uint32_t(INT_MAX) &&
                   gFileUtil.WriteFile(destination, "wb", data, int32_t(header.dataLength));
    FREE_ARRAY_TRACKED(data);
    if (!written)
        return kPackWriteFailed;
    if (!gFileUtil.SetFileTimes(destination, header.accessTime, header.writeTime))
        return kPackSetTimesFailed;
    lastPackedCrc = header.payloadCrc;
    lastDataCrc = header.dataCrc;
    return kPackOk;
    GUARDED_END_LOGGED(kUnpackFailed)
}

int32_t PackerUI::UnpackToMemory(const char* path, uint8_t** buffer, uint32_t* length) {
    GUARDED_BEGIN
    lastPackedCrc = lastDataCrc = 0;
    if (!buffer || !length)
        return kUnpackFailed;
    Header header;
    uint8_t* data = nullptr;
    int32_t result = ReadPackedData(path, header, &data);
    if (result != kPackOk)
        return result;
    *buffer = data;
    *length = header.dataLength;
    lastPackedCrc = header.payloadCrc;
    lastDataCrc = header.dataCrc;
    return kPackOk;
    GUARDED_END_LOGGED(kUnpackFailed)
}

const char* PackerUI::ResultText(int32_t code) {
    switch (code) {
        case kPackOk: return "success";
        case kPackSameName: return "source and destination name are equal";
        case kPackSourceMissing: return "source file does not exist";
        case kPackNoSourceInfo: return "the source file's times or size cannot be read";
        case kPackNoHeader: return "the 28-byte header cannot be read";
        case kPackNoData: return "the file data cannot be read";
        case kPackWriteFailed: return "the destination cannot be written";
        case kPackSetTimesFailed: return "the destination's file times cannot be set";
        case kPackNotPacked: return "not a packed file (wrong magic)";
        case kPackBadChecksum: return "a checksum does not match";
        case kPackFailed: return "packing failed";
        case kUnpackFailed: return "unpacking failed";
        default: return "unknown result";
    }
}

// Header, payload and both checksums; on success hands out the expanded data.
int32_t PackerUI::ReadPackedData(const char* path, Header& header, uint8_t** data) {
    if (!ReadHeader(path, header))
        return kPackNoHeader;
    if (header.magic != kMagic)
        return kPackNotPacked;
    uint8_t* payload = nullptr;
    if (!ReadPayload(path, header, &payload))
        return kPackNoData;
    if (gCrc32.Update(payload, header.payloadLength, true) != header.payloadCrc) {
        FREE_ARRAY_TRACKED(payload);
        return kPackBadChecksum;
    }
    if (!PlausibleExpansion(header)) {
        FREE_ARRAY_TRACKED(payload);
        return kUnpackFailed;
    }
    uint8_t* expanded = nullptr;
    uint32_t expandedCrc = DecompressChecked(payload, header.payloadLength, &expanded, header.dataLength);
    FREE_ARRAY_TRACKED(payload);
    if (expandedCrc == 0 || header.dataLength == 0) {
        FREE_ARRAY_TRACKED(expanded);  // a genuine checksum of 0 still left data
        return kUnpackFailed;
    }
    if (expandedCrc != header.dataCrc) {
        FREE_ARRAY_TRACKED(expanded);
        return kPackBadChecksum;
    }
    *data = expanded;
    return kPackOk;
}

// Compresses the data and writes the packed file: the header (its times as the caller set them)
// with "wb", then the stream appended with "ab".
int32_t PackerUI::PackToFile(const uint8_t* data, uint32_t length, Header& header, const char* destination) {
    header.magic = kMagic;
    header.dataLength = length;
    header.dataCrc = gCrc32.Update(data, length, true);
    uint8_t* stream = nullptr;
    header.payloadCrc = CompressChecked(data, length, &stream, &header.payloadLength);
    if (header.payloadCrc == 0 || header.payloadLength == 0) {
        FREE_ARRAY_TRACKED(stream);  // a genuine checksum of 0 still left a stream
        return kPackFailed;
    }
    uint8_t raw[kHeaderSize];
    EncodeHeader(header, raw);
    bool written = header.payloadLength <= uint32_t(INT_MAX) &&
                   gFileUtil.WriteFile(destination, "wb", raw, kHeaderSize) &&
                   gFileUtil.WriteFile(destination, "ab", stream, int32_t(header.payloadLength));
    FREE_ARRAY_TRACKED(stream);
    if (!written)
        return kPackWriteFailed;
    lastPackedCrc = header.payloadCrc;
    lastDataCrc = header.dataCrc;
    return kPackOk;
}
