// u_setupSession.h -- what the wizard and the unattended mode do alike before and after their work.
//
// Both take the run mutex first, so one installer runs at a time whichever way it was started, keep
// the log off unless asked, and create the language object; both end by releasing the setup data
// and the language object and writing the memory and error summaries into the log.
#pragma once

// Takes the run mutex "RUNSETUP.MUTEX" (false: another installer runs; the user has been told),
// starts the log switched off, then creates the language object (false when memory is short).
enum class SessionStart { Started, AnotherInstallerRuns, NoLanguage };
SessionStart BeginSession();

// Starts the log again at the debug level, writing its header to "_debug.log".
void StartDebugLog();

// Releases what the session made and writes the summaries.
void EndSession();
