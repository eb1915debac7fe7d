// s_packerCore.cpp -- LZARI codec: LZSS over a 4 KiB window, adaptive arithmetic coding; CRC-32.
//
// The streams are bit-exact with LZARI as published by H. Okumura (1989): N 4096, F 60, threshold
// 2, 314 adaptive symbols (bytes and match lengths) and a static model of 4096 match positions,
// coded MSB first with 17-bit registers, no header, the last byte padded with zero bits. The
// encoder makes the published choices (same trees, same tie breaks), so its bytes are identical;
// the decoder takes the published decoder's decisions on any input, damaged ones included, and
// never reads or writes outside its buffers. Only how each step is computed differs. Each "Speed"
// note gives what its step gains over doing that step the published way, all else equal (best of
// four runs over 7.5 MB of executables, text and compressed images); bench/codec_bench measures the
// whole codec against the step-by-step version in bench/plainLzari.cpp.
#include "packer/s_packerCore.h"

#include <zlib.h>

#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/s_guard.h"
#include "memsafe/s_mem.h"

// The hot loops are also built for x86-64-v3 (AVX2, BMI2, LZCNT) and picked at run time; the
// portable build produces the same bytes (SETUP_CODEC_PORTABLE builds it alone, for the tests).
// Speed: +3% expansion, compression unchanged.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(SETUP_CODEC_PORTABLE)
#define SETUP_HOT_LOOP __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define SETUP_HOT_LOOP
#endif

Crc32 gCrc32;

uint32_t Crc32::Update(const uint8_t* bytes, uint32_t length, bool restart) {
    if (restart)
        Reset();
    // zlib keeps the register complemented between calls; ours is not.
    uint32_t checksum = ~running;
    if (bytes && length > 0)
        checksum = uint32_t(crc32(checksum, bytes, length));
    running = ~checksum;
    return checksum;
}

namespace {

using namespace lzari;

constexpr uint32_t kRingMask = kWindowSize - 1;
constexpr uint32_t kFirstWrite = kWindowSize - kLongestMatch;  // 4036: ring position of byte 0
constexpr uint32_t kQ1 = 0x8000, kQ2 = 0x10000, kQ4 = 0x20000;  // coder quarter points
constexpr uint32_t kRegisterBits = 17;                          // Low, High, Value: 0 .. Q4

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "word compares count bytes from the low end");

// ---- Static tables ----------------------------------------------------------------------------

// The position model: position k (distance k + 1) weighs 10000 / (k + 201), so near matches are
// the cheap ones.
constexpr uint32_t PositionTotal() {
    uint32_t total = 0;
    for (uint32_t i = 1; i <= kWindowSize; i++)
        total += 10000 / (i + 200);
    return total;
}
constexpr uint32_t kPositionTotal = PositionTotal();  // 28568

struct PositionTables {
    uint16_t cum[kWindowSize + 1];        // cum[k]: weight of positions k .. 4095
    uint16_t positionOf[kPositionTotal];  // x in [cum[k + 1], cum[k]) -> k
};

constexpr PositionTables MakePositionTables() {
    PositionTables tables{};
    for (uint32_t i = kWindowSize; i >= 1; i--)
        tables.cum[i - 1] = uint16_t(tables.cum[i] + 10000 / (i + 200));
    for (uint32_t k = 0; k < kWindowSize; k++)
        for (uint32_t x = tables.cum[k + 1]; x < tables.cum[k]; x++)
            tables.positionOf[x] = uint16_t(k);
    return tables;
}

// Speed: the direct table (57 KB) replaces the 12-step binary search of every decoded position:
// expansion +28% (text +71%).
constexpr PositionTables kPositions = MakePositionTables();

// n / d for every 32-bit n and 2 <= d < 2^32 is (n * (2^64 / d + 1)) >> 64 (D. Lemire et al.,
// "Faster remainder by direct computation", 2019). Every model total has its factor here (256 KB).
// Speed: the two divisions by the total that narrow the interval sit on the decoder's critical
// path; multiplying instead: expansion +5%.
struct Reciprocals {
    uint64_t of[kMaxFrequency + 1];
};

constexpr Reciprocals MakeReciprocals() {
    Reciprocals table{};
    for (uint32_t d = 2; d <= uint32_t(kMaxFrequency); d++)
        table.of[d] = ~uint64_t(0) / d + 1;
    return table;
}

