// Files and folders for the framework. The game and the framework name files the Windows
// way ("Arc\\stadium.arc", "e:/SPORTS_OPTION\\log\\2026\\12\\10.csv"); this layer maps such
// names to POSIX paths: backslashes become slashes, the drives e: and f: are two folders
// (DORVANEX_DRIVE_E / DORVANEX_DRIVE_F, by default "e" and "f" under
// $XDG_STATE_HOME/dorvanex or ~/.local/state/dorvanex), other drive letters and network
// paths are refused, and a name that does not exist exactly is looked up again with letter
// case ignored, component by component. Plain absolute POSIX paths pass through.
// Not for archives or file formats: only names, streams and shell operations.
// Depends on std::filesystem and POSIX.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace zqp {

// The Windows path limit the framework keeps (characters, terminator included).
constexpr size_t MAX_PATH_CHARS = 260;

// The native path for a framework path; false for an empty path, a drive other than e: or
// f:, a network path or a name that cannot be converted.
bool resolvePath(std::u16string_view path, std::string& nativePath);
// The folder that stands for drive e: or f: (letter in either case); empty for other letters.
std::string driveFolder(char16_t letter);

// A C stream on the file, opened with the C runtime's mode string ("rb", "wb" ...); null on
// failure. Folders are never opened.
std::FILE* openFile(const char16_t* path, const char* mode);
// Reads count bytes at an absolute offset of a stream opened for reading, past its buffer and
// without moving its position; the bytes read (fewer at the end of the file), or UINT64_MAX
// on an error.
uint64_t readAt(std::FILE* file, uint64_t offset, void* buffer, uint64_t count);

// Size of a regular file; false when it cannot be read (missing, a folder ...).
bool fileSize(const char16_t* path, uint64_t& size);
// Creation (birth, or last change when the file system keeps none), last access and last
// write times in seconds since 1970; each output may be null.
bool fileTimes(const char16_t* path, int64_t* creation, int64_t* access, int64_t* write);
bool isDirectory(const char16_t* path);
bool exists(const char16_t* path);

bool currentPath(std::u16string& path);
bool setCurrentPath(const char16_t* path);
// The absolute form of a path with "." and ".." folded out, links not followed. Drive paths
// keep their drive ("e:/..."), relative ones are made absolute from the current folder.
// Separators come out as '/'.
bool fullPath(const char16_t* path, std::u16string& full);

enum class KnownFolder { AppData, LocalAppData, Documents };
// The user's configuration, data and documents folders (XDG); false when unknown.
bool knownFolder(KnownFolder folder, std::u16string& path);

// Creates one folder; false when it exists or cannot be made.
bool createDirectory(const char16_t* path);
// Creates a folder and every missing parent; true when it exists afterwards. On a drive only
// below the drive's folder: when that is missing (a named folder whose disk is not mounted)
// nothing is made and the result is false.
bool makeDirectories(const char16_t* path);
// Removes an empty folder.
bool removeDirectory(const char16_t* path);
// Removes a file or a folder with everything in it; false when nothing was there.
bool removeAll(const char16_t* path);
// Copies a file; never overwrites an existing destination.
bool copyFile(const char16_t* source, const char16_t* destination);
// Renames a file or folder; never replaces an existing destination.
bool moveFile(const char16_t* source, const char16_t* destination);
// Deletes a file (not a folder).
bool removeFile(const char16_t* path);

// Flushes a stream's buffers and then the file's data to the disk; false on failure.
bool syncStream(std::FILE* stream);

// The suffix of the temporary file that replaceFileDurably writes beside its target.
constexpr const char16_t* DURABLE_TEMP_SUFFIX = u".tmp";
// Replaces a file's contents so that a power loss leaves either the old or the new contents
// under the name, never a mix: writes the name plus DURABLE_TEMP_SUFFIX in the same folder,
// flushes it to the disk, renames it over the name and flushes the folder. The folder must
// exist. False on any failure; the old file is then untouched (a temporary file may be left,
// which the next replace overwrites).
bool replaceFileDurably(const char16_t* path, const void* data, size_t size);
// The whole regular file at a framework path, at most maxSize bytes; false (out empty) when
// it is missing, not a regular file, larger or unreadable.
bool readFileWhole(const char16_t* path, uint64_t maxSize, std::vector<uint8_t>& out);

// One entry of a search.
struct FindData {
    static constexpr uint32_t ATTRIBUTE_READONLY = 0x01;
    static constexpr uint32_t ATTRIBUTE_HIDDEN = 0x02;
    static constexpr uint32_t ATTRIBUTE_DIRECTORY = 0x10;
    static constexpr uint32_t ATTRIBUTE_NORMAL = 0x80;

    uint32_t attributes = 0;
    int64_t creationTime = 0;
    int64_t lastAccessTime = 0;
    int64_t lastWriteTime = 0;
    uint64_t size = 0;
    char16_t name[MAX_PATH_CHARS] = {};
};

// Search handle; 0 is never a valid one.
using FindHandle = uint32_t;

// Starts a search for the entries of a folder whose names match the last component of the
// pattern ('*' any run, '?' one character, letter case ignored); the first match goes to
// data. 0 when the folder cannot be read or nothing matches. "." and ".." are not listed.
FindHandle findFirst(const char16_t* pattern, FindData& data);
bool findNext(FindHandle handle, FindData& data);
bool findClose(FindHandle handle);
// Wild-card match of a name against a pattern, letter case ignored (ASCII).
bool matchWildcard(std::u16string_view pattern, std::u16string_view name);

} // namespace zqp
