// Whole-file reads for the tools and the platform's own readers (the registry file): one
// bounded read that takes only a regular file. A folder, a device such as /dev/zero, a FIFO or
// a socket given where a file is expected is refused at once, never read without end or
// waited on, and a file larger than the caller's limit is refused before it fills memory.
// Paths are native (POSIX, UTF-8). Not for the game's own files (ZqFile and its Io).
// Depends on POSIX.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqp {

// The whole file at path, at most maxSize bytes, into out. On failure out is empty and error
// (when given) holds one line that names the path and says what is wrong ("... is a folder,
// not a file", "... is larger than N bytes", "cannot read ...: No such file or directory").
bool readWholeFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& out,
                   std::string* error = nullptr);
bool readWholeFile(const std::string& path, uint64_t maxSize, std::string& out,
                   std::string* error = nullptr);

} // namespace zqp
