// s_mutex.h -- RunMutex: one running copy at a time, and starting a program under an exec mutex.
//
// A program calls Check at the very start of its start-up: it takes the named run mutex for the
// rest of its life, or tells the user another copy is running and refuses. The mutex is let go of
// by the system when the process ends, however it ends; nothing releases it on exit. With an exec
// mutex a starter and the program it starts hand over: the started program refuses to run unless
// its starter holds the exec mutex, and the starter waits until the started program holds its run
// mutex. The operations are for the main thread only.
#pragma once

#include <cstdint>

#include "platform/s_platform.h"

class RunMutex {
public:
    // How long ExecuteMutexed waits for the started program to take its run mutex.
    static constexpr uint32_t kStartTimeoutMs = 30000;

    // True if this program may run: the required exec mutex exists (tested only when both it and
    // the starter's name are given) and the run mutex was taken. Every refusal is logged; all but a
    // failure to create the mutex also show a box captioned "Error!".
    bool Check(const char* requiredExecMutex, const char* starterName, const char* runMutex);

    // Starts folder + file under the exec mutex and waits until the started program holds
    // `waitMutex`, for at most `timeoutMs`. False, with a message box, when it cannot be started or
    // does not take its mutex in time. The exec mutex is released before returning.
    bool ExecuteMutexed(const char* execMutex, const char* folder, const char* file, const char* waitMutex,
                        uint32_t timeoutMs = kStartTimeoutMs);

    // True if some process holds the named mutex.
    bool Exists(const char* name);

    // Lets go of the run mutex taken by Check, if any.
    void Release();

private:
    Platform::MutexHandle handle = Platform::kNoMutex;
};

extern RunMutex gRunMutex;
