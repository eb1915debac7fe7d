// packerUI_test.cpp -- packed files: layout, round trips with file times, every result code, and no
// buffer left behind by any operation.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "common/s_log.h"
#include "packer/s_packerUI.h"
#include "tests/packer/lzariTestData.h"
#include "tests/support/testSupport.h"

namespace {

uint32_t LittleEndianAt(const std::string& bytes, size_t offset, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; i--)
        value = (value << 8) | uint8_t(bytes[offset + size_t(i)]);
    return value;
}

void SetLittleEndianAt(std::string& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; i++)
        bytes[offset + size_t(i)] = char(value >> (8 * i));
}

void SetTimes(const std::string& path, time_t access, time_t modify) {
    struct utimbuf times = {access, modify};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

struct stat StatOf(const std::string& path) {
    struct stat info = {};
    stat(path.c_str(), &info);
    return info;
}

std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Every test ends with as many array releases as allocations, apart from what it was handed.
class PackerUITest : public ::testing::Test {
protected:
    void SetUp() override { openArrays = gMem.NewArrCalls() - gMem.DelArrCalls(); }
    void TearDown() override { EXPECT_EQ(gMem.NewArrCalls() - gMem.DelArrCalls(), openArrays); }

    // A packed file of `content` made by PackFile, returned as its bytes.
    std::string Packed(const std::string& content, const std::string& name = "packed.pak") {
        std::string source = folder.File(name + ".src");
        WriteWholeFile(source, content);
        EXPECT_EQ(gPacker.PackFile(source.c_str(), folder.File(name).c_str()), kPackOk);
        return ReadWholeFile(folder.File(name));
    }

    TempFolder folder;
    int32_t openArrays = 0;
};

TEST_F(PackerUITest, PackedFileLayout) {
    std::string source = folder.File("abc.txt");
    WriteWholeFile(source, "abc");
    SetTimes(source, 1000000000, 1200000000);
    std::string packedPath = folder.File("abc.pak");
    ASSERT_EQ(gPacker.PackFile(source.c_str(), packedPath.c_str()), kPackOk);
    std::string packed = ReadWholeFile(packedPath);
    ASSERT_EQ(packed.size(), 32u);
    EXPECT_EQ(LittleEndianAt(packed, 0, 2), 1040u);
    EXPECT_EQ(LittleEndianAt(packed, 2, 2), 0u);
    const uint8_t stream[4] = {0xb0, 0xa8, 0xc2, 0x00};
    EXPECT_EQ(LittleEndianAt(packed, 4, 4), Crc32().Update(stream, 4, true));
    EXPECT_EQ(LittleEndianAt(packed, 8, 4), 0x352441C2u);  // CRC-32 of "abc"
    EXPECT_EQ(LittleEndianAt(packed, 12, 4), 4u);
    EXPECT_EQ(LittleEndianAt(packed, 16, 4), 3u);
    EXPECT_EQ(LittleEndianAt(packed, 20, 4), 1000000000u);
    EXPECT_EQ(LittleEndianAt(packed, 24, 4), 1200000000u);
    EXPECT_EQ(packed.substr(28), std::string("\xb0\xa8\xc2\x00", 4));
    EXPECT_EQ(gPacker.LastPackedCrc(), LittleEndianAt(packed, 4, 4));
    EXPECT_EQ(gPacker.LastDataCrc(), 0x352441C2u);
    EXPECT_EQ(gPacker.StoredCrc(packedPath.c_str()), LittleEndianAt(packed, 4, 4));
}

TEST_F(PackerUITest, RoundTripsRestoreDataAndTimes) {
    std::mt19937 random(12);
    std::string content = AsString(Structured(random, 150000));
    std::string source = folder.File("data.bin"), packed = folder.File("data.pak"), restored = folder.File("out.bin");
    WriteWholeFile(source, content);
    SetTimes(source, 1300000000, 1400000000);
    ASSERT_EQ(gPacker.PackFile(source.c_str(), packed.c_str()), kPackOk);
    uint32_t packedCrc = gPacker.LastPackedCrc();

    ASSERT_EQ(gPacker.UnpackFile(packed.c_str(), restored.c_str()), kPackOk);
    struct stat restoredInfo = StatOf(restored);  // before reading: a read may move the access time
    EXPECT_EQ(restoredInfo.st_atime, 1300000000);
    EXPECT_EQ(restoredInfo.st_mtime, 1400000000);
    EXPECT_TRUE(ReadWholeFile(restored) == content);
    EXPECT_EQ(gPacker.LastPackedCrc(), packedCrc);
    EXPECT_EQ(gPacker.LastDataCrc(), gPacker.FileCrc(source.c_str()));

    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(gPacker.UnpackToMemory(packed.c_str(), &data, &length), kPackOk);
    EXPECT_EQ(length, content.size());
    EXPECT_TRUE(std::string(reinterpret_cast<char*>(data), length) == content);
    FREE_ARRAY_TRACKED(data);

    EXPECT_EQ(gPacker.VerifyPackedFile(packed.c_str()), kPackOk);
    EXPECT_EQ(gPacker.LastPackedCrc(), packedCrc);
    EXPECT_EQ(gPacker.LastDataCrc(), packedCrc);  // the checksum computed over the payload
}

TEST_F(PackerUITest, PackMemoryWritesZeroTimesAndKeepsChecksumsOnFailure) {
    Bytes data = ToBytes("memory block memory block memory block");
    std::string packed = folder.File("memory.pak");
    ASSERT_EQ(gPacker.PackMemory(data.data(), uint32_t(data.size()), packed.c_str()), kPackOk);
    std::string bytes = ReadWholeFile(packed);
    EXPECT_EQ(LittleEndianAt(bytes, 16, 4), data.size());
    EXPECT_EQ(LittleEndianAt(bytes, 20, 4), 0u);
    EXPECT_EQ(LittleEndianAt(bytes, 24, 4), 0u);
    uint32_t packedCrc = gPacker.LastPackedCrc(), dataCrc = gPacker.LastDataCrc();
    EXPECT_EQ(dataCrc, Crc32().Update(data.data(), uint32_t(data.size()), true));

    uint8_t* restored = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(gPacker.UnpackToMemory(packed.c_str(), &restored, &length), kPackOk);
    EXPECT_EQ(Bytes(restored, restored + length), data);
    FREE_ARRAY_TRACKED(restored);

    EXPECT_EQ(gPacker.PackMemory(data.data(), 0, packed.c_str()), kPackFailed);
    EXPECT_EQ(gPacker.PackMemory(nullptr, 5, packed.c_str()), kPackFailed);
    EXPECT_EQ(gPacker.LastPackedCrc(), packedCrc);  // not cleared on entry
    EXPECT_EQ(gPacker.LastDataCrc(), dataCrc);
    EXPECT_EQ(ReadWholeFile(packed), bytes);  // nothing written
    std::string blocked = folder.File("memory.pak/below");  // below a regular file: refused even to root
    EXPECT_EQ(gPacker.PackMemory(data.data(), uint32_t(data.size()), blocked.c_str()), kPackWriteFailed);
}

TEST_F(PackerUITest, FileCrcAndStoredCrc) {
    WriteWholeFile(folder.File("digits"), "123456789");
    WriteWholeFile(folder.File("empty"), "");
    WriteWholeFile(folder.File("short"), "too short for a header");
    EXPECT_EQ(gPacker.FileCrc(folder.File("digits").c_str()), 0xCBF43926u);
    EXPECT_EQ(gPacker.FileCrc(folder.File("empty").c_str()), 0u);
    EXPECT_EQ(gPacker.FileCrc(folder.File("missing").c_str()), 0u);
    EXPECT_EQ(gPacker.StoredCrc(folder.File("short").c_str()), 0u);
    std::string wrongMagic = Packed("some data");
    wrongMagic[0] = char(0x11);  // 1041
    WriteWholeFile(folder.File("magic"), wrongMagic);
    EXPECT_EQ(gPacker.StoredCrc(folder.File("magic").c_str()), 0u);
}

TEST_F(PackerUITest, PackFileResultCodes) {
    std::string source = folder.File("Source.txt");
    WriteWholeFile(source, "content");
    WriteWholeFile(folder.File("empty"), "");
    std::string sameInOtherCase = folder.File("source.TXT");
    EXPECT_EQ(gPacker.PackFile(source.c_str(), sameInOtherCase.c_str()), kPackSameName);
    EXPECT_FALSE(PathExists(sameInOtherCase));
    EXPECT_EQ(ReadWholeFile(source), "content");
    EXPECT_EQ(gPacker.PackFile(folder.File("missing").c_str(), folder.File("a.pak").c_str()), kPackSourceMissing);
    EXPECT_EQ(gPacker.PackFile(folder.File("empty").c_str(), folder.File("b.pak").c_str()), kPackNoData);
    EXPECT_EQ(gPacker.PackFile(source.c_str(), folder.File("Source.txt/c.pak").c_str()), kPackWriteFailed);
    EXPECT_EQ(gPacker.LastPackedCrc(), 0u);
    EXPECT_EQ(gPacker.LastDataCrc(), 0u);

    // A pipe opens for reading and has times, but no size.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::string pipePath = "/proc/self/fd/" + std::to_string(ends[0]);
    EXPECT_EQ(gPacker.PackFile(pipePath.c_str(), folder.File("d.pak").c_str()), kPackNoSourceInfo);
    close(ends[0]);
    close(ends[1]);
}

TEST_F(PackerUITest, UnpackAndVerifyResultCodes) {
    std::string good = Packed(std::string(3000, 'x') + "tail", "good.pak");
    auto write = [&](const std::string& name, const std::string& bytes) {
        WriteWholeFile(folder.File(name), bytes);
        return folder.File(name);
    };
    std::string payloadDamaged = good, dataCrcDamaged = good, lengthZero = good, wrongMagic = good;
    payloadDamaged[30] = char(payloadDamaged[30] ^ 0x10);
    dataCrcDamaged[9] = char(dataCrcDamaged[9] ^ 0x01);
    SetLittleEndianAt(lengthZero, 16, 0);
    wrongMagic[0] = char(0x11);  // 1041
    std::string tooLong = good;
    SetLittleEndianAt(tooLong, 12, uint32_t(good.size()));  // the payload would run past the end

    struct Case {
        std::string name;
        std::string path;
        int32_t unpack, toMemory, verify;
    };
    const Case cases[] = {
        {"good", folder.File("good.pak"), kPackOk, kPackOk, kPackOk},
        {"missing", folder.File("missing.pak"), kPackSourceMissing, kPackNoHeader, kPackSourceMissing},
        {"short header", write("short.pak", good.substr(0, 27)), kPackNoHeader, kPackNoHeader, kPackNoHeader},
        {"payload cut", write("cut.pak", good.substr(0, good.size() - 1)), kPackNoData, kPackNoData, kPackNoData},
        {"payload length too long", write("long.pak", tooLong), kPackNoData, kPackNoData, kPackNoData},
        {"magic 1041", write("magic.pak", wrongMagic), kPackNotPacked, kPackNotPacked, kPackNotPacked},
        {"payload byte", write("payload.pak", payloadDamaged), kPackBadChecksum, kPackBadChecksum, kPackBadChecksum},
        {"data checksum", write("datacrc.pak", dataCrcDamaged), kPackBadChecksum, kPackBadChecksum, kPackOk},
        {"data length 0", write("zero.pak", lengthZero), kUnpackFailed, kUnpackFailed, kPackOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string destination = folder.File(c.name + ".out");
        EXPECT_EQ(gPacker.UnpackFile(c.path.c_str(), destination.c_str()), c.unpack);
        EXPECT_EQ(PathExists(destination), c.unpack == kPackOk);
        uint8_t* data = nullptr;
        uint32_t length = 0;
        EXPECT_EQ(gPacker.UnpackToMemory(c.path.c_str(), &data, &length), c.toMemory);
        EXPECT_EQ(data != nullptr, c.toMemory == kPackOk);
        FREE_ARRAY_TRACKED(data);
        EXPECT_EQ(gPacker.VerifyPackedFile(c.path.c_str()), c.verify);
    }
    EXPECT_EQ(gPacker.VerifyPackedFile(folder.File("magic.pak").c_str()), kPackNotPacked);
    EXPECT_EQ(gPacker.LastPackedCrc(), 1041u);
    EXPECT_EQ(gPacker.LastDataCrc(), 1040u);

    std::string goodPath = folder.File("good.pak");
    EXPECT_EQ(gPacker.UnpackFile(goodPath.c_str(), folder.File("GOOD.pak").c_str()), kPackSameName);
    EXPECT_EQ(gPacker.UnpackFile(goodPath.c_str(), folder.File("good.pak/below").c_str()), kPackWriteFailed);
}

TEST_F(PackerUITest, ImpossibleDataLengthIsRefusedBeforeAllocating) {
    std::string good = Packed("short content, short payload");
    uint32_t payloadLength = LittleEndianAt(good, 12, 4);
    struct Case {
        uint32_t dataLength;
        bool plausible;
    };
    const Case cases[] = {{600 * (payloadLength + 4), true}, {600 * (payloadLength + 4) + 1, false}, {0x80000000u, false}};
    for (const Case& c : cases) {
        std::string damaged = good;
        SetLittleEndianAt(damaged, 16, c.dataLength);
        WriteWholeFile(folder.File("long.pak"), damaged);
        int32_t allocations = gMem.NewArrCalls();
        uint8_t* data = nullptr;
        uint32_t length = 0;
        int32_t result = gPacker.UnpackToMemory(folder.File("long.pak").c_str(), &data, &length);
        EXPECT_EQ(gMem.NewArrCalls() - allocations, c.plausible ? 2 : 1) << c.dataLength;  // payload, data
        EXPECT_TRUE(result == kUnpackFailed || (c.plausible && result == kPackBadChecksum)) << c.dataLength;
        EXPECT_EQ(gPacker.UnpackFile(folder.File("long.pak").c_str(), folder.File("long.out").c_str()), result);
    }
}

TEST_F(PackerUITest, DamagedLengthFieldsNeverYieldWrongData) {
    std::mt19937 random(4);
    std::string content = AsString(Structured(random, 5000));
    std::string good = Packed(content);
    for (uint32_t length : {1u, 100u, 4999u, 5001u, 6000u, 100000u}) {
        std::string damaged = good;
        SetLittleEndianAt(damaged, 16, length);
        WriteWholeFile(folder.File("damaged.pak"), damaged);
        uint8_t* data = nullptr;
        uint32_t dataLength = 0;
        int32_t result = gPacker.UnpackToMemory(folder.File("damaged.pak").c_str(), &data, &dataLength);
        EXPECT_TRUE(result == kPackBadChecksum || result == kUnpackFailed) << "length " << length;
        FREE_ARRAY_TRACKED(data);
    }
}

TEST_F(PackerUITest, UnpackReportsTimesThatCannotBeSet) {
    // The device is writable by everybody, but only its owner (root) may set its times.
    Packed("data for nobody", "nobody.pak");
    chmod(folder.Path().c_str(), 0755);
    std::string packed = folder.File("nobody.pak");
    EXPECT_EQ(RunAsNobody([&] { return gPacker.UnpackFile(packed.c_str(), "/dev/null"); }), kPackSetTimesFailed);
}

#if !defined(__SANITIZE_ADDRESS__)
size_t CurrentDataBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmData:", 0) == 0)
            return size_t(std::stoul(line.substr(7))) * 1024;
    return 0;
}
#endif

TEST_F(PackerUITest, PackFileReportsACompressionBufferThatCannotBeAllocated) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's allocator aborts instead of failing an allocation";
#else
    std::string source = folder.File("big.bin");
    WriteWholeFile(source, std::string(8 << 20, 'z'));
    std::string packed = folder.File("big.pak");
    auto packWithLittleMemory = [&] {
        // Room for the 8 MiB source but not for the 16 MiB compression buffer.
        struct rlimit limit;
        getrlimit(RLIMIT_DATA, &limit);
        limit.rlim_cur = CurrentDataBytes() + (12 << 20);
        setrlimit(RLIMIT_DATA, &limit);
        _exit(gPacker.PackFile(source.c_str(), packed.c_str()));
    };
    EXPECT_EXIT(packWithLittleMemory(), ::testing::ExitedWithCode(kPackFailed),
                "Not enough memory to allocate 16777216 bytes");
#endif
}

}  // namespace