constexpr Reciprocals kReciprocals = MakeReciprocals();

inline uint32_t DivideByTotal(uint32_t n, uint32_t total) {
    return uint32_t((static_cast<unsigned __int128>(kReciprocals.of[total]) * n) >> 64);
}

// ---- Bit output -------------------------------------------------------------------------------

// Collects bits MSB first and stores them 32 at a time. Never stores past `capacity` but keeps
// counting, so the caller learns how long the stream would have been.
struct BitWriter {
    uint8_t* out;
    uint32_t capacity;
    uint64_t count = 0;        // bytes of the stream so far
    uint64_t pending = 0;      // bits not stored yet, left-aligned
    uint32_t pendingBits = 0;  // below 32 between calls

    BitWriter(uint8_t* output, uint32_t outputCapacity) : out(output), capacity(outputCapacity) {}

    // `bits` holds `n` (1..32) bits, right-aligned, nothing above them.
    inline void Put(uint32_t bits, uint32_t n) {
        pending |= uint64_t(bits) << (64 - pendingBits - n);
        pendingBits += n;
        if (pendingBits >= 32) {
            StoreWord(uint32_t(pending >> 32));
            pending <<= 32;
            pendingBits -= 32;
        }
    }

    inline void PutRepeated(uint32_t bit, uint32_t n) {
        for (; n >= 32; n -= 32)
            Put(bit ? 0xFFFFFFFFu : 0, 32);
        if (n > 0)
            Put(bit ? (1u << n) - 1 : 0, n);
    }

    inline void StoreWord(uint32_t word) {
        if (count + 4 <= capacity) {
            uint32_t bigEndian = __builtin_bswap32(word);
            std::memcpy(out + count, &bigEndian, 4);
            count += 4;
            return;
        }
        for (int32_t shift = 24; shift >= 0; shift -= 8, count++)
            if (count < capacity)
                out[count] = uint8_t(word >> shift);
    }

    // Completes the last byte with zero bits.
    void Finish() {
        for (; pendingBits > 0; pendingBits = pendingBits > 8 ? pendingBits - 8 : 0, count++) {
            if (count < capacity)
                out[count] = uint8_t(pending >> 56);
            pending <<= 8;
        }
    }
};

// ---- Bit input --------------------------------------------------------------------------------

// Hands out bits MSB first from a 64-bit reservoir. Past the end of the input the last byte repeats,
// as in the published reader, whose buffer keeps its previous byte there.
struct BitReader {
    const uint8_t* in;
    uint32_t length;         // at least 1
    uint32_t next = 0;       // next byte to load
    uint64_t reservoir = 0;  // left-aligned; bits past `available` are zero or the true next bits
    uint32_t available = 0;

    BitReader(const uint8_t* input, uint32_t inputLength) : in(input), length(inputLength) {}

    // Leaves at least 57 bits. Away from the end it loads whatever is missing without a branch on
    // `available`, which would be a coin toss per symbol.
    inline void Refill() {
        if (next + 8 <= length) {
            // Or-ing the bits of a partly taken byte again is harmless: they are the same bits.
            reservoir |= __builtin_bswap64(LoadWord(in + next)) >> available;
            uint32_t whole = (63 - available) >> 3;
            next += whole;
            available += whole * 8;
        } else {  // from here on `available` may reach 64; the branch above is never taken again
            for (; available <= 56; available += 8, next++) {
                uint8_t byte = next < length ? in[next] : in[length - 1];
                reservoir |= uint64_t(byte) << (56 - available);
            }
        }
    }

    // n from 0 to 17, at most `available`.
    inline uint32_t Take(uint32_t n) {
        uint32_t bits = uint32_t(reservoir >> 1 >> (63 - n));
        reservoir <<= n;
        available -= n;
        return bits;
    }

    static uint64_t LoadWord(const uint8_t* bytes) {
        uint64_t word;
        std::memcpy(&word, bytes, 8);
        return word;
    }
};

// ---- Interval normalisation -------------------------------------------------------------------

struct Rescaling {
    uint32_t settled;      // leading bits both ends share, shifted out (E1/E2 steps)
    uint32_t settledBits;  // their values, right-aligned
    uint32_t underflow;    // straddling steps around the midpoint (E3 steps)
};

