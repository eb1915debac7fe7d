// s_byteOrder.h -- little-endian integers in byte buffers, as the setup data and packed files
// store them whatever the machine's own order.
#pragma once

#include <cstdint>

inline void PutLittleEndian(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++)
        at[i] = uint8_t(value >> (8 * i));
}

inline uint32_t GetLittleEndian(const uint8_t* at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; i--)
        value = (value << 8) | at[i];
    return value;
}
