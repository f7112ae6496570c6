#include "dorvanex/core/opdata/CMemoryDataFileOps.h"

#include "zq/platform/os/calendar.h"

#include <algorithm>

namespace {

std::u16string folderOf(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

std::u16string lowerDrive(std::u16string path) {
    std::replace(path.begin(), path.end(), u'\\', u'/');
    if (!path.empty() && path[0] >= u'A' && path[0] <= u'Z') {
        path[0] = static_cast<char16_t>(path[0] - u'A' + u'a');
    }
    return path;
}

} // namespace

CMemoryDataFileOps::CMemoryDataFileOps() {
    m_folders.insert(u"e:");
    m_folders.insert(u"f:");
}

bool CMemoryDataFileOps::step() {
    if (m_powerLost) {
        return false;
    }
    if (m_stepsLeft == 0) {
        m_powerLost = true;
        return false;
    }
    if (m_stepsLeft > 0) {
        --m_stepsLeft;
    }
    ++m_steps;
    return true;
}

bool CMemoryDataFileOps::onPresentDrive(const std::u16string& path) const {
    if (path.size() < 2 || path[1] != u':') {
        return false;
    }
    return (path[0] == u'e' && m_drives[0]) || (path[0] == u'f' && m_drives[1]);
}

bool CMemoryDataFileOps::writable(const std::u16string& path) const {
    if (!onPresentDrive(path) || m_powerLost) {
        return false;
    }
    const std::u16string folder = folderOf(path);
    return m_folders.count(folder) != 0 && m_readOnly.count(folder) == 0;
}

uint64_t CMemoryDataFileOps::usedBytes() const {
    uint64_t used = 0;
    for (const Node& node : m_nodes) {
        used += std::max(node.data.size(), node.synced.size());
    }
    return used;
}

int CMemoryDataFileOps::newNode(std::vector<uint8_t> bytes) {
    m_nodes.push_back({std::move(bytes), {}, zqp::calendarSeconds()});
    return static_cast<int>(m_nodes.size() - 1);
}

void CMemoryDataFileOps::syncFolder(const std::u16string& folder) {
    for (auto it = m_durableNames.begin(); it != m_durableNames.end();) {
        it = folderOf(it->first) == folder ? m_durableNames.erase(it) : std::next(it);
    }
    for (const auto& [name, node] : m_names) {
        if (folderOf(name) == folder) {
            m_durableNames[name] = node;
        }
    }
}

bool CMemoryDataFileOps::isDrivePresent(const int drive) {
    return drive >= 0 && drive <= 1 && m_drives[drive];
}

bool CMemoryDataFileOps::makeFolder(const std::u16string& rawPath) {
    std::u16string path = lowerDrive(rawPath);
    while (!path.empty() && path.back() == u'/') {
        path.pop_back();
    }
    if (!onPresentDrive(path)) {
        return false;
    }
    if (m_folders.count(path) != 0) {
        return true;
    }
    const std::u16string parent = folderOf(path);
    if (parent.empty() || !makeFolder(parent) || !writable(path) || !step()) {
        return false;
    }
    // A new folder is kept at once: the store never depends on it being lost.
    m_folders.insert(path);
    return true;
}

bool CMemoryDataFileOps::replace(const std::u16string& rawPath, const std::vector<uint8_t>& bytes) {
    const std::u16string path = lowerDrive(rawPath);
    const std::u16string temp = path + u".tmp";
    // The steps of a durable replace on a real disk: write a temporary file, sync it, rename
    // it over the name, sync the folder.
    if (!writable(path) || usedBytes() + bytes.size() > m_capacity || !step()) {
        return false;
    }
    const int node = newNode(bytes);
    m_names[temp] = node;
    if (!step()) {
        return false;
    }
    m_nodes[node].synced = m_nodes[node].data;
    if (!step()) {
        return false;
    }
    m_names.erase(temp);
    m_names[path] = node;
    if (!step()) {
        return false;
    }
    syncFolder(folderOf(path));
    return true;
}

CDataFileOps::Read CMemoryDataFileOps::read(const std::u16string& rawPath, const uint64_t maxSize,
                                            std::vector<uint8_t>& out) {
    out.clear();
    const std::u16string path = lowerDrive(rawPath);
    const auto it = m_names.find(path);
    if (!onPresentDrive(path) || it == m_names.end()) {
        return Read::Missing;
    }
    if (m_powerLost || m_nodes[it->second].data.size() > maxSize) {
        return Read::Failed;
    }
    out = m_nodes[it->second].data;
    return Read::Done;
}

bool CMemoryDataFileOps::exists(const std::u16string& rawPath) {
    const std::u16string path = lowerDrive(rawPath);
    return onPresentDrive(path) && (m_names.count(path) != 0 || m_folders.count(path) != 0);
}

bool CMemoryDataFileOps::modifiedTime(const std::u16string& rawPath, int64_t& seconds) {
    const std::u16string path = lowerDrive(rawPath);
    const auto it = m_names.find(path);
    if (!onPresentDrive(path) || it == m_names.end() || m_powerLost) {
        return false;
    }
    seconds = m_nodes[it->second].modified;
    return true;
}

bool CMemoryDataFileOps::remove(const std::u16string& rawPath) {
    const std::u16string path = lowerDrive(rawPath);
    if (!writable(path) || m_names.count(path) == 0 || !step()) {
        return false;
    }
    m_names.erase(path);
    return true;
}

bool CMemoryDataFileOps::rename(const std::u16string& rawFrom, const std::u16string& rawTo) {
    const std::u16string from = lowerDrive(rawFrom);
    const std::u16string to = lowerDrive(rawTo);
    if (!writable(from) || !writable(to) || m_names.count(from) == 0 || m_names.count(to) != 0 ||
        !step()) {
        return false;
    }
    m_names[to] = m_names[from];
    m_names.erase(from);
    return true;
}

bool CMemoryDataFileOps::append(const std::u16string& rawPath, const std::vector<uint8_t>& bytes) {
    const std::u16string path = lowerDrive(rawPath);
    if (!writable(path) || usedBytes() + bytes.size() > m_capacity || !step()) {
        return false;
    }
    auto it = m_names.find(path);
    if (it == m_names.end()) {
        it = m_names.emplace(path, newNode({})).first;
    }
    Node& node = m_nodes[it->second];
    node.data.insert(node.data.end(), bytes.begin(), bytes.end());
    node.modified = zqp::calendarSeconds();
    // Appended logs are synced at once (they are written with write-through).
    node.synced = node.data;
    syncFolder(folderOf(path));
    return true;
}

void CMemoryDataFileOps::putFile(const std::u16string& rawPath, const std::vector<uint8_t>& bytes) {
    const std::u16string path = lowerDrive(rawPath);
    m_folders.insert(folderOf(path));
    const int node = newNode(bytes);
    m_nodes[node].synced = bytes;
    m_names[path] = node;
    m_durableNames[path] = node;
}

std::vector<uint8_t> CMemoryDataFileOps::file(const std::u16string& rawPath) const {
    const auto it = m_names.find(lowerDrive(rawPath));
    return it == m_names.end() ? std::vector<uint8_t>() : m_nodes[it->second].data;
}

std::vector<std::u16string> CMemoryDataFileOps::names() const {
    std::vector<std::u16string> out;
    for (const auto& entry : m_names) {
        out.push_back(entry.first);
    }
    return out;
}

void CMemoryDataFileOps::setDrivePresent(const int drive, const bool present) {
    if (drive >= 0 && drive <= 1) {
        m_drives[drive] = present;
    }
}

void CMemoryDataFileOps::setReadOnly(const std::u16string& folder, const bool readOnly) {
    std::u16string path = lowerDrive(folder);
    while (!path.empty() && path.back() == u'/') {
        path.pop_back();
    }
    if (readOnly) {
        m_readOnly.insert(path);
    } else {
        m_readOnly.erase(path);
    }
}

void CMemoryDataFileOps::restart(const Loss loss) {
    m_names = m_durableNames;
    for (Node& node : m_nodes) {
        if (node.data == node.synced) {
            continue;
        }
        if (loss == Loss::Dropped) {
            node.data = node.synced;
        } else {
            // A torn write keeps the synced bytes and part of what followed them.
            const size_t keep =
                node.synced.size() +
                (node.data.size() - std::min(node.data.size(), node.synced.size())) / 2;
            node.data.resize(std::min(keep, node.data.size()));
        }
    }
    m_powerLost = false;
    m_stepsLeft = -1;
}
