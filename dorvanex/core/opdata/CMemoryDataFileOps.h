// An in-memory disk for the operator data store: two drives of files that keep apart what is
// durable (synced) from what is not, so that a test can cut the power after any step of a
// save and see what a real disk may keep. Also the fault layer: a missing drive, a read-only
// folder, a full disk. A file's write time is the calendar clock's (zqp::calendarSeconds) when
// it was written. The fuzz target loads copies through it. Not thread-safe.
#pragma once

#include "dorvanex/core/opdata/CDataFileOps.h"

#include <map>
#include <set>

class CMemoryDataFileOps final : public CDataFileOps {
public:
    // What a power loss does to data written but not yet synced.
    enum class Loss { Dropped, Torn };

    CMemoryDataFileOps();

    bool isDrivePresent(int drive) override;
    bool makeFolder(const std::u16string& path) override;
    bool replace(const std::u16string& path, const std::vector<uint8_t>& bytes) override;
    Read read(const std::u16string& path, uint64_t maxSize, std::vector<uint8_t>& out) override;
    bool exists(const std::u16string& path) override;
    bool modifiedTime(const std::u16string& path, int64_t& seconds) override;
    bool remove(const std::u16string& path) override;
    bool rename(const std::u16string& from, const std::u16string& to) override;
    bool append(const std::u16string& path, const std::vector<uint8_t>& bytes) override;

    // Puts a file in place, durable at once (a fixture's starting state).
    void putFile(const std::u16string& path, const std::vector<uint8_t>& bytes);
    // The file's current bytes; empty when missing.
    std::vector<uint8_t> file(const std::u16string& path) const;
    // Every current file name.
    std::vector<std::u16string> names() const;

    void setDrivePresent(int drive, bool present);
    // Writes into the folder (and its files) fail.
    void setReadOnly(const std::u16string& folder, bool readOnly);
    // Total bytes the files may hold; a write beyond fails.
    void setCapacity(uint64_t bytes) { m_capacity = bytes; }

    // Cuts the power after this many more steps (each write, sync, rename or removal is one
    // step); every operation after the cut fails. Negative: never.
    void cutPowerAfter(int steps) { m_stepsLeft = steps; }
    bool powerLost() const { return m_powerLost; }
    // Restarts after the cut: names go back to what was last synced in their folder, file
    // contents to their synced bytes (Dropped) or to a torn prefix of what was written (Torn).
    void restart(Loss loss);
    int stepsTaken() const { return m_steps; }

private:
    struct Node {
        std::vector<uint8_t> data;
        std::vector<uint8_t> synced;
        int64_t modified = 0;
    };
    bool step();
    bool writable(const std::u16string& path) const;
    bool onPresentDrive(const std::u16string& path) const;
    uint64_t usedBytes() const;
    void syncFolder(const std::u16string& folder);
    int newNode(std::vector<uint8_t> bytes);

    std::vector<Node> m_nodes;
    std::map<std::u16string, int> m_names;
    std::map<std::u16string, int> m_durableNames;
    std::set<std::u16string> m_folders;
    std::set<std::u16string> m_readOnly;
    bool m_drives[2] = {true, true};
    uint64_t m_capacity = UINT64_MAX;
    int m_stepsLeft = -1;
    int m_steps = 0;
    bool m_powerLost = false;
};