// Performs the whole normalisation loop at once. The loop doubles [Low, High) until the interval
// neither lies in one half nor straddles the midpoint inside the middle half. In bits, with
// Top = High - 1: the `settled` leading bits Low and Top share go out (E1/E2 steps); the next bit,
// where they differ (Low 0, Top 1), stays while the `underflow` bits after it that read 1 in Low and
// 0 in Top are removed (E3 steps). Once a straddling step was taken, neither half can hold the
// interval again, so nothing else happens. Kept as Q4 - High (Top with its bits inverted), the
// upper end needs the same shifts as Low. The published decoder tests the middle half first, which
// only moves Low by Q2 for a step: it takes as many steps to the same registers, so this serves both
// directions (checked against both loops over 3 x 10^8 intervals).
// Speed: expansion +146% and compression +56% over the published loops with one bit per step.
inline Rescaling Renormalise(uint32_t& low, uint32_t& high) {
    assert(low < high && high <= kQ4);
    uint32_t headroom = kQ4 - high;                                         // ~Top in 17 bits
    uint32_t settled = uint32_t(__builtin_clz(~((low ^ headroom) << 15)));  // 0..17
    uint32_t settledBits = low >> (kRegisterBits - settled);
    uint64_t straddling = uint64_t(low & headroom) << 47 << settled;  // the kept bit lands on bit 63
    uint32_t underflow = uint32_t(__builtin_clzll(~straddling << 1));
    uint32_t shift = settled + underflow;
    low = (low << shift) & (kQ2 - 1);
    high = kQ4 - ((headroom << shift) & (kQ2 - 1));
    return {settled, settledBits, underflow};
}

// ---- Symbol model -----------------------------------------------------------------------------

inline uint32_t Cumulative(const PackerCore::SymbolModel& model, uint32_t code) {
    return uint32_t(model.SymCum[code] + model.CumBlockOffsets[code / 16]);
}

// After SymCum was rebuilt with whole cumulative values: no block offsets, fresh block ends (the
// zero tail of SymCum makes those past it 0), and the front of every run of equal frequencies.
void RestartBlocks(PackerCore::SymbolModel& model) {
    for (int32_t block = 0; block < kModelBlocks; block++) {
        int32_t last = 16 * block + 15;
        model.CumBlockOffsets[block] = 0;
        model.CumBlockLast[block] = last < kModelSlots ? model.SymCum[last] : 0;
    }
    for (int32_t code = kSymbols; code >= 1; code--)
        model.RunFront[model.SymFreq[code]] = uint16_t(code);
}

// Every code has frequency 1 and stands for the character one below it. Expects the zeros of Reset.
void StartModel(PackerCore::SymbolModel& model) {
    for (int32_t sym = kSymbols; sym >= 1; sym--) {
        model.CharToSym[sym - 1] = int16_t(sym);
        model.SymToChar[sym] = int16_t(sym - 1);
        model.SymFreq[sym] = 1;
        model.SymCum[sym - 1] = uint16_t(model.SymCum[sym] + 1);
    }
    RestartBlocks(model);
}

// Halves every frequency, rounding up, which keeps the order.
void RescaleModel(PackerCore::SymbolModel& model) {
    uint32_t total = 0;
    for (int32_t i = kSymbols; i > 0; i--) {
        model.SymCum[i] = uint16_t(total);
        model.SymFreq[i] = uint16_t((model.SymFreq[i] + 1) >> 1);
        total += model.SymFreq[i];
    }
    model.SymCum[0] = uint16_t(total);
    RestartBlocks(model);
}

// The code whose cumulative range holds x (x below the total), as the published binary search over
// codes 1..314 finds it: the number of codes whose cumulative frequency exceeds x. The ends of the
// 16-code blocks (CumBlockLast + CumBlockOffsets) give the block, one compare of its 16 entries the
// place in it. Every value, like x, stays below 32768, so the signed compare is exact.
// Speed: no loop and no data-dependent branch: expansion +51% (compressed images +79%) over the
// binary search, which mispredicts about every other step.
#if defined(__SSE2__)
inline __m128i LoadEight(const uint16_t* entries) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(entries));
}

// The entries above x come first: count them in a mask of up to 32 lanes.
inline uint32_t LeadingLanes(__m128i first, __m128i second, __m128i key) {
    return uint32_t(
        _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpgt_epi16(first, key), _mm_cmpgt_epi16(second, key))));
}

