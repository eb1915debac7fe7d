// plainLzari.h -- the LZARI codec written step by step, as the reference for the production codec.
//
// This is the published algorithm as it reads: one bit per call, a linear walk and a prefix
// increment for every model update, binary searches over the cumulative tables. It exists only to
// measure the production codec against and to prove that both produce and accept the same streams
// (benchmarks and tests build it from this one file). It does no memory accounting and no logging.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class PlainLzari {
public:
    PlainLzari();
    ~PlainLzari();

    // The stream for `length` bytes; false for empty input or when it would outgrow 2 x length.
    bool Compress(const uint8_t* input, uint32_t length, std::vector<uint8_t>& stream);
    // Exactly `expandedLength` bytes; false for empty arguments or when the last match overshoots.
    bool Decompress(const uint8_t* input, uint32_t length, uint32_t expandedLength, std::vector<uint8_t>& output);

private:
    struct State;
    std::unique_ptr<State> state;
};
