// packerSoak_test.cpp -- long fuzz and soak runs of the codec and of packed files (SETUP_SLOW_TESTS).
//
// The same properties as the regular tests, over many more and larger inputs: the production codec
// writes the step-by-step codec's streams, both decoders agree on any stream, and a damaged packed
// file never unpacks to wrong data.
#include <gtest/gtest.h>

#include <random>

#include "packer/s_packerUI.h"
#include "tests/packer/lzariTestData.h"
#include "tests/support/testSupport.h"

namespace {

PackerCore gCodec;
PlainLzari gPlain;

TEST(LzariSoak, ThousandsOfInputsMatchThePlainCodec) {
    std::mt19937 random(20240);
    for (int round = 0; round < 3000; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        Bytes input = Structured(random, 1 + random() % (round % 50 == 0 ? 400000 : 20000));
        CodecResult stream = RunCompress(gCodec, input);
        ASSERT_TRUE(stream.ok);
        ASSERT_EQ(stream, RunCompress(gPlain, input));
        ASSERT_TRUE(RunDecompress(gCodec, stream.bytes, uint32_t(input.size())).bytes == input);
    }
}

TEST(LzariSoak, BothDecodersAgreeOnRandomStreams) {
    std::mt19937 random(77);
    for (int round = 0; round < 20000; round++) {
        Bytes stream(1 + random() % 2000);
        for (uint8_t& b : stream)
            b = uint8_t(random());
        uint32_t expanded = 1 + random() % 100000;
        ASSERT_EQ(RunDecompress(gCodec, stream, expanded), RunDecompress(gPlain, stream, expanded))
            << "round " << round;
    }
}

TEST(LzariSoak, LargeInputRoundTrips) {
    std::mt19937 random(3);
    Bytes input = Structured(random, 24u << 20);
    CodecResult stream = RunCompress(gCodec, input);
    ASSERT_TRUE(stream.ok);
    EXPECT_TRUE(RunDecompress(gCodec, stream.bytes, uint32_t(input.size())).bytes == input);
}

TEST(PackedFileSoak, DamagedFilesNeverUnpackToWrongData) {
    TempFolder folder;
    std::mt19937 random(11);
    Bytes data = Structured(random, 50000);
    std::string packed = folder.File("data.pak");
    ASSERT_EQ(gPacker.PackMemory(data.data(), uint32_t(data.size()), packed.c_str()), kPackOk);
    std::string good = ReadWholeFile(packed);
    for (int round = 0; round < 3000; round++) {
        std::string damaged = good;
        for (int flips = 1 + int(random() % 3); flips > 0; flips--)
            damaged[random() % damaged.size()] ^= char(1 << (random() % 8));
        WriteWholeFile(packed, damaged);
        uint8_t* restored = nullptr;
        uint32_t length = 0;
        int32_t result = gPacker.UnpackToMemory(packed.c_str(), &restored, &length);
        if (result == kPackOk) {
            ASSERT_TRUE(Bytes(restored, restored + length) == data) << "round " << round;
            FREE_ARRAY_TRACKED(restored);
        }
    }
}

}  // namespace
