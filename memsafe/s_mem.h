// s_mem.h -- allocation accounting: every heap block of our own code is announced here.
//
// The tracker only counts (calls and bytes); it keeps no list of live blocks and never frees
// anything. The helpers below pair each allocation with its announcement and turn a failed
// allocation into the logged "Not enough memory" error, so call sites stay one line long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

#include "common/s_log.h"

class MemTracker {
public:
    void RegisterNew(const void* pointer, size_t size, const char* srcFile, int32_t srcLine);
    void RegisterNewArray(const void* pointer, size_t size, const char* srcFile, int32_t srcLine);
    void RegisterDelete(const void* pointer, const char* srcFile, int32_t srcLine);
    void RegisterDeleteArray(const void* pointer, const char* srcFile, int32_t srcLine);
    void WriteSummary();

    int32_t NewCalls() const { return newCalls; }
    int32_t DelCalls() const { return delCalls; }
    int32_t NewArrCalls() const { return newArrCalls; }
    int32_t DelArrCalls() const { return delArrCalls; }
    int32_t NewBytes() const { return newBytes; }
    int32_t NewArrBytes() const { return newArrBytes; }

private:
    int32_t newCalls = 0;
    int32_t delCalls = 0;
    int32_t newArrCalls = 0;
    int32_t delArrCalls = 0;
    int32_t newBytes = 0;
    int32_t newArrBytes = 0;
};

extern MemTracker gMem;

// Reports a failed allocation of `size` bytes made at srcFile:srcLine (flags 0).
void ReportOutOfMemory(size_t size, const char* srcFile, int32_t srcLine);

// A zero-filled raw buffer, announced; null (reported) when memory is short.
uint8_t* AllocArrayTracked(size_t size, const char* srcFile, int32_t srcLine);
void FreeArrayTracked(void* block, const char* srcFile, int32_t srcLine);

// One object of our own, announced with its size; null (reported) when memory is short.
template <class T, class... Args>
T* NewTracked(const char* srcFile, int32_t srcLine, Args&&... args) {
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!object) {
        ReportOutOfMemory(sizeof(T), srcFile, srcLine);
        return nullptr;
    }
    gMem.RegisterNew(object, sizeof(T), srcFile, srcLine);
    return object;
}

template <class T>
void DeleteTracked(T* object, const char* srcFile, int32_t srcLine) {
    if (!object)
        return;
    gMem.RegisterDelete(object, srcFile, srcLine);
    delete object;
}

#define NEW_TRACKED(T, ...) NewTracked<T>(__FILE__, __LINE__, ##__VA_ARGS__)
#define DELETE_TRACKED(object) DeleteTracked((object), __FILE__, __LINE__)
#define ALLOC_ARRAY_TRACKED(size) AllocArrayTracked((size), __FILE__, __LINE__)
#define FREE_ARRAY_TRACKED(block) FreeArrayTracked((block), __FILE__, __LINE__)
