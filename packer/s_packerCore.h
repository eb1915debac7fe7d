// s_packerCore.h -- LZARI codec and CRC-32: compression and expansion of byte blocks in memory.
//
// Streams are bit-exact with the published LZARI algorithm (H. Okumura, 1989) with a 4096-byte
// window, matches of 3 to 60 bytes, no header and the last byte padded with zero bits; the expanded
// length travels beside the stream. Every buffer handed out is announced to the memory accounting
// and freed by the caller with FREE_ARRAY_TRACKED. Expansion never reads or writes outside its
// buffers, whatever the input; a damaged stream fails or yields bytes that only a CRC-32 can tell
// apart, so callers compare checksums. One operation at a time per object (all state is inside it).
#pragma once

#include <cstdint>

// The standard CRC-32 (IEEE 802.3: reflected polynomial 0xEDB88320, start 0xFFFFFFFF, final
// complement), kept as a running value so a checksum can be built from several blocks.
class Crc32 {
public:
    // Folds `length` bytes into the running value (restarted first if asked) and returns the
    // checksum so far. No bytes fold nothing: after a restart the result is 0.
    uint32_t Update(const uint8_t* bytes, uint32_t length, bool restart);
    void Reset() { running = 0xFFFFFFFF; }

private:
    uint32_t running = 0xFFFFFFFF;  // not complemented
};

extern Crc32 gCrc32;

// Parameters of the stream format: changing any of them changes every stream.
namespace lzari {
constexpr int32_t kWindowSize = 4096;   // N: ring size; positions are taken modulo it
constexpr int32_t kLongestMatch = 60;   // F: longest match, and the look-ahead of the encoder
constexpr int32_t kThreshold = 2;       // matches of this length or shorter go out as literals
constexpr int32_t kNil = kWindowSize;   // the empty link of the match trees
constexpr int32_t kSymbols = 256 - kThreshold + kLongestMatch;  // 314: bytes, then lengths 3..60
constexpr int32_t kModelSlots = 336;    // symbol tables rounded up for 16-wide scans (zero tail)
constexpr int32_t kModelBlocks = 24;    // 16-entry blocks of a symbol table, rounded up (zero tail)
constexpr int32_t kMaxFrequency = 32767;  // the model is rescaled when its total reaches this
constexpr int32_t kRingSize = kWindowSize + 64;  // N + F - 1 bytes, plus slack for 8-byte compares
}  // namespace lzari

class PackerCore {
public:
    // A new buffer holding exactly the stream of `inputLength` bytes; false for empty input, when
    // memory is short, or when the stream would need more than twice the input's length.
    bool Compress(const uint8_t* input, uint32_t inputLength, uint8_t** output, uint32_t* outputLength);
    // A new buffer of exactly `expandedLength` bytes; false for empty arguments, when memory is
    // short, or when the last match of the stream runs past the expected end.
    bool Decompress(const uint8_t* input, uint32_t inputLength, uint8_t** output, uint32_t expandedLength);
    // As above, returning the CRC-32 of the result, or 0 on failure.
    uint32_t CompressChecked(const uint8_t* input, uint32_t inputLength, uint8_t** output,
                             uint32_t* outputLength);
    uint32_t DecompressChecked(const uint8_t* input, uint32_t inputLength, uint8_t** output,
                               uint32_t expandedLength);

    // Encoder window with its 256 binary match trees (one per first byte), linked by ring position.
    struct MatchTree {
        alignas(64) uint8_t Ring[lzari::kRingSize];  // bytes 4096..4154 mirror 0..58
        uint16_t Parent[lzari::kWindowSize + 1];  // entry 4096 absorbs writes through empty links
        // The left child [0] and the right child [1] of each node side by side, so that a step
        // down the tree reads one place; 4097..4352 are the roots of the 256 trees (right only).
        uint16_t Children[lzari::kWindowSize + 257][2];
        int32_t MatchPosition;  // distance of the longest match of the last insertion (1..4095)
        int32_t MatchLength;    // its length, 0 when none is longer than the threshold
    };

    // Adaptive frequencies of the 314 symbols, kept sorted: symbol code 1 is the most frequent.
    // The cumulative frequency of code i (the sum of SymFreq[j > i]) is held in two parts,
    // SymCum[i] + CumBlockOffsets[i / 16], so counting one occurrence touches one block of SymCum
    // and the offsets of the blocks below it. Totals stay below 32768, so 16 bits hold every value.
    struct SymbolModel {
        alignas(16) uint16_t SymFreq[lzari::kModelSlots];  // by code 1..314; 0 is a sentinel
        alignas(16) uint16_t SymCum[lzari::kModelSlots];   // the part within the block of 16
        alignas(16) uint16_t CumBlockOffsets[lzari::kModelBlocks];
        alignas(16) uint16_t CumBlockLast[lzari::kModelBlocks];  // SymCum[16 b + 15]: only a rescale
                                                                 // changes it
        // The first code with each frequency; entries of frequencies no code has are stale.
        uint16_t RunFront[lzari::kMaxFrequency + 2];
        int16_t CharToSym[lzari::kSymbols];  // code of each byte / length symbol
        int16_t SymToChar[lzari::kSymbols + 1];
    };

    // Arithmetic coder registers; Low and High stay within 0 .. 0x20000.
    struct CoderState {
        uint32_t Low;
        uint32_t High;
        uint32_t Value;
        uint32_t PendingBits;  // opposite bits owed after the next settled bit
    };

private:
    void Reset();

    MatchTree tree;
    SymbolModel model;
    CoderState coder;
};
