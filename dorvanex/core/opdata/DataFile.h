// The operator data files: every file the cabinet keeps for its operator ("testmode.dat",
// "ranking.dat", "BOOKKEEPING") is stored twice, in "SPORTS_OPTION" on drive e: and on drive
// f:, in the layout of DataFileFormat.h. A save replaces each copy durably and reads it back;
// a load keeps the newest copy whose check words, stamp (and the caller's own check) hold.
// Each copy is written whatever happened to the other: a failed drive costs only its own copy,
// and the failure goes to standard error and to the error log (on f: while e: is dead).
//
// What the layout cannot tell: its byte sum misses bytes swapped within the payload and
// changes that cancel out (+1 in one byte, -1 in another), and nothing covers the stamp but
// its calendar ranges. So a copy damaged that way loads as good when it is the only one, or
// when it and the other copy carry the same stamp (e: is taken then). Where the stamps differ,
// the files' write times catch a stamp that claims to be newer than its file is. Files are
// reached through CDataFileOps only. Main thread only.
#pragma once

#include "dorvanex/core/opdata/DataFileFormat.h"

#include <cstdint>
#include <string>

constexpr const char16_t* DATA_FOLDER_E = u"e:/SPORTS_OPTION";
constexpr const char16_t* DATA_FOLDER_F = u"f:/SPORTS_OPTION";

// Results of saveDataFile: 0 when both copies are in place, else the negated sum of the
// copies that are not (1 e:, 2 f:).
constexpr int32_t SAVE_FAILED_E = 1;
constexpr int32_t SAVE_FAILED_F = 2;

// How far apart (seconds) the write times of the two copies of one save may lie.
constexpr int64_t DATA_FILE_SAME_SAVE = 2;

// Results of loadDataFile.
constexpr int32_t LOAD_TAKEN = 0;
constexpr int32_t LOAD_NO_FILE = -1;  // both drives there, neither holds the file
constexpr int32_t LOAD_DAMAGED = -2;  // a copy was found, none passed its checks
constexpr int32_t LOAD_NO_DRIVE = -3; // no copy found and a drive is missing

// A caller's own test of a loaded payload (ranges of settings ...); true when usable.
using DataFileCheck = bool (*)(const uint8_t* payload, uint32_t size);

// The path of a copy: drive 0 e:, 1 f:.
std::u16string dataFilePath(int drive, const char* name);
// Converts a narrow path (UTF-8 standing in for the ANSI code page).
std::u16string toWidePath(const char* narrow);

// Writes data to both copies, stamped with the local time now plus timeOffset seconds.
int32_t saveDataFile(const char* name, const void* data, uint32_t size, int64_t timeOffset);
// The stamp a save would write now plus timeOffset seconds.
zqp::CalendarTime dataFileStampNow(int64_t timeOffset);
// Writes ready-made file bytes (layout of DataFileFormat.h) to both copies.
int32_t saveDataFileBytes(const char* name, const std::vector<uint8_t>& bytes);
// Fills out (size bytes) from the best copy: the valid one with the latest stamp; on equal
// stamps e:. Valid: the check words hold, the stamp is a calendar time (isCalendarStamp) and
// the caller's check passes. A stamp before 1970 counts as the oldest. Where both copies are
// valid and the other copy's file was written more than DATA_FILE_SAME_SAVE seconds after the
// chosen one's, the chosen stamp claims more than its file allows: the later written copy is
// taken. out is written only when a copy is taken.
int32_t loadDataFile(const char* name, void* out, uint32_t size, DataFileCheck check = nullptr);
