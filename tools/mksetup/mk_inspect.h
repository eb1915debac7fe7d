// mk_inspect.h -- lists and verifies existing setup data with the installer's own walk.
//
// Both read the data only through the bounds-checked walk of main/u_setupFormat, so they are safe
// on damaged data and see it exactly as the installer does. Texts are printed as UTF-8.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Prints the header, both link tables, the terms line counts, the folders and every file with
// its sizes, CRC-32s and modification time. False (with the reason) when the walk fails.
bool ListSetupData(const uint8_t* data, uint32_t size, FILE* out, std::string* error);

// Expands every payload and compares it with its size and CRC-32, and checks each payload's own
// CRC-32. Prints one line per damaged file; false when the walk or any file fails.
bool VerifySetupData(const uint8_t* data, uint32_t size, FILE* out, std::string* error);
