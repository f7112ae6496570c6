#include "zq/file/ZqFile.h"

#include "zq/platform/fs/fs.h"

#include <algorithm>
#include <string_view>

namespace {

bool isDelimiter(const char16_t c) {
    return c == u'\\' || c == u'/';
}

size_t length16(const char16_t* const text) {
    return std::char_traits<char16_t>::length(text);
}

// Copies text with its terminator into a buffer of size characters; false when it does not fit.
bool copyOut(const std::u16string& text, char16_t* const buffer, const size_t size) {
    if (buffer == nullptr || text.size() >= size) {
        return false;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return true;
}

bool knownFolder(const zqp::KnownFolder folder, char16_t* const path) {
    std::u16string found;
    return zqp::knownFolder(folder, found) && copyOut(found, path, ZqFile::PATH_SIZE);
}

// The length checks and absolute form shared by the folder operations: false for a null
// path, a path of PATH_SIZE characters or more, or an absolute form that long.
bool fullPathChecked(const char16_t* const path, std::u16string& full) {
    if (path == nullptr || length16(path) >= ZqFile::PATH_SIZE) {
        return false;
    }
    return zqp::fullPath(path, full) && full.size() < ZqFile::PATH_SIZE;
}

} // namespace

bool ZqFile::getCurrentPath(char16_t* const path) {
    std::u16string current;
    return zqp::currentPath(current) && copyOut(current, path, PATH_SIZE);
}

bool ZqFile::setCurrentPath(const char16_t* const path) {
    return path != nullptr && zqp::setCurrentPath(path);
}

bool ZqFile::getAppDataPath(char16_t* const path) {
    return knownFolder(zqp::KnownFolder::AppData, path);
}

bool ZqFile::getLocalAppDataPath(char16_t* const path) {
    return knownFolder(zqp::KnownFolder::LocalAppData, path);
}

bool ZqFile::getMyDocumentPath(char16_t* const path) {
    return knownFolder(zqp::KnownFolder::Documents, path);
}

bool ZqFile::getFullpath(const char16_t* const name, char16_t* const fullPath,
                         const uint32_t size) {
    std::u16string full;
    return name != nullptr && zqp::fullPath(name, full) && copyOut(full, fullPath, size);
}

bool ZqFile::addPathDelimiter(char16_t* const path) {
    if (path == nullptr) {
        return false;
    }
    std::u16string text(path);
    addPathDelimiter(text);
    return copyOut(text, path, PATH_SIZE);
}

void ZqFile::addPathDelimiter(ZqString& path) {
    if (path.empty()) {
        path.assign(1, u'\\');
        return;
    }
    if (isDelimiter(path.back())) {
        return;
    }
    path.push_back(path.find(u'/') != std::u16string::npos ? u'/' : u'\\');
}

void ZqFile::exchangePathDelimiter(char16_t* const path) {
    if (path == nullptr) {
        return;
    }
    for (char16_t* p = path; *p != 0; ++p) {
        if (*p == u'/') {
            *p = u'\\';
        }
    }
}

void ZqFile::exchangePathDelimiter(ZqString& path) {
    std::replace(path.begin(), path.end(), u'/', u'\\');
}

bool ZqFile::addExtension(char16_t* const path, const char16_t* const extension) {
    if (path == nullptr || extension == nullptr || *findExtension(path) != 0) {
        return false;
    }
    const size_t length = length16(path);
    const size_t added = length16(extension);
    if (length + added >= PATH_SIZE) {
        return false;
    }
    std::copy(extension, extension + added + 1, path + length);
    return true;
}

const char16_t* ZqFile::findExtension(const char16_t* const path) {
    if (path == nullptr) {
        return nullptr;
    }
    // The last dot of the file-name part; a delimiter or a space after it means none.
    const char16_t* dot = nullptr;
    const char16_t* p = path;
    for (; *p != 0; ++p) {
        if (*p == u'.') {
            dot = p;
        } else if (isDelimiter(*p) || *p == u' ') {
            dot = nullptr;
        }
    }
    return dot != nullptr ? dot : p;
}

const char16_t* ZqFile::findFilename(const char16_t* const path) {
    if (path == nullptr) {
        return nullptr;
    }
    // The part after the last delimiter that is followed by something other than a
    // delimiter: "a\\b\\" gives "b\\".
    const char16_t* name = path;
    for (const char16_t* p = path; *p != 0; ++p) {
        if ((isDelimiter(*p) || *p == u':') && p[1] != 0 && !isDelimiter(p[1])) {
            name = p + 1;
        }
    }
    return name;
}

bool ZqFile::makeDirectory(const char16_t* const path) {
    if (path != nullptr && path[0] == 0) {
        return true;
    }
    std::u16string full;
    if (!fullPathChecked(path, full)) {
        return false;
    }
    exchangePathDelimiter(full);
    // Only folders followed by a delimiter are made: the last component only when the path
    // ends with one.
    const size_t last = full.find_last_of(u'\\');
    if (last == std::u16string::npos) {
        return true;
    }
    return zqp::makeDirectories(full.substr(0, last + 1).c_str());
}

bool ZqFile::removeDirectory(const char16_t* const path) {
    return path != nullptr && zqp::removeDirectory(path);
}

bool ZqFile::removeDirectories(const char16_t* const path) {
    std::u16string full;
    if (!fullPathChecked(path, full)) {
        return false;
    }
    while (full.size() > 1 && isDelimiter(full.back())) {
        full.pop_back();
    }
    // A root (the file system's or a drive's) is never removed.
    if (full == u"/" || (full.size() == 2 && full[1] == u':')) {
        return false;
    }
    return zqp::removeAll(full.c_str());
}

ZqFile::FindHandle ZqFile::findFirst(const char16_t* const pattern, FindData* const data) {
    if (pattern == nullptr || data == nullptr) {
        return 0;
    }
    return zqp::findFirst(pattern, *data);
}

bool ZqFile::findNext(const FindHandle handle, FindData* const data) {
    return data != nullptr && zqp::findNext(handle, *data);
}

bool ZqFile::findClose(const FindHandle handle) {
    return zqp::findClose(handle);
}

uint32_t ZqFile::getSize(const char16_t* const name) {
    uint64_t size = 0;
    if (name == nullptr || !zqp::fileSize(name, size)) {
        return 0;
    }
    return static_cast<uint32_t>(size);
}

bool ZqFile::getFileTime(const char16_t* const name, int64_t* const creation,
                         int64_t* const lastAccess, int64_t* const lastWrite) {
    uint64_t size = 0;
    // Files only, as the size query.
    if (name == nullptr || !zqp::fileSize(name, size)) {
        return false;
    }
    return zqp::fileTimes(name, creation, lastAccess, lastWrite);
}

bool ZqFile::copy(const char16_t* const source, const char16_t* const destination) {
    return source != nullptr && destination != nullptr && zqp::copyFile(source, destination);
}

bool ZqFile::move(const char16_t* const source, const char16_t* const destination) {
    return source != nullptr && destination != nullptr && zqp::moveFile(source, destination);
}

bool ZqFile::remove(const char16_t* const name) {
    return name != nullptr && zqp::removeFile(name);
}
