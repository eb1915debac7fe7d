// s_guard.h -- the guarded-body convention of every function that does real work.
//
// The body first writes a level-9 trace line (which moves the log's last entry even when it is not
// written), and any exception thrown inside it -- including a hardware fault turned into one -- is
// reported as "Exception" with flags 1 and ends the function with its failure value:
//
//     bool FileUtil::FileExists(const char* path) {
//         GUARDED_BEGIN
//         ...
//         GUARDED_END(false)
//     }
//
// A void function ends with GUARDED_END(). Bodies whose failure the user need not see (the codec,
// the game's option file) end with GUARDED_END_LOGGED, which only logs "Exception" at level 1.
#pragma once

#include "common/s_log.h"

#define GUARDED_BEGIN                                                                 \
    gLog.Write(9, __FILE__, __LINE__, "CALL FUNCTION at: %s, %i", __FILE__, __LINE__); \
    try {

#define GUARDED_END(failure)                        \
    }                                               \
    catch (...) {                                   \
        gLog.ShowError(1, __FILE__, __LINE__, "Exception"); \
        return failure;                             \
    }

#define GUARDED_END_LOGGED(failure)                     \
    }                                                   \
    catch (...) {                                       \
        gLog.Write(1, __FILE__, __LINE__, "Exception"); \
        return failure;                                 \
    }