inline uint32_t FindSymbol(const PackerCore::SymbolModel& model, uint32_t x) {
    const __m128i key = _mm_set1_epi16(int16_t(x));
    const uint16_t* last = model.CumBlockLast;
    const uint16_t* offsets = model.CumBlockOffsets;
    uint32_t endsAbove =
        LeadingLanes(_mm_add_epi16(LoadEight(last), LoadEight(offsets)),
                     _mm_add_epi16(LoadEight(last + 8), LoadEight(offsets + 8)), key) |
        LeadingLanes(_mm_add_epi16(LoadEight(last + 16), LoadEight(offsets + 16)), _mm_setzero_si128(), key) << 16;
    uint32_t block = uint32_t(__builtin_ctz(~endsAbove));
    const uint16_t* entries = model.SymCum + 16 * block;
    const __m128i offset = _mm_set1_epi16(int16_t(offsets[block]));
    uint32_t entriesAbove = LeadingLanes(_mm_add_epi16(LoadEight(entries), offset),
                                         _mm_add_epi16(LoadEight(entries + 8), offset), key);
    return 16 * block + uint32_t(__builtin_ctz(~entriesAbove));
}
#else
inline uint32_t FindSymbol(const PackerCore::SymbolModel& model, uint32_t x) {
    uint32_t code = 0;
    while (Cumulative(model, code) > x)
        code++;
    return code;
}
#endif

// Eight 16-bit lanes, the width SSE2 has natively. Speed: with 16 lanes (32-byte GCC vectors, which
// fall apart without AVX) the portable build expanded at half the speed.
typedef int16_t Lanes8 __attribute__((vector_size(16)));
const Lanes8 kLaneIndex = {0, 1, 2, 3, 4, 5, 6, 7};

// entries[0 .. count-1] += 1 for eight entries (count may be below 0 or above 8), without a branch.
inline void IncrementEight(uint16_t* entries, int32_t count) {
    Lanes8 lanes;
    std::memcpy(&lanes, entries, sizeof(lanes));
    lanes -= kLaneIndex < int16_t(count);  // true lanes are -1
    std::memcpy(entries, &lanes, sizeof(lanes));
}

// Counts one more occurrence of `sym`: it moves to the front of the run of codes with its
// frequency (trading characters with the code there), which keeps the codes sorted.
inline void UpdateModel(PackerCore::SymbolModel& model, uint32_t sym) {
    if (Cumulative(model, 0) >= uint32_t(kMaxFrequency))
        RescaleModel(model);
    // Speed: the front of the run comes from RunFront instead of the published walk down the run,
    // which is long on compressed data: expansion +11% (compressed images +21%), compression +3%.
    uint32_t frequency = model.SymFreq[sym];
    uint32_t front = model.RunFront[frequency];
    int16_t frontChar = model.SymToChar[front];  // a swap with itself when sym leads its run
    int16_t symChar = model.SymToChar[sym];
    model.SymToChar[front] = symChar;
    model.SymToChar[sym] = frontChar;
    model.CharToSym[frontChar] = int16_t(sym);
    model.CharToSym[symChar] = int16_t(front);
    // `front` leaves its run for the end of the next one, which it starts if that was empty.
    model.SymFreq[front] = uint16_t(frequency + 1);
    model.RunFront[frequency] = uint16_t(front + 1);
    uint16_t& nextFront = model.RunFront[frequency + 1];
    nextFront = model.SymFreq[front - 1] == frequency + 1 ? nextFront : uint16_t(front);  // sentinel 0
    // The cumulative frequencies of the codes below `front` grow by one: whole blocks in their
    // offset, the rest of `front`'s block in SymCum. Speed: five vector steps for any symbol instead
    // of the element loop: expansion +39% and compression +8% (compressed images, whose symbols rank
    // low: +52% and +26%).
    int32_t wholeBlocks = int32_t(front / 16);
    uint16_t* partial = model.SymCum + 16 * wholeBlocks;
    IncrementEight(partial, int32_t(front % 16));
    IncrementEight(partial + 8, int32_t(front % 16) - 8);
    for (int32_t lane = 0; lane < kModelBlocks; lane += 8)
        IncrementEight(model.CumBlockOffsets + lane, wholeBlocks - lane);
}

