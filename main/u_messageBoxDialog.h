// u_messageBoxDialog.h -- message boxes as modal wxWidgets dialogs.
#pragma once

#include "platform/s_platform.h"

// Shows the box owned by the top-level window that has the keyboard focus, as Windows does.
Platform::BoxAnswer ShowMessageDialog(const char* text, const char* caption, Platform::BoxButtons buttons);
