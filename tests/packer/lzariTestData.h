// lzariTestData.h -- inputs for the codec tests and both codecs behind one small interface.
//
// `Structured` mixes what real files hold (literals, near and far copies, runs, words, a narrow
// alphabet) so that every kind of symbol, match length and match distance occurs. The Run*
// helpers return whether the operation succeeded and the bytes it produced, for the production
// codec (through the memory accounting) and for the step-by-step version from bench/.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/plainLzari.h"
#include "memsafe/s_mem.h"
#include "packer/s_packerCore.h"

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes Structured(std::mt19937& random, size_t length) {
    static const char* const kWords[] = {"install ", "window ", "the ", "client ", "\r\n", "data ", "    "};
    Bytes data;
    while (data.size() < length) {
        switch (random() % 6) {
            case 0:
                for (uint32_t n = 1 + random() % 24; n > 0; n--)
                    data.push_back(uint8_t(random()));
                break;
            case 1:
                if (!data.empty()) {
                    size_t distance = 1 + random() % std::min<size_t>(data.size(), 4200);
                    for (uint32_t n = 1 + random() % 90; n > 0; n--)  // may overlap itself
                        data.push_back(data[data.size() - distance]);
                }
                break;
            case 2: {
                uint32_t runLength = 1 + random() % 300;
                uint8_t value = random() % 4 ? uint8_t(0x20) : uint8_t(random());  // spaces fill the ring
                data.insert(data.end(), runLength, value);
                break;
            }
            case 3:
                for (uint32_t n = 1 + random() % 12; n > 0; n--) {
                    const char* word = kWords[random() % (sizeof(kWords) / sizeof(kWords[0]))];
                    data.insert(data.end(), word, word + std::strlen(word));
                }
                break;
            default:
                for (uint32_t n = 1 + random() % 60; n > 0; n--)
                    data.push_back(uint8_t('a' + random() % 4));
                break;
        }
    }
    data.resize(length);
    return data;
}

struct CodecResult {
    bool ok = false;
    Bytes bytes;
    bool operator==(const CodecResult& other) const { return ok == other.ok && bytes == other.bytes; }
};

inline CodecResult RunCompress(PackerCore& codec, const Bytes& input) {
    CodecResult result;
    uint8_t* stream = nullptr;
    uint32_t length = 0;
    result.ok = codec.Compress(input.data(), uint32_t(input.size()), &stream, &length);
    if (result.ok) {
        result.bytes.assign(stream, stream + length);
        FREE_ARRAY_TRACKED(stream);
    }
    return result;
}

inline CodecResult RunDecompress(PackerCore& codec, const Bytes& stream, uint32_t expandedLength) {
    CodecResult result;
    uint8_t* output = nullptr;
    result.ok = codec.Decompress(stream.data(), uint32_t(stream.size()), &output, expandedLength);
    if (result.ok) {
        result.bytes.assign(output, output + expandedLength);
        FREE_ARRAY_TRACKED(output);
    }
    return result;
}

inline CodecResult RunCompress(PlainLzari& codec, const Bytes& input) {
    CodecResult result;
    result.ok = codec.Compress(input.data(), uint32_t(input.size()), result.bytes);
    return result;
}

inline CodecResult RunDecompress(PlainLzari& codec, const Bytes& stream, uint32_t expandedLength) {
    CodecResult result;
    result.ok = codec.Decompress(stream.data(), uint32_t(stream.size()), expandedLength, result.bytes);
    if (!result.ok)
        result.bytes.clear();
    return result;
}
