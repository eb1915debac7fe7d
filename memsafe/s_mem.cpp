// s_mem.cpp -- allocation accounting.
#include "memsafe/s_mem.h"

#include <cstring>

#include "common/s_appIdentity.h"

MemTracker gMem;

namespace {

// The counters are 32-bit, as in the log they feed; long runs may wrap them.
int32_t Plus(int32_t counter, size_t amount) { return int32_t(uint32_t(counter) + uint32_t(amount)); }

}  // namespace

void MemTracker::RegisterNew(const void*, size_t size, const char*, int32_t) {
    newCalls = Plus(newCalls, 1);
    newBytes = Plus(newBytes, size);
}

void MemTracker::RegisterNewArray(const void*, size_t size, const char*, int32_t) {
    newArrCalls = Plus(newArrCalls, 1);
    newArrBytes = Plus(newArrBytes, size);
}

void MemTracker::RegisterDelete(const void*, const char*, int32_t) { delCalls = Plus(delCalls, 1); }

void MemTracker::RegisterDeleteArray(const void*, const char*, int32_t) { delArrCalls = Plus(delArrCalls, 1); }

void MemTracker::WriteSummary() {
    gLog.Write(1, __FILE__, __LINE__, "memory summary of %s:", kAppName);
    gLog.Write(1, __FILE__, __LINE__, "new ptr calls: %6i with total mem allocated : %10i", newCalls, newBytes);
    gLog.Write(1, __FILE__, __LINE__, "del ptr calls: %6i", delCalls);
    gLog.Write(1, __FILE__, __LINE__, "new arr calls: %6i with total mem allocated : %10i", newArrCalls, newArrBytes);
    gLog.Write(1, __FILE__, __LINE__, "del arr calls: %6i", delArrCalls);
}

void ReportOutOfMemory(size_t size, const char* srcFile, int32_t srcLine) {
    gLog.ShowError(0, srcFile, srcLine, "Not enough memory to allocate %i bytes at %s (%i)", int32_t(size), srcFile,
                   srcLine);
}

uint8_t* AllocArrayTracked(size_t size, const char* srcFile, int32_t srcLine) {
    uint8_t* block = new (std::nothrow) uint8_t[size];
    if (!block) {
        ReportOutOfMemory(size, srcFile, srcLine);
        return nullptr;
    }
    std::memset(block, 0, size);
    gMem.RegisterNewArray(block, size, srcFile, srcLine);
    return block;
}

void FreeArrayTracked(void* block, const char* srcFile, int32_t srcLine) {
    if (!block)
        return;
    gMem.RegisterDeleteArray(block, srcFile, srcLine);
    delete[] static_cast<uint8_t*>(block);
}
