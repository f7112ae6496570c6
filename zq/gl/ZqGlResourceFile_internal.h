// The whole-file read that the animation and model resources share: the file read through the
// framework's current file reader, refused when it is larger than a limit, freed with the file
// reader's allocator. Internal to zq/gl.
#pragma once

#include <cstdint>
#include <memory>

namespace zq_gl {

struct FileFree {
    void operator()(void* p) const;
};
using FileBuffer = std::unique_ptr<void, FileFree>;

// The whole file of at least minSize and at most limit bytes, with its size; null otherwise.
FileBuffer loadResourceFile(const char16_t* fileName, uint32_t minSize, uint32_t limit,
                            uint32_t& size);

} // namespace zq_gl

namespace zq_gl {

// The file read of a resource's traits (ZqRefResource): whole files of minSize to limit bytes.
template <uint32_t MinSize, uint32_t Limit> struct ResourceFile {
    static FileBuffer load(const char16_t* const fileName, uint32_t& size) {
        return loadResourceFile(fileName, MinSize, Limit, size);
    }
};

} // namespace zq_gl
