#include "dorvanex/core/opdata/CDataFileOps.h"

#include "zq/platform/fs/fs.h"

#include <cstdio>

namespace {

// The real disk, through the platform's files.
class DiskDataFileOps final : public CDataFileOps {
public:
    bool isDrivePresent(const int drive) override {
        return zqp::isDirectory(drive == 0 ? u"e:/" : u"f:/");
    }
    bool makeFolder(const std::u16string& path) override {
        return zqp::makeDirectories(path.c_str()) && zqp::isDirectory(path.c_str());
    }
    bool replace(const std::u16string& path, const std::vector<uint8_t>& bytes) override {
        return zqp::replaceFileDurably(path.c_str(), bytes.data(), bytes.size());
    }
    Read read(const std::u16string& path, const uint64_t maxSize,
              std::vector<uint8_t>& out) override {
        out.clear();
        if (!zqp::exists(path.c_str())) {
            return Read::Missing;
        }
        return zqp::readFileWhole(path.c_str(), maxSize, out) ? Read::Done : Read::Failed;
    }
    bool exists(const std::u16string& path) override { return zqp::exists(path.c_str()); }
    bool modifiedTime(const std::u16string& path, int64_t& seconds) override {
        return zqp::fileTimes(path.c_str(), nullptr, nullptr, &seconds);
    }
    bool remove(const std::u16string& path) override { return zqp::removeFile(path.c_str()); }
    bool rename(const std::u16string& from, const std::u16string& to) override {
        return zqp::moveFile(from.c_str(), to.c_str());
    }
    bool append(const std::u16string& path, const std::vector<uint8_t>& bytes) override {
        std::FILE* const file = zqp::openFile(path.c_str(), "ab");
        if (file == nullptr) {
            return false;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        const bool synced = zqp::syncStream(file);
        return std::fclose(file) == 0 && written && synced;
    }
};

DiskDataFileOps g_disk;
CDataFileOps* g_ops = &g_disk;

} // namespace

CDataFileOps& getDataFileOps() {
    return *g_ops;
}

void setDataFileOps(CDataFileOps* const ops) {
    g_ops = ops != nullptr ? ops : &g_disk;
}
