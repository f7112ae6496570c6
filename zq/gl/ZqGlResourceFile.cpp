#include "zq/gl/ZqGlResourceFile_internal.h"

#include "zq/file/ZqFile.h"
#include "zq/memory/ZqMemAlloc.h"

namespace zq_gl {

void FileFree::operator()(void* const p) const {
    ZqMemAlloc::deallocate(p);
}

FileBuffer loadResourceFile(const char16_t* const fileName, const uint32_t minSize,
                            const uint32_t limit, uint32_t& size) {
    size = 0;
    if (ZqFile::getSize(fileName) > limit) {
        return nullptr;
    }
    FileBuffer file(ZqFile::load(fileName, minSize, &size));
    if (file != nullptr && (size > limit || size < minSize)) {
        file.reset();
    }
    return file;
}

} // namespace zq_gl
