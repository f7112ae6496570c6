// The game's error log ("e:/SPORTS_OPTION\log\error.log"): one time-stamped line block per
// entry, for faults the operator does not see on screen (a fatal code, a save that failed).
#pragma once

#include <string>

// The error log, beside the daily operation logs.
constexpr const char16_t* ERROR_LOG_PATH = u"e:/SPORTS_OPTION\\log\\error.log";

// Appends a line (UTF-8) with the local date and time in front; nothing when the log cannot
// be opened.
void writeErrorLog(const std::string& text);
