// The file operations the operator data store uses, and nothing else: the store reaches the
// disk only through this interface, so that a test or the fuzz target can put an in-memory,
// fault-injecting layer in its place (CMemoryDataFileOps). Paths are the game's own
// ("e:/SPORTS_OPTION/testmode.dat"). Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CDataFileOps {
public:
    enum class Read { Missing, Done, Failed };

    virtual ~CDataFileOps() = default;
    // Whether the drive (0 e:, 1 f:) is there at all; a missing one is a dead drive.
    virtual bool isDrivePresent(int drive) = 0;
    // Makes a folder and its missing parents below the drive's root; true when it exists
    // afterwards. Never makes the root itself: a missing drive stays missing.
    virtual bool makeFolder(const std::u16string& path) = 0;
    // Replaces a file so that a power loss leaves the old or the new bytes, never a mix.
    virtual bool replace(const std::u16string& path, const std::vector<uint8_t>& bytes) = 0;
    // The whole file, at most maxSize bytes (a larger one fails).
    virtual Read read(const std::u16string& path, uint64_t maxSize, std::vector<uint8_t>& out) = 0;
    virtual bool exists(const std::u16string& path) = 0;
    // The file's last write, in seconds since 1970; false when it cannot be read.
    virtual bool modifiedTime(const std::u16string& path, int64_t& seconds) = 0;
    virtual bool remove(const std::u16string& path) = 0;
    // Renames a file; never replaces an existing one.
    virtual bool rename(const std::u16string& from, const std::u16string& to) = 0;
    // Appends bytes to a text file (the store's logs), made when missing, and syncs it; false
    // when not every byte reached the disk.
    virtual bool append(const std::u16string& path, const std::vector<uint8_t>& bytes) = 0;
};

// The layer in use: the real disk unless a test set another. Null restores the real one.
CDataFileOps& getDataFileOps();
void setDataFileOps(CDataFileOps* ops);
