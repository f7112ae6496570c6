// ZqGlTextureSet: reading the "ZQTS" table, the texture slots and the pool.
#include "zq/gl/ZqGlTextureSet.h"

#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqFile.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/gl/ZqGlTextureSetFormat.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/system/ZqError.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

struct ZqGlTextureSet::Block {
    // Slot = set x textures per set + index, for the textures and their names alike.
    std::vector<ZqGlTexture*> textures;
    std::vector<const char16_t*> names;
    std::vector<char16_t> text;
};

namespace {

struct FileFree {
    void operator()(void* p) const { ZqMemAlloc::deallocate(p); }
};
using FileData = std::unique_ptr<void, FileFree>;

FileData loadSetFile(const char16_t* const fileName, uint32_t& size) {
    size = 0;
    if (fileName == nullptr || ZqFile::getSize(fileName) > zqts::MAX_FILE_SIZE) {
        return nullptr;
    }
    FileData data(ZqFile::load(fileName, zqts::HEADER_SIZE, &size));
    if (data != nullptr && size > zqts::MAX_FILE_SIZE) {
        data.reset();
    }
    return data;
}

} // namespace

ZqGlTextureSet::~ZqGlTextureSet() = default;

void ZqGlTextureSet::sysInit() {
    init(POOL_SIZE);
}

void ZqGlTextureSet::sysQuit() {
    if (m_pCriticalSection != nullptr) {
        quit();
    }
}

ZqGlTextureSet* ZqGlTextureSet::create(const char16_t* const name, const void* const data,
                                       const uint32_t size) {
    if (name == nullptr || data == nullptr || size >= zqts::MAX_FILE_SIZE ||
        m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlTextureSet* const s = ZqRefList::create(name);
    if (s == nullptr || s->getRefCountBody() != 1) {
        return s;
    }
    if (!s->createBody(static_cast<const uint8_t*>(data), size)) {
        ZqRefList::release(s);
        return nullptr;
    }
    return s;
}

ZqGlTextureSet* ZqGlTextureSet::create(const char16_t* const name, const char16_t* const fileName) {
    if (name == nullptr || fileName == nullptr || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlTextureSet* const s = ZqRefList::create(name);
    if (s == nullptr || s->getRefCountBody() != 1) {
        return s;
    }
    uint32_t size = 0;
    const FileData data = loadSetFile(fileName, size);
    if (data == nullptr || !s->createBody(static_cast<const uint8_t*>(data.get()), size)) {
        ZqRefList::release(s);
        return nullptr;
    }
    return s;
}

ZqGlTextureSet* ZqGlTextureSet::reload(const void* const data, const uint32_t size) {
    if (data == nullptr || size > zqts::MAX_FILE_SIZE || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    if (search(this) == nullptr) {
        return nullptr;
    }
    const std::u16string name = getName();
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) == nullptr) {
        return nullptr;
    }
    // The new table is built in an element of its own, so that a refused file leaves this set
    // as it was.
    ZqGlTextureSet* const fresh = ZqRefList::createForce(name.c_str());
    if (fresh == nullptr) {
        return nullptr;
    }
    const bool ok = fresh->createBody(static_cast<const uint8_t*>(data), size);
    if (ok) {
        releaseBody();
        m_nrSets = fresh->m_nrSets;
        m_nrTexturesPerSet = fresh->m_nrTexturesPerSet;
        m_pBlock = std::move(fresh->m_pBlock);
    }
    fresh->m_nrSets = 0;
    fresh->m_nrTexturesPerSet = 0;
    fresh->m_pBlock.reset();
    ZqRefList::release(fresh);
    return ok ? this : nullptr;
}

ZqGlTextureSet* ZqGlTextureSet::reload(const char16_t* const fileName) {
    uint32_t size = 0;
    const FileData data = loadSetFile(fileName, size);
    return data != nullptr ? reload(data.get(), size) : nullptr;
}

unsigned int ZqGlTextureSet::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    if (getRefCountBody() == 0) {
        return 0;
    }
    const unsigned int left = ZqRefList::release(this);
    if (left == 0) {
        releaseBody();
    }
    return left;
}

void ZqGlTextureSet::releaseBody() {
    if (m_pBlock != nullptr) {
        for (ZqGlTexture* const t : m_pBlock->textures) {
            if (t != nullptr) {
                t->release();
            }
        }
    }
    m_pBlock.reset();
    m_nrSets = 0;
    m_nrTexturesPerSet = 0;
}

void ZqGlTextureSet::setTexture(const uint32_t set, const uint32_t index,
                                ZqGlTexture* const texture) {
    ZqGlTexture*& slot = m_pBlock->textures[set * m_nrTexturesPerSet + index];
    // The new reference first: the same texture again must stay alive.
    if (texture != nullptr) {
        texture->addRef();
    }
    ZqGlTexture* const old = slot;
    slot = texture;
    if (old != nullptr) {
        old->release();
    }
}

