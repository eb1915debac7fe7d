// s_template_object.h -- SafeObject: owns one heap object for the length of a scope.
//
// The holder remembers where its object was created, announces it to the memory accounting and
// releases it when it goes out of scope. It comes in two forms: attaching (the caller allocates an
// object with a virtual destructor and hands it over) and allocating (Create makes one T as a copy
// of a record, or all zero). Get on an empty holder reports the failed access instead of handing
// out a null the caller might dereference.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "common/s_log.h"
#include "common/s_strUtil.h"
#include "memsafe/s_mem.h"

template <class T>
class SafeObject {
public:
    enum CreateMode { CopyRecord = 0, ZeroFill = 1 };

    SafeObject() = default;
    SafeObject(T* pointer, int32_t bytes, const char* srcFile, int32_t srcLine) {
        Attach(pointer, bytes, srcFile, srcLine);
    }
    SafeObject(const T& source, int32_t mode, const char* srcFile, int32_t srcLine) {
        Create(source, mode, srcFile, srcLine);
    }
    ~SafeObject() { Destroy(); }
    SafeObject(const SafeObject&) = delete;
    SafeObject& operator=(const SafeObject&) = delete;

    bool Attach(T* pointer, int32_t bytes, const char* srcFile, int32_t srcLine) {
        if (created)
            return false;
        Remember(srcFile, srcLine);
        object = pointer;
        size = bytes;
        if (pointer && bytes != 0) {
            gMem.RegisterNew(pointer, size_t(bytes), createdFile, srcLine);
            created = true;
            return true;
        }
        gLog.ShowError(0, __FILE__, __LINE__, "Not enough memory to allocate %i bytes at %s (%i)", bytes,
                       createdFile, createdLine);
        return false;
    }

    bool Create(const T& source, int32_t mode, const char* srcFile, int32_t srcLine) {
        static_assert(std::is_trivially_copyable<T>::value, "allocating holders keep plain records");
        if (created)
            return false;
        Remember(srcFile, srcLine);
        object = new (std::nothrow) T(source);
        if (!object) {
            gLog.ShowError(0, __FILE__, __LINE__, "Not enough memory to allocate %i bytes at %s (%i)",
                           int32_t(sizeof(T)), createdFile, createdLine);
            return false;
        }
        size = int32_t(sizeof(T));
        gMem.RegisterNew(object, sizeof(T), createdFile, createdLine);
        created = true;
        if (mode == ZeroFill)
            std::memset(static_cast<void*>(object), 0, sizeof(T));
        return true;
    }

    T* Get() {
        if (created)
            return object;
        gLog.ShowError(1, __FILE__, __LINE__, "Failed to access object created at '%s' line %i.", createdFile,
                       createdLine);
        return nullptr;
    }

    void Destroy() {
        if (object) {
            gMem.RegisterDelete(object, createdFile, createdLine);
            delete object;
        }
        created = false;
        object = nullptr;
        size = 0;
        createdFile[0] = '\0';
        createdLine = 0;
    }

    bool IsCreated() const { return created; }
    int32_t GetSize() const { return size; }

private:
    void Remember(const char* srcFile, int32_t srcLine) {
        gStrUtil.Set(createdFile, sizeof(createdFile), srcFile);
        createdLine = srcLine;
    }

    bool created = false;
    T* object = nullptr;
    int32_t size = 0;
    char createdFile[kNameSize] = {};
    int32_t createdLine = 0;
};
