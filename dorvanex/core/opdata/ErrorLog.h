// The game's error log ("SPORTS_OPTION\log\error.log" on drive e:): one time-stamped line block
// per entry, for faults the operator does not see on screen (a fatal code, a save that failed).
// While e: cannot take a line (dead, full, read-only) the twin on f: takes it. Written through
// the store's file operations (CDataFileOps), so a test's in-memory disk sees it too; folders
// are made only on a drive that is there. Main thread only.
#pragma once

#include <string>

// The error log of each drive, beside the daily operation logs.
constexpr const char16_t* ERROR_LOG_PATH = u"e:/SPORTS_OPTION\\log\\error.log";
constexpr const char16_t* ERROR_LOG_PATH_F = u"f:/SPORTS_OPTION\\log\\error.log";

// Appends a line (UTF-8) with the local date and time in front to the log on firstDrive (0 e:,
// 1 f:), or on the other drive when that one cannot take it; false when neither did.
bool writeErrorLog(const std::string& text, int firstDrive = 0);
// A fault of the operator drives: the line on standard error and in the error log as above
// (a cabinet whose drives are both dead still shows it on its console).
void reportDriveFault(const std::string& text, int firstDrive = 0);