// ---- Match trees ------------------------------------------------------------------------------

constexpr uint32_t kLeft = 0, kRight = 1;  // columns of MatchTree::Children

void InitTree(PackerCore::MatchTree& tree) {
    for (int32_t i = kWindowSize + 1; i <= kWindowSize + 256; i++)
        tree.Children[i][kRight] = kNil;
    for (int32_t i = 0; i < kWindowSize; i++)
        tree.Parent[i] = kNil;
}

// How a 60-byte string compares with another that has the same first byte.
struct Comparison {
    uint32_t length;  // equal leading bytes, 1..60 (60: equal throughout)
    bool greater;     // below 60: the string is greater at its first differing byte
};

// Eight bytes per step; the first difference comes from a bit count, the order from the
// byte-swapped words. The reads reach 64 bytes past each start, inside the ring's slack.
inline Comparison CompareStrings(const uint8_t* key, const uint8_t* candidate) {
    for (uint32_t offset = 1; offset < uint32_t(kLongestMatch); offset += 8) {
        uint64_t keyWord = BitReader::LoadWord(key + offset);
        uint64_t candidateWord = BitReader::LoadWord(candidate + offset);
        uint64_t difference = keyWord ^ candidateWord;
        if (difference) {
            uint32_t length = offset + uint32_t(__builtin_ctzll(difference)) / 8;
            if (length >= uint32_t(kLongestMatch))
                break;
            return {length, __builtin_bswap64(keyWord) > __builtin_bswap64(candidateWord)};
        }
    }
    return {uint32_t(kLongestMatch), false};
}

// Inserts the string at ring position r into the tree of its first byte and records the longest
// match (the nearest of equally long ones) in MatchLength and MatchPosition. A string equal in all
// 60 bytes takes the place of the older one, which leaves the tree.
// Speed: word compares, both children read in one place while the strings are compared, and the
// next node picked without a branch (the direction is a coin toss): compression +32% (text +43%)
// over the byte loop with a branch per step. Rejected: loading the first words of both children
// ahead (no gain), and comparing them ahead too (-5%).
inline void InsertNode(PackerCore::MatchTree& tree, uint32_t r) {
    uint8_t* ring = tree.Ring;
    uint16_t* parent = tree.Parent;
    uint16_t(*children)[2] = tree.Children;
    const uint8_t* key = ring + r;
    uint32_t p = kWindowSize + 1 + key[0];  // the root; the first step always goes right
    children[r][kLeft] = children[r][kRight] = kNil;
    int32_t matchLength = 0;
    int32_t matchPosition = tree.MatchPosition;
    uint16_t* link = &children[p][kRight];  // where r hangs if the descent ends here
    uint32_t next = *link;
    bool fullMatch = false;
    while (next != kNil) {
        p = next;
        uint32_t bothChildren;
        std::memcpy(&bothChildren, children[p], 4);
        Comparison comparison = CompareStrings(key, ring + p);
        uint32_t length = comparison.length;
        if (length > uint32_t(kThreshold)) {
            int32_t distance = int32_t((r - p) & kRingMask);
            if (int32_t(length) > matchLength) {
                matchPosition = distance;
                matchLength = int32_t(length);
                if (length >= uint32_t(kLongestMatch)) {
                    fullMatch = true;
                    break;
                }
            } else if (int32_t(length) == matchLength && distance < matchPosition) {
                matchPosition = distance;
            }
        }
        link = &children[p][comparison.greater];
        next = uint16_t(bothChildren >> (16 * comparison.greater));  // little-endian halves
    }
    tree.MatchLength = matchLength;
    tree.MatchPosition = matchPosition;
    if (!fullMatch) {
        *link = uint16_t(r);
        parent[r] = uint16_t(p);
        return;
    }
    parent[r] = parent[p];
    children[r][kLeft] = children[p][kLeft];
    children[r][kRight] = children[p][kRight];
    parent[children[p][kLeft]] = uint16_t(r);
    parent[children[p][kRight]] = uint16_t(r);
    uint16_t* fromParent = children[parent[p]];
    fromParent[fromParent[kRight] == p ? kRight : kLeft] = uint16_t(r);
    parent[p] = kNil;
}

