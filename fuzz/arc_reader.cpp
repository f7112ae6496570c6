// The archive reader over untrusted images. Each input is opened as it is, and once more
// with its digests recomputed, so that the checks behind the header digest and the loads
// behind the data digests are reached too; every file of an image that opens is loaded.
// Some images are opened again as a file through the file worker (written to a temporary
// file), where the reader's header copy, seeks and reads are exercised: one in 4 of those that
// open from memory and one in 16 of the rest, for the file mode's own refusals, picked by the
// image's last byte (a digest byte in a whole archive). A trip through the worker costs far
// more than a parse, so the rest stay in memory.
#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqFile.h"
#include "zq/memory/ZqMemAlloc.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

// The temporary archive file and the worker, for the whole run; both go at exit, before the
// framework's statics are destroyed.
class ArchiveFile {
public:
    ArchiveFile() {
        // Memory-backed where there is such a folder: rewriting a file on disk for every
        // input costs milliseconds.
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm", ec)
                                                 ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path();
        const std::string path =
            (folder / ("zq-fuzz-arc-" + std::to_string(getpid()) + ".arc")).string();
        m_path = path;
        m_name.assign(path.begin(), path.end());
        ZqFile::sysInit();
    }
    static ArchiveFile& instance() {
        static ArchiveFile file;
        // Registered after the object is made, so that it runs before the object is destroyed.
        static const bool stopAtExit = std::atexit([] { instance().stop(); }) == 0;
        (void)stopAtExit;
        return file;
    }
    bool write(const std::vector<uint8_t>& image) const {
        std::FILE* const f = std::fopen(m_path.c_str(), "wb");
        if (f == nullptr) {
            return false;
        }
        const bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
        return std::fclose(f) == 0 && ok;
    }
    const char16_t* name() const { return m_name.c_str(); }

private:
    void stop() {
        try {
            ZqFile::sysQuit();
        } catch (...) {
            // A worker that died has already reported through its requests.
        }
        std::remove(m_path.c_str());
    }
    std::string m_path;
    std::u16string m_name;
};

// Loads every file by its stored name and a few names that are not there.
void exercise(ZqArcFile& arc) {
    const uint32_t n = arc.getNrFiles();
    for (uint32_t i = 0; i <= n; ++i) {
        const char16_t* const name = arc.getFileName(i);
        arc.getFileDate(i);
        arc.getFileSize(i);
        if (name == nullptr) {
            continue;
        }
        uint32_t size = 0;
        ZqMemAlloc::deallocate(arc.load(name, 0, &size));
        uint32_t index = 0;
        arc.searchFileNr(name, &index);
    }
    ZqMemAlloc::deallocate(arc.load(u"a"));
    ZqMemAlloc::deallocate(arc.load(u""));
    arc.getVersion();
}

// Every file and a name that is not there through the worker: all loads started at once,
// then polled as a frame loop would, so that one input costs few waits on the worker.
void exerciseStarted(ZqArcFile& arc) {
    std::vector<uint32_t> ids;
    for (uint32_t i = 0; i < arc.getNrFiles(); ++i) {
        ids.push_back(arc.loadStart(arc.getFileName(i), 0, 0));
    }
    ids.push_back(arc.loadStart(u"a", 0, 0));
    for (const uint32_t id : ids) {
        void* buffer = nullptr;
        uint32_t size = 0;
        while (id != 0 && !arc.isLoadFinished(id, &buffer, &size)) {
            std::this_thread::yield();
        }
        ZqMemAlloc::deallocate(buffer);
    }
}

void openAndExercise(const std::vector<uint8_t>& image) {
    bool fromMemory = false;
    {
        ZqArcFile arc;
        fromMemory = arc.ropen(image.data(), static_cast<uint32_t>(image.size()));
        if (fromMemory) {
            exercise(arc);
        }
    }
    const uint8_t pick = image.empty() ? 0 : image.back();
    if (pick % (fromMemory ? 4 : 16) != 0) {
        return;
    }
    ArchiveFile& file = ArchiveFile::instance();
    if (!file.write(image)) {
        return;
    }
    // Started and polled rather than waited on: the synchronous forms sleep between polls.
    ZqArcFile arc;
    const uint32_t id = arc.ropenStart(file.name());
    bool opened = false;
    while (!arc.isRopenFinished(id, &opened)) {
        std::this_thread::yield();
    }
    if (opened) {
        exerciseStarted(arc);
        arc.close();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* const data, const size_t size) {
    if (size > 0x1000000) {
        return 0;
    }
    // A block of exactly the input's size, so that any read past its end is caught.
    const std::vector<uint8_t> image(data, data + size);
    openAndExercise(image);

    if (size < ZqArcFile::MIN_ARCHIVE_SIZE) {
        return 0;
    }
    uint32_t headerSize = 0;
    ZqByteReader(data, size).u32(ZqArcFile::headerSzHeaderPos, headerSize);
    if (headerSize < ZqArcFile::MIN_HEADER_SIZE || headerSize >= size) {
        return 0;
    }
    std::vector<uint8_t> sealed(data, data + size);
    zqCalcSha256(sealed.data() + headerSize - ZqArcFile::SZ_SHA, sealed.data(),
                 headerSize - ZqArcFile::SZ_SHA);
    // Once the header holds, the reader's own offsets say where each file's digest goes.
    std::vector<std::pair<uint32_t, uint32_t>> files;
    {
        ZqArcFile arc;
        if (!arc.ropen(sealed.data(), static_cast<uint32_t>(sealed.size()))) {
            return 0;
        }
        for (uint32_t i = 0; i < arc.getNrFiles(); ++i) {
            const uint32_t offset = arc.searchFileNr(arc.getFileName(i));
            if (offset != 0) {
                files.emplace_back(offset, arc.getFileSize(i));
            }
        }
    }
    for (const auto& [offset, fileSize] : files) {
        const uint64_t padded = ZqArcFile::calcPadding(fileSize);
        if (offset + padded + ZqArcFile::SZ_SHA <= sealed.size()) {
            zqCalcSha256(sealed.data() + offset + padded, sealed.data() + offset,
                         static_cast<uint32_t>(padded));
        }
    }
    openAndExercise(sealed);
    return 0;
}
