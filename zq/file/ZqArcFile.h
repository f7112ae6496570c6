// ZqArcFile: the archive reader. An archive packs up to 1,000 named files behind a header
// that carries the directory and its own SHA-256; each file's data is followed by the
// SHA-256 of the data and its padding. The reader opens an archive from a file (through a
// ZqFile::Io, on the file worker) or from an image in memory, checks the header, finds files
// by name (FNV of the UTF-16 name) and loads a file after checking its digest.
// Failures set the thread's last-error value (zq/platform/os/lasterror.h) to a code below.
// Not a writer (see tools/arc). Depends on ZqFile, zq/crypto and zq/memory.
#pragma once

#include "zq/file/ZqFile.h"

#include <cstdint>
#include <memory>

class ZqArcFile {
public:
    // Codes left in the thread's last-error value.
    static constexpr uint32_t ERROR_NOT_OPEN = 0x20000400;
    static constexpr uint32_t ERROR_ALREADY_OPEN = 0x20000401;
    static constexpr uint32_t ERROR_NOT_FOUND = 0x20000402;
    static constexpr uint32_t ERROR_SIZE = 0x20000403;
    static constexpr uint32_t ERROR_NULL = 0x20000404;
    static constexpr uint32_t ERROR_SHORT_READ = 0x20000405;
    static constexpr uint32_t ERROR_HEADER_SIZE = 0x20000406;
    static constexpr uint32_t ERROR_HEADER_DIGEST = 0x20000407;
    static constexpr uint32_t ERROR_TOO_MANY_FILES = 0x20000408;
    static constexpr uint32_t ERROR_NAME = 0x20000409;
    static constexpr uint32_t ERROR_DATA_SIZE = 0x2000040A;
    static constexpr uint32_t ERROR_SEEK = 0x2000040B;
    static constexpr uint32_t ERROR_DATA_DIGEST = 0x2000040C;

    // Layout of the format, for readers and writers alike.
    static constexpr uint32_t SZ_SHA = 32;
    static constexpr uint32_t MAX_FILES = 1000;
    static constexpr uint32_t MAX_DATA_SIZE = 0x400000;
    static constexpr uint32_t MIN_NAME_SIZE = 4;
    static constexpr uint32_t MAX_NAME_SIZE = 521;
    static constexpr uint32_t MIN_HEADER_SIZE = 72;
    static constexpr uint32_t MIN_ARCHIVE_SIZE = 104;
    static constexpr uint32_t MAX_ARCHIVE_SIZE = 0x40000000;
    static constexpr uint32_t headerVersionPos = 0;
    static constexpr uint32_t headerSzHeaderPos = 4;
    static constexpr uint32_t headerNrFilesPos = 8;
    static constexpr uint64_t headerTimesPos(const uint64_t i) { return 16 + 8 * i; }
    static constexpr uint64_t headerNameSizesPos(const uint64_t n, const uint64_t i) {
        return 16 + 8 * n + 4 * i;
    }
    static constexpr uint64_t headerDataSizesPos(const uint64_t n, const uint64_t i) {
        return 16 + 12 * n + 4 * i;
    }
    static constexpr uint64_t headerNamesPos(const uint64_t n) { return 16 + 16 * n; }
    // x rounded up to a multiple of 8 (the padded size, not the padding).
    static constexpr uint64_t calcPadding(const uint64_t x) { return (x + 7) & ~uint64_t{7}; }

    // A reader with a plain Io of its own.
    ZqArcFile();
    // A reader over the given Io (not owned); null gives an Io of its own.
    explicit ZqArcFile(ZqFile::Io* io);
    // Closes and deletes an Io of its own. No request on this reader may be pending.
    virtual ~ZqArcFile();
    ZqArcFile(const ZqArcFile&) = delete;
    ZqArcFile& operator=(const ZqArcFile&) = delete;

    // False while an archive is open. A non-null Io replaces the current one; null gives an
    // Io of its own (kept when it already has one).
    bool setFileIo(ZqFile::Io* io);

    // Opens an archive file through the worker and waits.
    bool ropen(const char16_t* name);
    // Opens an archive image in memory on the calling thread; the image must stay valid and
    // unchanged until close.
    bool ropen(const void* image, uint32_t size);
    uint32_t ropenStart(const char16_t* name);
    // True once the open has finished; *opened tells whether the archive opened.
    bool isRopenFinished(uint32_t requestId, bool* opened);
    void close();

    // Loads a file: a buffer of its data size rounded up to 8 (free it with
    // ZqMemAlloc::deallocate), or null. A non-zero limit in *size must be at most 4 MiB and
    // at least the file's size; *size then receives the file's size.
    void* load(const char16_t* name, uint32_t minSize = 0, uint32_t* size = nullptr);
    uint32_t loadStart(const char16_t* name, uint32_t minSize, uint32_t limit);
    bool isLoadFinished(uint32_t requestId, void** buffer, uint32_t* size = nullptr);

    // 0 while closed.
    uint32_t getVersion() const;
    uint32_t getNrFiles() const;
    // The data offset of the file (never 0 for a file found), 0 when not found.
    uint32_t searchFileNr(const char16_t* name, uint32_t* index = nullptr) const;
    // The stored name (UTF-16, terminated) inside the header; null when closed or out of range.
    const char16_t* getFileName(uint32_t index) const;
    // The time stamp's low 32 bits; 0 when closed or out of range.
    int64_t getFileDate(uint32_t index) const;
    // The data size; 0 when closed or out of range.
    uint32_t getFileSize(uint32_t index) const;

    static void sysInit() {}
    static void sysMain() {}
    static void sysQuit() {}

private:
    friend class ZqFile;

    bool ropenBody(const char16_t* name);
    bool checkHeader(uint32_t archiveSize);
    void* loadBody(const char16_t* name, uint32_t minSize, uint32_t* size);
    bool fail(uint32_t code);
    uint32_t readHeaderU32(uint64_t position) const;

    ZqFile::Io* m_pIo = nullptr;
    std::unique_ptr<ZqFile::Io> m_pOwnIo;
    // The Io holds the archive's stream open (file mode).
    bool m_ioOpen = false;
    uint32_t m_archiveSize = 0;
    uint32_t m_headerSize = 0;
    // File mode: the reader's copy of the header. Memory mode: the caller's image.
    const uint8_t* m_pHeader = nullptr;
    uint8_t* m_pHeaderCopy = nullptr;
    // Per file, in header order: the name's id, and where its name and its data begin.
    struct Entry {
        uint64_t nameId;
        uint32_t namePos;
        uint32_t dataPos;
    };
    Entry* m_pEntries = nullptr;
    // The file indices ordered by name id (ties by index), for a binary search by name.
    uint32_t* m_pById = nullptr;
    uint32_t m_fromMemory = 0;
};