// Takes the string at ring position p out of its tree; its place goes to its only child or, with
// two children, to the rightmost node of its left subtree.
inline void DeleteNode(PackerCore::MatchTree& tree, uint32_t p) {
    uint16_t* parent = tree.Parent;
    uint16_t(*children)[2] = tree.Children;
    if (parent[p] == kNil)
        return;
    uint32_t q;
    if (children[p][kRight] == kNil) {
        q = children[p][kLeft];
    } else if (children[p][kLeft] == kNil) {
        q = children[p][kRight];
    } else {
        q = children[p][kLeft];
        if (children[q][kRight] != kNil) {
            do
                q = children[q][kRight];
            while (children[q][kRight] != kNil);
            children[parent[q]][kRight] = children[q][kLeft];
            parent[children[q][kLeft]] = parent[q];
            children[q][kLeft] = children[p][kLeft];
            parent[children[p][kLeft]] = uint16_t(q);
        }
        children[q][kRight] = children[p][kRight];
        parent[children[p][kRight]] = uint16_t(q);
    }
    parent[q] = parent[p];
    uint16_t* fromParent = children[parent[p]];
    fromParent[fromParent[kRight] == p ? kRight : kLeft] = uint16_t(q);
    parent[p] = kNil;
}

// ---- Encoder ----------------------------------------------------------------------------------

struct Encoder {
    PackerCore::SymbolModel& model;
    BitWriter writer;
    uint32_t low = 0;  // interval [low, high) within 0 .. Q4
    uint32_t high = kQ4;
    uint32_t owed = 0;  // underflow bits owed after the next settled bit

    inline void Normalise() {
        Rescaling step = Renormalise(low, high);
        if (step.settled > 0) {
            if (owed == 0) {
                writer.Put(step.settledBits, step.settled);
            } else {
                uint32_t first = step.settledBits >> (step.settled - 1);
                writer.Put(first, 1);
                writer.PutRepeated(first ^ 1, owed);
                owed = 0;
                if (step.settled > 1)
                    writer.Put(step.settledBits & ((1u << (step.settled - 1)) - 1), step.settled - 1);
            }
        }
        owed += step.underflow;
    }

    inline void EncodeSymbol(uint32_t c) {
        uint32_t sym = uint32_t(model.CharToSym[c]);
        uint32_t range = high - low;
        uint32_t total = Cumulative(model, 0);
        high = low + DivideByTotal(range * Cumulative(model, sym - 1), total);
        low += DivideByTotal(range * Cumulative(model, sym), total);
        Normalise();
        UpdateModel(model, sym);
    }

    inline void EncodePosition(uint32_t position) {
        uint32_t range = high - low;
        high = low + range * kPositions.cum[position] / kPositionTotal;
        low += range * kPositions.cum[position + 1] / kPositionTotal;
        Normalise();
    }

    void End() {
        owed++;
        uint32_t bit = low < kQ1 ? 0 : 1;
        writer.Put(bit, 1);
        writer.PutRepeated(bit ^ 1, owed);
        owed = 0;
        writer.Finish();
    }
};

// Encodes `length` (>= 1) bytes into `output`. Returns the stream length, which exceeds `capacity`
// when the stream did not fit (nothing is stored past it). Expects a started model and empty trees;
// leaves the coder registers in `coder`.
SETUP_HOT_LOOP
uint64_t EncodeBlock(PackerCore::MatchTree& tree, PackerCore::SymbolModel& model, PackerCore::CoderState& coder,
                     const uint8_t* input, uint32_t length, uint8_t* output, uint32_t capacity) {
    assert(input && length > 0 && output);
    uint8_t* ring = tree.Ring;
    Encoder encoder{model, BitWriter(output, capacity)};
    std::memset(ring, ' ', kFirstWrite);
    uint32_t r = kFirstWrite;  // ring position of the next byte to code
    uint32_t s = 0;            // ring position the next input byte replaces
    uint32_t lookAhead = length < uint32_t(kLongestMatch) ? length : uint32_t(kLongestMatch);
    std::memcpy(ring + r, input, lookAhead);
    uint32_t inputPos = lookAhead;  // next input byte to read
    for (uint32_t i = 1; i <= uint32_t(kLongestMatch); i++)
        InsertNode(tree, r - i);
    InsertNode(tree, r);
    while (lookAhead > 0) {
        uint32_t matchLength = uint32_t(tree.MatchLength);
        if (matchLength > lookAhead)
            matchLength = lookAhead;
        if (matchLength <= uint32_t(kThreshold)) {
            matchLength = 1;
            encoder.EncodeSymbol(ring[r]);
        } else {
            encoder.EncodeSymbol(255 - kThreshold + matchLength);
            encoder.EncodePosition(uint32_t(tree.MatchPosition) - 1);
        }
        uint32_t step = 0;
        for (; step < matchLength && inputPos < length; step++) {
            DeleteNode(tree, s);
            uint8_t c = input[inputPos++];
            ring[s] = c;
            if (s < uint32_t(kLongestMatch) - 1)
                ring[s + kWindowSize] = c;
            s = (s + 1) & kRingMask;
            r = (r + 1) & kRingMask;
            InsertNode(tree, r);
        }
        for (; step < matchLength; step++) {
            DeleteNode(tree, s);
            s = (s + 1) & kRingMask;
            r = (r + 1) & kRingMask;
            if (--lookAhead)
                InsertNode(tree, r);
        }
    }
    encoder.End();
    coder.Low = encoder.low;
    coder.High = encoder.high;
    coder.PendingBits = encoder.owed;
    return encoder.writer.count;
}

