// u_setupChecks.h -- the options page's decisions: disk-space figures, leave checks, finish actions.
//
// Nothing here touches a window: questions go through the replaceable message-box handler and
// errors through the log's error report, so the wizard shows dialogs, the unattended mode answers
// from its switches and the tests script the answers. Every function is guarded and fails safe:
// an exception refuses the page and starts nothing.
#pragma once

#include <cstdint>

#include "common/s_strUtil.h"

// What the options page shows for a folder: text 18 with the whole MiB, grouped with ".".
struct DiskSpaceFigures {
    char required[kNameSize];
    char available[kNameSize];
    bool enoughSpace; // the available bytes are at least the required bytes
};

// The required bytes of the setup data against the free space of the nearest existing folder of
// `folder` (0 when no part of it exists).
DiskSpaceFigures ComputeDiskSpace(const char* folder);

// Runs the five checks made before installing into `folder` (which ends in a separator) for scope
// 0 (current user) or 1 (all users), in order: room on the drive, an empty folder (fresh
// installations only), no older client, the right to register for all users, the folder made.
// Returns false to stay on the options page: the user said Yes to a question or a check failed.
bool CheckLeaveOptionsPage(const char* folder, int32_t scope, bool enoughSpace);

// After a successful installation into `folder`: opens the information file with the desktop's
// default application and starts the updater without waiting, as chosen. A missing target is
// reported with text 30 and does not keep the other action from running.
void RunFinishActions(const char* folder, bool showInformation, bool startProduct);
