#include "zq/platform/fs/fs.h"

#include "zq/platform/os/utf.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zqp {

namespace {

namespace stdfs = std::filesystem;

char16_t asciiLower16(const char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

char asciiLower(const char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(const std::string_view a, const std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool isAsciiLetter(const char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// "x:" at the start of a path: the drive letter, else 0.
char16_t driveLetterOf(const std::u16string_view path) {
    if (path.size() >= 2 && path[1] == u':' && isAsciiLetter(path[0])) {
        return path[0];
    }
    return 0;
}

std::string homeFolder() {
    if (const char* const home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    passwd pw{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

// An XDG base folder: the variable when it holds an absolute path, else the default below home.
std::string xdgFolder(const char* const variable, const char* const fallback) {
    if (const char* const value = std::getenv(variable); value != nullptr && value[0] == '/') {
        return value;
    }
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/" + fallback;
}

std::string joinPath(const std::string& base, const std::string_view name) {
    if (base.empty()) {
        return std::string(name);
    }
    if (base.back() == '/') {
        return base + std::string(name);
    }
    return base + "/" + std::string(name);
}

bool entryExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// The entry of a folder whose name equals the given one apart from letter case; the first in
// byte order when several do, so that the choice does not depend on the folder's order.
bool findCaseless(const std::string& folder, const std::string_view name, std::string& found) {
    DIR* const dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    bool any = false;
    while (const dirent* const e = readdir(dir)) {
        const std::string_view entry(e->d_name);
        if (equalsIgnoreCase(entry, name) && (!any || entry < found)) {
            found = std::string(entry);
            any = true;
        }
    }
    closedir(dir);
    return any;
}

// Looks the path up component by component, taking another letter case where the exact
// name is missing; the rest of the path stays as given from the first component found in
// no case.
std::string resolveCaseless(const std::string& base, const std::string_view rest,
                            const bool trailingSlash) {
    std::string current = base;
    size_t pos = 0;
    bool missing = false;
    while (pos < rest.size()) {
        size_t end = rest.find('/', pos);
        if (end == std::string_view::npos) {
            end = rest.size();
        }
        const std::string_view part = rest.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty()) {
            continue;
        }
        const std::string next = joinPath(current, part);
        if (missing || part == "." || part == ".." || entryExists(next)) {
            current = next;
            continue;
        }
        std::string other;
        if (findCaseless(current, part, other)) {
            current = joinPath(current, other);
        } else {
            current = next;
            missing = true;
        }
    }
    if (trailingSlash && !current.empty() && current.back() != '/') {
        current.push_back('/');
    }
    return current;
}

std::string nativeOf(const char16_t* const path) {
    std::string native;
    if (path == nullptr || !resolvePath(path, native)) {
        return {};
    }
    return native;
}

int64_t toSeconds(const statx_timestamp& t) {
    return static_cast<int64_t>(t.tv_sec);
}

bool nativeTimes(const std::string& native, int64_t* const creation, int64_t* const access,
                 int64_t* const write) {
    struct statx sx {};
    if (native.empty() ||
        statx(AT_FDCWD, native.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        return false;
    }
    if (creation != nullptr) {
        *creation =
            (sx.stx_mask & STATX_BTIME) != 0 ? toSeconds(sx.stx_btime) : toSeconds(sx.stx_ctime);
    }
    if (access != nullptr) {
        *access = toSeconds(sx.stx_atime);
    }
    if (write != nullptr) {
        *write = toSeconds(sx.stx_mtime);
    }
    return true;
}

uint32_t attributesOf(const std::string& native, const std::string_view name,
                      const struct stat& st) {
    uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode)) {
        attributes |= FindData::ATTRIBUTE_DIRECTORY;
    }
    if (access(native.c_str(), W_OK) != 0) {
        attributes |= FindData::ATTRIBUTE_READONLY;
    }
    if (!name.empty() && name[0] == '.') {
        attributes |= FindData::ATTRIBUTE_HIDDEN;
    }
    return attributes == 0 ? FindData::ATTRIBUTE_NORMAL : attributes;
}

bool fillFindData(const std::string& native, const std::string_view name, FindData& data) {
    struct stat st {};
    if (stat(native.c_str(), &st) != 0 && lstat(native.c_str(), &st) != 0) {
        return false;
    }
    const std::u16string wide = utf8ToUtf16(name);
    if (wide.size() >= MAX_PATH_CHARS) {
        return false;
    }
    data = FindData{};
    data.attributes = attributesOf(native, name, st);
    data.size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    nativeTimes(native, &data.creationTime, &data.lastAccessTime, &data.lastWriteTime);
    std::copy(wide.begin(), wide.end(), data.name);
    data.name[wide.size()] = 0;
    return true;
}

// Open searches: the matches are taken when the search starts and handed out one by one.
struct Search {
    std::vector<FindData> entries;
    size_t next = 0;
};

std::mutex g_searchLock;
std::map<FindHandle, Search> g_searches;
FindHandle g_lastHandle = 0;

// Folds "." and ".." out of a '/'-separated path below a root that ".." never leaves.
std::u16string foldDots(const std::u16string_view root, const std::u16string_view rest,
                        const bool trailing) {
    std::vector<std::u16string_view> parts;
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t end = rest.find(u'/', pos);
        if (end == std::u16string_view::npos) {
            end = rest.size();
        }
        const std::u16string_view part = rest.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == u".") {
            continue;
        }
        if (part == u"..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    std::u16string out(root);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i != 0) {
            out.push_back(u'/');
        }
        out.append(parts[i]);
    }
    if (trailing && !parts.empty()) {
        out.push_back(u'/');
    }
    return out;
}

const char* driveVariable(const char16_t letter) {
    const char16_t lower = asciiLower16(letter);
    if (lower != u'e' && lower != u'f') {
        return nullptr;
    }
    return lower == u'e' ? "DORVANEX_DRIVE_E" : "DORVANEX_DRIVE_F";
}

bool driveFolderIsConfigured(const char16_t letter) {
    const char* const variable = driveVariable(letter);
    const char* const value = variable != nullptr ? std::getenv(variable) : nullptr;
    return value != nullptr && value[0] != 0;
}

} // namespace

std::string driveFolder(const char16_t letter) {
    const char16_t lower = asciiLower16(letter);
    if (lower != u'e' && lower != u'f') {
        return {};
    }
    const char* const variable = lower == u'e' ? "DORVANEX_DRIVE_E" : "DORVANEX_DRIVE_F";
    if (const char* const value = std::getenv(variable); value != nullptr && value[0] != 0) {
        return value;
    }
    const std::string state = xdgFolder("XDG_STATE_HOME", ".local/state");
    if (state.empty()) {
        return {};
    }
    return state + (lower == u'e' ? "/dorvanex/e" : "/dorvanex/f");
}

bool resolvePath(const std::u16string_view path, std::string& nativePath) {
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos) {
        return false;
    }
    std::u16string slashed(path);
    std::replace(slashed.begin(), slashed.end(), u'\\', u'/');
    const bool trailing = slashed.back() == u'/';

    std::string base;
    std::u16string_view rest = slashed;
    std::u16string folded;
    if (const char16_t drive = driveLetterOf(slashed); drive != 0) {
        base = driveFolder(drive);
        if (base.empty()) {
            return false;
        }
        // The default folder stands for a disk that is always there. A folder the environment
        // names is a mount: when it is missing the drive is dead, not new, and stays missing.
        if (!driveFolderIsConfigured(drive)) {
            std::error_code ec;
            stdfs::create_directories(base, ec);
        }
        // ".." stops at a drive's root, as on the disk it stands for: no name on a drive
        // leads out of its folder.
        folded = foldDots(u"", rest.substr(2), trailing);
        rest = folded;
    } else if (slashed.size() >= 2 && slashed[0] == u'/' && slashed[1] == u'/') {
        return false;
    } else if (slashed[0] == u'/') {
        base = "/";
        rest.remove_prefix(1);
    }

    const std::string restUtf8 = utf16ToUtf8(rest);
    std::string exact = base.empty() ? restUtf8 : joinPath(base, restUtf8);
    if (exact.empty()) {
        exact = base;
    }
    if (entryExists(exact)) {
        nativePath = exact;
        return true;
    }
    nativePath = resolveCaseless(base, restUtf8, trailing);
    if (nativePath.empty()) {
        nativePath = base;
    }
    return !nativePath.empty();
}

std::FILE* openFile(const char16_t* const path, const char* const mode) {
    const std::string native = nativeOf(path);
    if (native.empty() || mode == nullptr) {
        return nullptr;
    }
    // Reading takes regular files only: a pipe or device would block or never end.
    struct stat before {};
    if (mode[0] == 'r' && (stat(native.c_str(), &before) != 0 || !S_ISREG(before.st_mode))) {
        return nullptr;
    }
    std::FILE* const file = std::fopen(native.c_str(), mode);
    if (file == nullptr) {
        return nullptr;
    }
    struct stat st {};
    if (fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

uint64_t readAt(std::FILE* const file, const uint64_t offset, void* const buffer,
                const uint64_t count) {
    if (file == nullptr || offset > static_cast<uint64_t>(INT64_MAX) - count) {
        return UINT64_MAX;
    }
    const int fd = fileno(file);
    auto* const out = static_cast<uint8_t*>(buffer);
    uint64_t done = 0;
    while (done < count) {
        const ssize_t n = pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return UINT64_MAX;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<uint64_t>(n);
    }
    return done;
}

bool fileSize(const char16_t* const path, uint64_t& size) {
    const std::string native = nativeOf(path);
    struct stat st {};
    if (native.empty() || stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool fileTimes(const char16_t* const path, int64_t* const creation, int64_t* const access,
               int64_t* const write) {
    return nativeTimes(nativeOf(path), creation, access, write);
}

bool isDirectory(const char16_t* const path) {
    const std::string native = nativeOf(path);
    struct stat st {};
    return !native.empty() && stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const char16_t* const path) {
    const std::string native = nativeOf(path);
    return !native.empty() && entryExists(native);
}

bool currentPath(std::u16string& path) {
    std::error_code ec;
    const stdfs::path cwd = stdfs::current_path(ec);
    if (ec) {
        return false;
    }
    path = utf8ToUtf16(cwd.native());
    return true;
}

bool setCurrentPath(const char16_t* const path) {
    const std::string native = nativeOf(path);
    return !native.empty() && chdir(native.c_str()) == 0;
}

bool fullPath(const char16_t* const path, std::u16string& full) {
    if (path == nullptr || path[0] == 0) {
        return false;
    }
    std::u16string slashed(path);
    std::replace(slashed.begin(), slashed.end(), u'\\', u'/');
    const bool trailing = slashed.back() == u'/';
    if (const char16_t drive = driveLetterOf(slashed); drive != 0) {
        if (driveFolder(drive).empty()) {
            return false;
        }
        const std::u16string root = {drive, u':', u'/'};
        full = foldDots(root, std::u16string_view(slashed).substr(2), trailing);
        return true;
    }
    if (slashed.size() >= 2 && slashed[0] == u'/' && slashed[1] == u'/') {
        return false;
    }
    if (slashed[0] == u'/') {
        full = foldDots(u"/", std::u16string_view(slashed).substr(1), trailing);
        return true;
    }
    std::u16string cwd;
    if (!currentPath(cwd)) {
        return false;
    }
    full = foldDots(u"/", cwd + u"/" + slashed, trailing);
    return true;
}

bool knownFolder(const KnownFolder folder, std::u16string& path) {
    std::string native;
    switch (folder) {
    case KnownFolder::AppData:
        native = xdgFolder("XDG_CONFIG_HOME", ".config");
        break;
    case KnownFolder::LocalAppData:
        native = xdgFolder("XDG_DATA_HOME", ".local/share");
        break;
    case KnownFolder::Documents:
        native = xdgFolder("XDG_DOCUMENTS_DIR", "Documents");
        break;
    }
    if (native.empty()) {
        return false;
    }
    path = utf8ToUtf16(native);
    return true;
}

bool createDirectory(const char16_t* const path) {
    const std::string native = nativeOf(path);
    return !native.empty() && mkdir(native.c_str(), 0777) == 0;
}

bool makeDirectories(const char16_t* const path) {
    const std::string native = nativeOf(path);
    if (native.empty()) {
        return false;
    }
    std::error_code ec;
    // Only below a drive's folder: a named drive folder that is missing is a dead disk, and
    // making it would put the data on whatever the disk should have been mounted over.
    if (const char16_t drive = driveLetterOf(path); drive != 0) {
        if (!stdfs::is_directory(driveFolder(drive), ec)) {
            return false;
        }
    }
    stdfs::create_directories(native, ec);
    return stdfs::is_directory(native, ec);
}

bool removeDirectory(const char16_t* const path) {
    const std::string native = nativeOf(path);
    return !native.empty() && rmdir(native.c_str()) == 0;
}

bool removeAll(const char16_t* const path) {
    const std::string native = nativeOf(path);
    if (native.empty()) {
        return false;
    }
    std::error_code ec;
    const std::uintmax_t removed = stdfs::remove_all(native, ec);
    return !ec && removed != 0 && removed != static_cast<std::uintmax_t>(-1);
}

bool copyFile(const char16_t* const source, const char16_t* const destination) {
    const std::string from = nativeOf(source);
    const std::string to = nativeOf(destination);
    if (from.empty() || to.empty()) {
        return false;
    }
    std::error_code ec;
    if (!stdfs::is_regular_file(from, ec)) {
        return false;
    }
    return stdfs::copy_file(from, to, stdfs::copy_options::none, ec) && !ec;
}

bool moveFile(const char16_t* const source, const char16_t* const destination) {
    const std::string from = nativeOf(source);
    const std::string to = nativeOf(destination);
    if (from.empty() || to.empty()) {
        return false;
    }
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without the no-replace rename: check, then rename.
        if (entryExists(to)) {
            return false;
        }
        return std::rename(from.c_str(), to.c_str()) == 0;
    }
    if (errno == EXDEV) {
        // Another file system (the drive folders may live elsewhere): copy, then delete.
        std::error_code ec;
        if (!stdfs::is_regular_file(from, ec) ||
            !stdfs::copy_file(from, to, stdfs::copy_options::none, ec) || ec) {
            return false;
        }
        return unlink(from.c_str()) == 0;
    }
    return false;
}

bool removeFile(const char16_t* const path) {
    const std::string native = nativeOf(path);
    struct stat st {};
    if (native.empty() || lstat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return false;
    }
    return unlink(native.c_str()) == 0;
}

bool matchWildcard(const std::u16string_view pattern, const std::u16string_view name) {
    // Greedy match with one back-track point: the last '*' seen.
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::u16string_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == u'?' || asciiLower16(pattern[p]) == asciiLower16(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

FindHandle findFirst(const char16_t* const pattern, FindData& data) {
    if (pattern == nullptr || pattern[0] == 0) {
        return 0;
    }
    const std::u16string_view full(pattern);
    const size_t cut = full.find_last_of(u"/\\");
    std::u16string folder;
    std::u16string namePattern;
    if (cut == std::u16string_view::npos) {
        // "x:*" names the drive's folder.
        if (driveLetterOf(full) != 0) {
            folder = full.substr(0, 2);
            namePattern = full.substr(2);
        } else {
            folder = u".";
            namePattern = full;
        }
    } else {
        folder = full.substr(0, cut + 1);
        namePattern = full.substr(cut + 1);
    }
    if (namePattern.empty()) {
        return 0;
    }
    if (namePattern == u"*.*") {
        namePattern = u"*";
    }
    const std::string native = nativeOf(folder.c_str());
    DIR* const dir = native.empty() ? nullptr : opendir(native.c_str());
    if (dir == nullptr) {
        return 0;
    }
    Search search;
    std::vector<std::string> names;
    while (const dirent* const e = readdir(dir)) {
        const std::string_view entry(e->d_name);
        if (entry != "." && entry != ".." && matchWildcard(namePattern, utf8ToUtf16(entry))) {
            names.emplace_back(entry);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        FindData entry;
        if (fillFindData(joinPath(native, name), name, entry)) {
            search.entries.push_back(entry);
        }
    }
    if (search.entries.empty()) {
        return 0;
    }
    data = search.entries[0];
    search.next = 1;
    const std::lock_guard<std::mutex> hold(g_searchLock);
    do {
        ++g_lastHandle;
    } while (g_lastHandle == 0 || g_searches.count(g_lastHandle) != 0);
    g_searches.emplace(g_lastHandle, std::move(search));
    return g_lastHandle;
}

bool findNext(const FindHandle handle, FindData& data) {
    const std::lock_guard<std::mutex> hold(g_searchLock);
    const auto it = g_searches.find(handle);
    if (it == g_searches.end() || it->second.next >= it->second.entries.size()) {
        return false;
    }
    data = it->second.entries[it->second.next++];
    return true;
}

bool findClose(const FindHandle handle) {
    const std::lock_guard<std::mutex> hold(g_searchLock);
    return g_searches.erase(handle) != 0;
}

} // namespace zqp