// ---- Decoder ----------------------------------------------------------------------------------

// What the ring holds before the first byte: spaces at the 4036 positions before the start, zeros at
// the 60 positions of the look-ahead that no byte has reached yet. `back` counts from the start.
inline uint8_t PreHistory(uint32_t back) {
    return back <= kFirstWrite ? uint8_t(' ') : uint8_t(0);
}

// Copies a match of `length` bytes from `distance` bytes back; the copy may overlap the bytes it
// produces. Needs count + length <= expanded.
// Speed: copying within the output instead of through the ring, 16 or 8 bytes at a time where the
// distance allows: expansion +2% (text +6%) over a byte loop.
inline void CopyMatch(uint8_t* out, uint32_t count, uint32_t distance, uint32_t length, uint32_t expanded) {
    if (distance > count) {
        for (uint32_t end = count + length; count < end; count++)
            out[count] = count >= distance ? out[count - distance] : PreHistory(distance - count);
        return;
    }
    uint8_t* dst = out + count;
    const uint8_t* src = dst - distance;
    bool slack = expanded - count >= 64;  // room for whole chunks past the match's end
    if (distance >= 16 && slack) {
        for (uint32_t j = 0; j < length; j += 16)
            std::memcpy(dst + j, src + j, 16);
    } else if (distance >= 8 && slack) {
        for (uint32_t j = 0; j < length; j += 8)
            std::memcpy(dst + j, src + j, 8);
    } else if (distance == 1) {
        std::memset(dst, *src, length);
    } else {
        for (uint32_t j = 0; j < length; j++)
            dst[j] = src[j];
    }
}

// Narrows [low, high) to [low + range * lower / total, low + range * upper / total) and
// renormalises; `offset` (Value - Low) follows Low and takes in the new bits.
template <class Divide>
inline void Narrow(uint32_t& low, uint32_t& high, uint32_t& offset, BitReader& reader, uint32_t lower,
                   uint32_t upper, Divide divide) {
    uint32_t range = high - low;
    uint32_t newLow = low + divide(range * lower);
    high = low + divide(range * upper);
    offset -= newLow - low;
    low = newLow;
    Rescaling step = Renormalise(low, high);
    uint32_t shift = step.settled + step.underflow;
    offset = (offset << shift) + reader.Take(shift);
}