ZqGlTexture* ZqGlTextureSet::getTexture(const uint32_t set, const uint32_t index) const {
    return m_pBlock->textures[set * m_nrTexturesPerSet + index];
}

ZqGlTexture** ZqGlTextureSet::getTextureArray(const uint32_t set) const {
    return m_pBlock->textures.data() + set * m_nrTexturesPerSet;
}

const char16_t* ZqGlTextureSet::getTextureFilename(const uint32_t set, const uint32_t index) const {
    return m_pBlock->names[set * m_nrTexturesPerSet + index];
}

bool ZqGlTextureSet::createBody(const uint8_t* const data, const uint32_t size) {
    m_nrSets = 0;
    m_nrTexturesPerSet = 0;
    m_pBlock.reset();
    const ZqByteReader r(data, size);
    const uint64_t fileSize = size;

    const uint8_t* const magic = r.bytes(0, sizeof zqts::MAGIC);
    uint32_t version = 0, setCount = 0, setTable = 0, highest = 0, nameTable = 0, perSet = 0;
    uint8_t one = 0, zero = 0;
    if (magic == nullptr || std::memcmp(magic, zqts::MAGIC, sizeof zqts::MAGIC) != 0 ||
        !r.u32(zqts::OFFSET_VERSION, version) || version != zqts::VERSION ||
        !r.u8(zqts::OFFSET_FLAG_ONE, one) || one != 1 || !r.u8(zqts::OFFSET_FLAG_ZERO, zero) ||
        zero != 0 || !r.u32(zqts::OFFSET_SET_COUNT, setCount) || setCount > zqts::MAX_COUNT ||
        !r.u32(zqts::OFFSET_HIGHEST_NAME, highest) || highest > zqts::MAX_COUNT ||
        !r.u32(zqts::OFFSET_SET_TABLE, setTable) || !r.u32(zqts::OFFSET_NAME_TABLE, nameTable)) {
        return false;
    }
    if (setTable < zqts::HEADER_SIZE || setTable + 8ull > fileSize || setTable >= fileSize - 8 ||
        nameTable < zqts::HEADER_SIZE || nameTable >= fileSize - 4 || !r.u32(setTable, perSet) ||
        perSet > zqts::MAX_COUNT) {
        return false;
    }
    // The whole name table must lie in the file, not only its start.
    if (nameTable + 4ull * (highest + 1) > fileSize) {
        return false;
    }

    // Each slot's name: its bytes in the file and its length.
    struct Name {
        const uint8_t* bytes;
        uint32_t length;
    };
    std::vector<Name> names;
    names.reserve(static_cast<size_t>(setCount) * perSet);
    uint64_t units = 0;
    for (uint32_t s = 0; s < setCount; ++s) {
        uint32_t offset = 0;
        if (!r.u32(setTable + 4ull + 4ull * s, offset)) {
            return false;
        }
        const uint64_t array = static_cast<uint64_t>(setTable) + offset;
        // The whole index array must lie in the file, not only its start.
        if (array < setTable + 8ull || array >= fileSize - 2 || array + 2ull * perSet > fileSize) {
            return false;
        }
        for (uint32_t i = 0; i < perSet; ++i) {
            uint16_t index = 0;
            uint32_t nameOffset = 0;
            if (!r.u16(array + 2ull * i, index) || index > highest ||
                !r.u32(nameTable + 4ull * index, nameOffset)) {
                return false;
            }
            const uint64_t start = static_cast<uint64_t>(nameTable) + nameOffset;
            if (start < nameTable + 4ull * highest || start >= fileSize - 1) {
                return false;
            }
            const uint64_t window = std::min<uint64_t>(zqts::MAX_NAME_BYTES + 1, fileSize - start);
            const uint8_t* const text = data + start;
            const void* const end = std::memchr(text, 0, window);
            if (end == nullptr) {
                return false;
            }
            const uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(end) - text);
            names.push_back({text, length});
            units += length + 1ull;
        }
    }

    std::unique_ptr<Block> block;
    try {
        block = std::make_unique<Block>();
        block->textures.assign(names.size(), nullptr);
        block->names.assign(names.size(), nullptr);
        block->text.reserve(units);
    } catch (const std::bad_alloc&) {
        throw ZqError::TEXTURE_SET_MEMORY;
    }
    for (size_t n = 0; n < names.size(); ++n) {
        // Names must be plain ASCII: each byte becomes one UTF-16 unit.
        block->names[n] = block->text.data() + block->text.size();
        for (uint32_t i = 0; i < names[n].length; ++i) {
            if (names[n].bytes[i] >= 0x80) {
                return false;
            }
            block->text.push_back(names[n].bytes[i]);
        }
        block->text.push_back(u'\0');
    }
    m_nrSets = static_cast<uint8_t>(setCount);
    m_nrTexturesPerSet = static_cast<uint8_t>(perSet);
    m_pBlock = std::move(block);
    return true;
}
