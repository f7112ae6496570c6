#include "zq/file/ZquPathList.h"

#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqFile.h"
#include "zq/file/ZquPathListParser_internal.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/thread/ZqCriticalSection.h"

#include <algorithm>
#include <cstdlib>

std::unique_ptr<ZquPathList> ZquPathList::m_pPathList;

namespace {

// What Io::read and Io::tell answer after a read error.
constexpr uint32_t READ_ERROR = 0xFFFFFFFFu;

// A buffer from the library's heap, given back on every path.
struct Buffer {
    explicit Buffer(const uint32_t size) : data(ZqMemAlloc::allocate(size)) {}
    ~Buffer() { ZqMemAlloc::deallocate(data); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    void* const data;
};

// Whether the file holds nothing but zero bytes from `from` to its end (a byte-order mark at
// the very start aside).
bool onlyZerosFrom(ZqFile::Io& file, const uint32_t from) {
    if (from == READ_ERROR || !file.seek(from, 0)) {
        return false;
    }
    uint8_t bytes[4096];
    if (from == 0) {
        const uint32_t got = file.read(bytes, 2);
        const bool mark = got == 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
        if (got == READ_ERROR || (!mark && !file.seek(0, 0))) {
            return false;
        }
    }
    for (;;) {
        const uint32_t got = file.read(bytes, sizeof(bytes));
        if (got == READ_ERROR) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        for (uint32_t i = 0; i < got; ++i) {
            if (bytes[i] != 0) {
                return false;
            }
        }
    }
}

} // namespace

ZquPathList::ZquPathList(const char16_t* const listPath, const char16_t* const prefix)
    : m_pCs(std::make_unique<ZqCriticalSection>()), m_listPath(listPath), m_prefix(prefix) {}

ZquPathList::~ZquPathList() {
    // Never leave the thread running on a destroyed checker (a program that ends mid-check).
    quit();
    join(INFINITE_WAIT);
}

bool ZquPathList::startCheck(const char16_t* const listPath, const char16_t* const prefix) {
    if (m_pPathList || listPath == nullptr || prefix == nullptr) {
        return false;
    }
    m_pPathList.reset(new ZquPathList(listPath, prefix));
    m_pPathList->start();
    // A program that ends mid-check stops the checker before static objects go.
    static const bool hooked = std::atexit(&ZquPathList::quitCheck) == 0;
    (void)hooked;
    return true;
}

void ZquPathList::stopCheck() {
    if (m_pPathList) {
        m_pPathList->quit();
        m_pPathList->join(INFINITE_WAIT);
    }
}

void ZquPathList::quitCheck() {
    stopCheck();
    m_pPathList.reset();
}

ZquPathList::STATE ZquPathList::getState(uint32_t* const filesDone, uint32_t* const totalFiles,
                                         uint64_t* const bytesDone, uint64_t* const totalBytes) {
    ZquPathList* const p = m_pPathList.get();
    if (p == nullptr) {
        return STATE_NONE;
    }
    const ZqLockGuard hold(*p->m_pCs);
    if (filesDone != nullptr) {
        *filesDone = p->m_filesDone;
    }
    if (totalFiles != nullptr) {
        *totalFiles = p->m_totalFiles;
    }
    if (bytesDone != nullptr) {
        *bytesDone = p->m_bytesDone;
    }
    if (totalBytes != nullptr) {
        *totalBytes = p->m_totalBytes;
    }
    return p->m_state;
}

unsigned int ZquPathList::getNrErrorFiles() {
    ZquPathList* const p = m_pPathList.get();
    if (p == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*p->m_pCs);
    return p->m_nrErrors;
}

unsigned int ZquPathList::getErrorFileNr(const unsigned int i) {
    ZquPathList* const p = m_pPathList.get();
    if (p == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*p->m_pCs);
    return i < p->m_nrErrors ? p->m_errors[i].number : 0;
}

const char16_t* ZquPathList::getErrorFileName(const unsigned int i) {
    ZquPathList* const p = m_pPathList.get();
    if (p == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*p->m_pCs);
    return i < p->m_nrErrors ? p->m_errors[i].name : nullptr;
}

void ZquPathList::quit() {
    setEvent();
}

bool ZquPathList::stopRequested() {
    return waitEvent(0);
}

void ZquPathList::addError(const uint32_t number, const ZqString& name) {
    const ZqLockGuard hold(*m_pCs);
    if (m_nrErrors >= MAX_ERRORS) {
        return;
    }
    ErrorFile& e = m_errors[m_nrErrors];
    e.number = number;
    const size_t n = std::min<size_t>(name.size(), NAME_SIZE - 1);
    name.copy(e.name, n);
    e.name[n] = u'\0';
    ++m_nrErrors;
}

void ZquPathList::run() {
    STATE state = STATE_ERROR;
    try {
        state = check();
    } catch (...) {
        // Whatever ended the check (memory, above all) is a failure, never a pass; the thread
        // keeps the exception's code for its owner.
        const ZqLockGuard hold(*m_pCs);
        m_state = STATE_ERROR;
        throw;
    }
    const ZqLockGuard hold(*m_pCs);
    m_state = state;
}

ZquPathList::STATE ZquPathList::check() {
    const auto endState = [this] {
        const ZqLockGuard hold(*m_pCs);
        return m_nrErrors == 0 ? STATE_OK : STATE_ERROR;
    };

    ZqFile::Io list;
    uint32_t listSize = 0;
    if (!list.ropen(m_listPath.c_str(), 0, &listSize)) {
        return STATE_ERROR;
    }
    // fgets also stops at a 0 character or a read error: only a list read to its end (or to
    // trailing zeros) counts.
    uint32_t lineStart = 0;
    const auto nextLine = [&](char16_t* const line) {
        lineStart = list.tell();
        return list.fgets(line, LINE_SIZE) != nullptr;
    };
    const auto readToEnd = [&] { return onlyZerosFrom(list, lineStart); };

    // First pass: count the entries and their bytes.
    char16_t line[LINE_SIZE];
    ZquPathListEntry entry;
    uint32_t totalFiles = 0;
    uint64_t totalBytes = 0;
    while (nextLine(line)) {
        if (stopRequested()) {
            return endState();
        }
        const ZquPathListLine kind = zquParsePathListLine(line, m_prefix.c_str(), &entry);
        if (kind == ZquPathListLine::Malformed) {
            return STATE_ERROR;
        }
        if (kind == ZquPathListLine::Counted) {
            ++totalFiles;
            totalBytes += entry.size;
        }
    }
    if (!readToEnd()) {
        return STATE_ERROR;
    }
    {
        const ZqLockGuard hold(*m_pCs);
        m_totalFiles = totalFiles;
        m_totalBytes = totalBytes;
    }

    if (!list.seek(0, 0)) {
        return STATE_ERROR;
    }
    const Buffer buffer(BUFFER_SIZE);
    if (buffer.data == nullptr) {
        return STATE_ERROR;
    }
    const ZqString folder(
        m_listPath.c_str(),
        static_cast<size_t>(ZqFile::findFilename(m_listPath.c_str()) - m_listPath.c_str()));

    // Second pass: check each entry.
    uint32_t filesDone = 0;
    uint64_t bytesDone = 0;
    while (nextLine(line)) {
        if (stopRequested()) {
            return endState();
        }
        const ZquPathListLine kind = zquParsePathListLine(line, m_prefix.c_str(), &entry);
        if (kind == ZquPathListLine::Malformed) {
            return STATE_ERROR; // the list changed under the check
        }
        if (kind == ZquPathListLine::Skipped) {
            continue;
        }

        bool ok = false;
        ZqFile::Io file;
        uint32_t size = 0;
        if (file.ropen((folder + entry.path).c_str(), 0, &size) && size == entry.size) {
            uint32_t crc = 0;
            uint32_t left = size;
            ok = true;
            while (left > 0 && ok) {
                const uint32_t piece = std::min(left, BUFFER_SIZE);
                ok = file.read(buffer.data, piece) == piece;
                if (ok) {
                    crc = zqCalcCrc32(crc, buffer.data, piece);
                    left -= piece;
                }
                if (stopRequested()) {
                    return endState();
                }
            }
            ok = ok && crc == entry.crc;
        }
        file.close();
        if (!ok) {
            addError(filesDone, entry.name);
        }

        ++filesDone;
        bytesDone += entry.size;
        const ZqLockGuard hold(*m_pCs);
        m_filesDone = filesDone;
        m_bytesDone = bytesDone;
        if (filesDone > m_totalFiles || bytesDone > m_totalBytes) {
            return STATE_ERROR;
        }
    }
    if (!readToEnd()) {
        return STATE_ERROR;
    }
    const ZqLockGuard hold(*m_pCs);
    if (filesDone != m_totalFiles || bytesDone != m_totalBytes) {
        return STATE_ERROR;
    }
    return m_nrErrors == 0 ? STATE_OK : STATE_ERROR;
}