// Expands `length` (>= 1) stream bytes into exactly `expanded` (>= 1) bytes at `output`. False when
// a match runs past the end. Expects a started model; leaves the coder registers in `coder`.
// The decoder keeps Value - Low instead of Value: every subtraction of the normalisation applies to
// both, so the difference only shifts in the new bits. Whatever the bits, it stays below
// High - Low (each narrowing picks the part that holds it), as in the published decoder; the
// searches are clamped all the same.
SETUP_HOT_LOOP
bool DecodeBlock(PackerCore::SymbolModel& model, PackerCore::CoderState& coder, const uint8_t* input,
                 uint32_t length, uint8_t* output, uint32_t expanded) {
    assert(input && length > 0 && output && expanded > 0);
    BitReader reader(input, length);
    reader.Refill();
    uint32_t low = 0;  // interval [low, high) within 0 .. Q4
    uint32_t high = kQ4;
    uint32_t offset = reader.Take(kRegisterBits);  // Value - Low
    uint32_t count = 0;                            // bytes produced
    bool fits = true;                              // no match ran past the end
    while (count < expanded && fits) {
        reader.Refill();  // enough for a symbol and a position
        uint32_t total = Cumulative(model, 0);
        uint32_t target = ((offset + 1) * total - 1) / (high - low);
        uint32_t sym = FindSymbol(model, target < total ? target : total - 1);
        Narrow(low, high, offset, reader, Cumulative(model, sym), Cumulative(model, sym - 1),
               [total](uint32_t n) { return DivideByTotal(n, total); });
        uint32_t c = uint32_t(model.SymToChar[sym]);
        UpdateModel(model, sym);
        if (c < 256) {
            output[count++] = uint8_t(c);
            continue;
        }
        target = ((offset + 1) * kPositionTotal - 1) / (high - low);
        uint32_t position = kPositions.positionOf[target < kPositionTotal ? target : kPositionTotal - 1];
        Narrow(low, high, offset, reader, kPositions.cum[position + 1], kPositions.cum[position],
               [](uint32_t n) { return n / kPositionTotal; });
        uint32_t matchLength = c - (255 - kThreshold);
        fits = matchLength <= expanded - count;
        if (fits) {
            CopyMatch(output, count, position + 1, matchLength, expanded);
            count += matchLength;
        }
    }
    coder.Low = low;
    coder.High = high;
    coder.Value = offset + low;
    return fits;
}

}  // namespace

void PackerCore::Reset() {
    std::memset(&tree, 0, sizeof(tree));
    std::memset(&model, 0, sizeof(model));
    std::memset(&coder, 0, sizeof(coder));
    coder.High = kQ4;
    InitTree(tree);
}

bool PackerCore::Compress(const uint8_t* input, uint32_t inputLength, uint8_t** output, uint32_t* outputLength) {
    if (!input || inputLength == 0 || !output || !outputLength)
        return false;
    GUARDED_BEGIN
    Reset();
    uint64_t wanted = uint64_t(inputLength) * 2;
    uint32_t capacity = wanted > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(wanted);
    uint8_t* buffer = ALLOC_ARRAY_TRACKED(capacity);
    if (!buffer)
        return false;
    StartModel(model);
    uint64_t streamLength = EncodeBlock(tree, model, coder, input, inputLength, buffer, capacity);
    if (streamLength > capacity) {
        FREE_ARRAY_TRACKED(buffer);
        return false;
    }
    if (streamLength < capacity) {  // hand out an exact copy
        uint8_t* exact = ALLOC_ARRAY_TRACKED(size_t(streamLength));
        if (exact)
            std::memcpy(exact, buffer, size_t(streamLength));
        FREE_ARRAY_TRACKED(buffer);
        if (!exact)
            return false;
        buffer = exact;
    }
    *output = buffer;
    *outputLength = uint32_t(streamLength);
    return true;
    GUARDED_END_LOGGED(false)
}

bool PackerCore::Decompress(const uint8_t* input, uint32_t inputLength, uint8_t** output, uint32_t expandedLength) {
    if (!input || inputLength == 0 || expandedLength == 0 || !output)
        return false;
    GUARDED_BEGIN
    Reset();
    uint8_t* buffer = ALLOC_ARRAY_TRACKED(expandedLength);
    if (!buffer)
        return false;
    StartModel(model);
    if (!DecodeBlock(model, coder, input, inputLength, buffer, expandedLength)) {
        FREE_ARRAY_TRACKED(buffer);
        return false;
    }
    *output = buffer;
    return true;
    GUARDED_END_LOGGED(false)
}

uint32_t PackerCore::CompressChecked(const uint8_t* input, uint32_t inputLength, uint8_t** output,
                                     uint32_t* outputLength) {
    if (!Compress(input, inputLength, output, outputLength))
        return 0;
    return gCrc32.Update(*output, *outputLength, true);
}

uint32_t PackerCore::DecompressChecked(const uint8_t* input, uint32_t inputLength, uint8_t** output,
                                       uint32_t expandedLength) {
    if (!Decompress(input, inputLength, output, expandedLength))
        return 0;
    return gCrc32.Update(*output, expandedLength, true);
}
