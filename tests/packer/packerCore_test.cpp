// packerCore_test.cpp -- LZARI codec and CRC-32: known answers, exactness against the step-by-step
// codec, round trips, argument and allocation rules, and damaged streams.
//
// The step-by-step codec (bench/plainLzari.cpp) is the published algorithm written line by line;
// the production codec must write the same bytes for every input and decode every stream -- damaged
// ones included -- to the same result. Built with -DSETUP_SANITIZE=address,undefined these tests
// also prove that damaged streams never make the decoder touch memory outside its buffers.
#include <gtest/gtest.h>

#include <random>

#include "tests/packer/lzariTestData.h"

namespace {

PackerCore gCodec;
PlainLzari gPlain;

// Streams of both codecs agree and both expand them back to the input.
void ExpectExactRoundTrip(const Bytes& input, const std::string& what) {
    SCOPED_TRACE(what);
    CodecResult production = RunCompress(gCodec, input);
    ASSERT_TRUE(production.ok);
    EXPECT_EQ(production, RunCompress(gPlain, input));
    CodecResult expanded = RunDecompress(gCodec, production.bytes, uint32_t(input.size()));
    ASSERT_TRUE(expanded.ok);
    EXPECT_TRUE(expanded.bytes == input);
    EXPECT_TRUE(RunDecompress(gPlain, production.bytes, uint32_t(input.size())).bytes == input);
}

// Both decoders reach the same verdict and the same bytes, whatever the stream.
void ExpectSameDecoding(const Bytes& stream, uint32_t expandedLength, const std::string& what) {
    SCOPED_TRACE(what + ", expanded length " + std::to_string(expandedLength));
    EXPECT_EQ(RunDecompress(gCodec, stream, expandedLength), RunDecompress(gPlain, stream, expandedLength));
}

Bytes Counting(size_t length, size_t period) {
    Bytes data(length);
    for (size_t i = 0; i < length; i++)
        data[i] = uint8_t(i % period);
    return data;
}

TEST(Crc32Test, StandardCheckValueAndRunningValue) {
    Crc32 crc;
    const uint8_t* digits = reinterpret_cast<const uint8_t*>("123456789");
    EXPECT_EQ(crc.Update(digits, 9, true), 0xCBF43926u);  // the check value of CRC-32 (IEEE 802.3)
    EXPECT_EQ(crc.Update(digits, 4, true), 0x9BE3E0A3u);
    EXPECT_EQ(crc.Update(digits + 4, 5, false), 0xCBF43926u);  // continues the running value
    EXPECT_EQ(crc.Update(nullptr, 5, false), 0xCBF43926u);     // no bytes fold nothing
    EXPECT_EQ(crc.Update(digits, 0, true), 0u);
    EXPECT_EQ(crc.Update(nullptr, 0, true), 0u);
    crc.Update(digits, 3, true);
    crc.Reset();
    EXPECT_EQ(crc.Update(digits, 9, false), 0xCBF43926u);
}

// The table loop of the definition, to hold the zlib-based object to it.
uint32_t TableCrc(const Bytes& data) {
    uint32_t table[256];
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    uint32_t value = 0xFFFFFFFFu;
    for (uint8_t b : data)
        value = (value >> 8) ^ table[(value ^ b) & 0xFF];
    return ~value;
}

TEST(Crc32Test, PiecewiseUpdatesMatchTheTableDefinition) {
    std::mt19937 random(7);
    Crc32 crc;
    for (int round = 0; round < 50; round++) {
        Bytes data = Structured(random, random() % 5000);
        uint32_t result = crc.Update(nullptr, 0, true);
        for (size_t at = 0; at < data.size();) {
            size_t piece = std::min<size_t>(data.size() - at, random() % 700);
            result = crc.Update(data.data() + at, uint32_t(piece), false);
            at += piece;
        }
        EXPECT_EQ(result, TableCrc(data));
    }
}

TEST(LzariTest, KnownStreams) {
    struct Case {
        const char* name;
        Bytes input;
        Bytes stream;  // empty: only the length is known
        size_t streamLength;
    };
    const Case cases[] = {
        {"abc", ToBytes("abc"), {0xb0, 0xa8, 0xc2, 0x00}, 4},
        {"a", ToBytes("a"), {0xb0, 0x40}, 2},
        {"5000 zeros", Bytes(5000, 0), {}, 135},
        {"0..255 twice", Counting(512, 256), {}, 293},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CodecResult stream = RunCompress(gCodec, c.input);
        ASSERT_TRUE(stream.ok);
        EXPECT_EQ(stream.bytes.size(), c.streamLength);
        if (!c.stream.empty()) {
            EXPECT_EQ(stream.bytes, c.stream);
        }
        ExpectExactRoundTrip(c.input, c.name);
    }
}

TEST(LzariTest, OutputBuffersAreTheOnlyAllocations) {
    int32_t news = gMem.NewArrCalls(), deletes = gMem.DelArrCalls();
    CodecResult full = RunCompress(gCodec, ToBytes("a"));  // the stream fills its 2-byte capacity
    ASSERT_TRUE(full.ok);
    EXPECT_EQ(gMem.NewArrCalls() - news, 1);
    EXPECT_EQ(gMem.DelArrCalls() - deletes, 1);  // the test's own release of the stream
    news = gMem.NewArrCalls(), deletes = gMem.DelArrCalls();
    CodecResult copied = RunCompress(gCodec, ToBytes("abc"));  // 4 of 6 bytes: an exact copy
    ASSERT_TRUE(copied.ok);
    EXPECT_EQ(gMem.NewArrCalls() - news, 2);
    EXPECT_EQ(gMem.DelArrCalls() - deletes, 2);
    news = gMem.NewArrCalls(), deletes = gMem.DelArrCalls();
    EXPECT_TRUE(RunDecompress(gCodec, copied.bytes, 3).ok);
    EXPECT_FALSE(RunDecompress(gCodec, RunCompress(gCodec, Bytes(100, 'x')).bytes, 50).ok);
    EXPECT_EQ(gMem.NewArrCalls() - news, 4);
    EXPECT_EQ(gMem.DelArrCalls() - deletes, 4);
}

TEST(LzariTest, EmptyArgumentsFailWithoutAllocating) {
    const uint8_t data[3] = {1, 2, 3};
    uint8_t sentinel = 0;
    uint8_t* output = &sentinel;
    uint32_t length = 77;
    int32_t news = gMem.NewArrCalls();
    EXPECT_FALSE(gCodec.Compress(nullptr, 3, &output, &length));
    EXPECT_FALSE(gCodec.Compress(data, 0, &output, &length));
    EXPECT_FALSE(gCodec.Compress(data, 3, nullptr, &length));
    EXPECT_FALSE(gCodec.Decompress(nullptr, 3, &output, 3));
    EXPECT_FALSE(gCodec.Decompress(data, 0, &output, 3));
    EXPECT_FALSE(gCodec.Decompress(data, 3, &output, 0));
    EXPECT_EQ(gCodec.CompressChecked(data, 0, &output, &length), 0u);
    EXPECT_EQ(gCodec.DecompressChecked(data, 3, &output, 0), 0u);
    EXPECT_EQ(output, &sentinel);
    EXPECT_EQ(length, 77u);
    EXPECT_EQ(gMem.NewArrCalls(), news);
}

TEST(LzariTest, CheckedVariantsReturnTheChecksumOfTheirResult) {
    std::mt19937 random(3);
    Bytes input = Structured(random, 20000);
    uint8_t* stream = nullptr;
    uint32_t streamLength = 0;
    uint32_t streamCrc = gCodec.CompressChecked(input.data(), uint32_t(input.size()), &stream, &streamLength);
    ASSERT_NE(stream, nullptr);
    Bytes streamBytes(stream, stream + streamLength);
    EXPECT_EQ(streamCrc, TableCrc(streamBytes));
    uint8_t* expanded = nullptr;
    EXPECT_EQ(gCodec.DecompressChecked(stream, streamLength, &expanded, uint32_t(input.size())), TableCrc(input));
    EXPECT_EQ(gCodec.DecompressChecked(stream, streamLength, &expanded, 10), 0u);  // a match overshoots
    FREE_ARRAY_TRACKED(stream);
    FREE_ARRAY_TRACKED(expanded);
}

TEST(LzariTest, EdgeShapesMatchThePlainCodec) {
    std::mt19937 random(11);
    Bytes noise(100000);
    for (uint8_t& b : noise)
        b = uint8_t(random());
    struct Case {
        std::string name;
        Bytes input;
    };
    const Case cases[] = {
        {"one zero byte", Bytes(1, 0)},
        {"one 0xff byte", Bytes(1, 0xff)},
        {"59 spaces, like the ring fill", Bytes(59, ' ')},
        {"60 spaces", Bytes(60, ' ')},
        {"61 spaces", Bytes(61, ' ')},
        {"4097 spaces", Bytes(4097, ' ')},
        {"70000 zeros", Bytes(70000, 0)},
        {"period 4096: matches exactly a window back", Counting(3 * 4096 + 17, 4096)},
        {"period 4095", Counting(3 * 4095, 4095)},
        {"period 61, just beyond the longest match", Counting(5000, 61)},
        {"noise: incompressible", noise},
        {"structured", Structured(random, 300000)},
    };
    for (const Case& c : cases)
        ExpectExactRoundTrip(c.input, c.name);
}

TEST(LzariTest, RandomInputsMatchThePlainCodec) {
    std::mt19937 random(1040);
    for (int round = 0; round < 150; round++) {
        size_t length = 1 + random() % (round % 10 == 0 ? 60000 : 3000);
        ExpectExactRoundTrip(Structured(random, length), "round " + std::to_string(round));
    }
}

TEST(LzariTest, OneByteTooManyFailsOrDecodesAnExtraByte) {
    std::mt19937 random(5);
    int extraBytes = 0, failures = 0;
    for (int round = 0; round < 40; round++) {
        Bytes input = Structured(random, 1 + random() % 2000);
        Bytes stream = RunCompress(gCodec, input).bytes;
        CodecResult longer = RunDecompress(gCodec, stream, uint32_t(input.size() + 1));
        ExpectSameDecoding(stream, uint32_t(input.size() + 1), "round " + std::to_string(round));
        if (longer.ok) {
            EXPECT_TRUE(std::equal(input.begin(), input.end(), longer.bytes.begin()));
            extraBytes++;
        } else {
            failures++;
        }
    }
    EXPECT_GT(extraBytes, 0);
    EXPECT_GT(failures, 0);
}

TEST(LzariTest, DamagedStreamsDecodeLikeThePlainCodec) {
    std::mt19937 random(9);
    Bytes input = Structured(random, 30000);
    Bytes stream = RunCompress(gCodec, input).bytes;
    uint32_t length = uint32_t(input.size());
    for (size_t keep : {size_t(1), size_t(2), size_t(3), stream.size() / 2, stream.size() - 1}) {
        Bytes truncated(stream.begin(), stream.begin() + long(keep));
        ExpectSameDecoding(truncated, length, "truncated to " + std::to_string(keep));
    }
    for (int flip = 0; flip < 60; flip++) {
        Bytes damaged = stream;
        size_t bit = random() % (damaged.size() * 8);
        damaged[bit / 8] ^= uint8_t(0x80 >> (bit % 8));
        ExpectSameDecoding(damaged, length, "bit " + std::to_string(bit) + " flipped");
    }
    for (uint32_t wrongLength : {length - 1, length + 1, length + 1000, 3 * length, 1u, 61u})
        ExpectSameDecoding(stream, wrongLength, "wrong length");
    for (int round = 0; round < 60; round++) {
        Bytes garbage(1 + random() % 300);
        for (uint8_t& b : garbage)
            b = uint8_t(random() % 3 ? random() : (round % 2 ? 0xff : 0x00));
        ExpectSameDecoding(garbage, 1 + random() % 20000, "garbage " + std::to_string(round));
    }
}

}  // namespace
