#include "zq/gl/ZqGlShowTexture.h"

#include "zq/gl/ZqGlTexture.h"
#include "zqmovie/ZqGlShowTextureDll.h"

#include <bit>

namespace {

// The I/O object this class made itself, when m_isDefaultFileIo is set.
std::unique_ptr<ZqFile::Io> g_defaultFileIo;

} // namespace

ZqGlShowTexture::ZqGlShowTexture() = default;

ZqGlShowTexture::~ZqGlShowTexture() = default;

void ZqGlShowTexture::sysInit() {
    if (!init(POOL_SIZE)) {
        return;
    }
    g_defaultFileIo = std::make_unique<ZqFile::Io>();
    m_pFileIo = g_defaultFileIo.get();
    m_isDefaultFileIo = true;
}

void ZqGlShowTexture::sysQuit() {
    // A movie still playing reads through the I/O object: it goes first.
    quit();
    m_pFileIo = nullptr;
    m_isDefaultFileIo = false;
    g_defaultFileIo.reset();
}

bool ZqGlShowTexture::setFileIo(ZqFile::Io* const io) {
    if (m_pCriticalSection == nullptr) {
        return false;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (m_nrUsed != 0) {
        return false;
    }
    if (io != nullptr) {
        g_defaultFileIo.reset();
        m_pFileIo = io;
        m_isDefaultFileIo = false;
    } else if (!m_isDefaultFileIo) {
        g_defaultFileIo = std::make_unique<ZqFile::Io>();
        m_pFileIo = g_defaultFileIo.get();
        m_isDefaultFileIo = true;
    }
    return true;
}

ZqGlShowTexture* ZqGlShowTexture::create(const char16_t* const fileName) {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlShowTexture* const movie = ZqFixList::create();
    if (movie == nullptr) {
        return nullptr;
    }
    if (!movie->createPlayBody(fileName)) {
        ZqFixList::release(movie);
        return nullptr;
    }
    return movie;
}

ZqGlShowTexture* ZqGlShowTexture::createRecord(const char16_t*, uint16_t, uint16_t, ZqSdWaveWeaver*,
                                               void*) {
    if (m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlShowTexture* const movie = ZqFixList::create();
    if (movie == nullptr) {
        return nullptr;
    }
    movie->createRecordBody();
    ZqFixList::release(movie);
    return nullptr;
}

bool ZqGlShowTexture::createRecordBody() {
    return false;
}

bool ZqGlShowTexture::createPlayBody(const char16_t* const fileName) {
    m_pPlayer.reset();
    m_pTexture = nullptr;
    m_textureLink.m_pTexture = nullptr;
    if (m_pFileIo == nullptr || fileName == nullptr || !m_pFileIo->ropen(fileName)) {
        return false;
    }
    uint32_t size = 0xFFFFFFFFu;
    if (m_pFileIo->seek(0, 2)) {
        size = m_pFileIo->tell();
    }
    if (size == 0xFFFFFFFFu) {
        m_pFileIo->close();
        return false;
    }
    m_pPlayer = std::make_unique<ZqGlShowTextureDll>();
    if (!m_pPlayer->initPlay(createTexCallback, this, size, fileSeek, fileRead)) {
        releaseBody();
        return false;
    }
    return true;
}

void ZqGlShowTexture::releaseBody() {
    // The player's thread reads the file until the player is gone: it goes before the file.
    m_pPlayer.reset();
    if (m_pFileIo != nullptr) {
        m_pFileIo->close();
    }
    m_textureLink.m_pTexture = nullptr;
    if (m_pTexture != nullptr) {
        m_pTexture->release();
        m_pTexture = nullptr;
    }
}

unsigned int ZqGlShowTexture::release() {
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    // Given back twice would corrupt the pool's lists.
    if (searchBody(this) == nullptr) {
        return 0;
    }
    releaseBody();
    return ZqFixList::release(this);
}

void ZqGlShowTexture::sysMain() {
    if (m_pCriticalSection == nullptr) {
        return;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    for (ZqGlShowTexture* movie = m_pUsed; movie != nullptr; movie = movie->getNext()) {
        if (movie->m_pPlayer != nullptr) {
            movie->m_pPlayer->main();
        }
    }
}

ZqMovieTexture* ZqGlShowTexture::createTexCallback(const uint16_t width, const uint16_t height,
                                                   void* const context) {
    auto* const movie = static_cast<ZqGlShowTexture*>(context);
    ZqGlTexture* const texture =
        ZqGlTexture::createDynamic(std::bit_ceil(uint32_t{width}), std::bit_ceil(uint32_t{height}));
    if (texture == nullptr) {
        return nullptr;
    }
    movie->m_pTexture = texture;
    movie->m_textureLink.m_pTexture = texture;
    return &movie->m_textureLink;
}

bool ZqGlShowTexture::fileSeek(const uint32_t position) {
    return m_pFileIo != nullptr && m_pFileIo->seek(position, 0);
}

uint32_t ZqGlShowTexture::fileRead(void* const buffer, const uint32_t length) {
    // The I/O object reads plain or through its cipher, and gives 0xFFFFFFFF in its failed
    // state.
    return m_pFileIo != nullptr ? m_pFileIo->read(buffer, length) : 0xFFFFFFFFu;
}

bool ZqGlShowTexture::TextureLink::getLevelDesc(uint32_t* const format, uint32_t* const width,
                                                uint32_t* const height) {
    if (m_pTexture == nullptr) {
        return false;
    }
    *format = m_pTexture->getFormat();
    *width = m_pTexture->getWidth();
    *height = m_pTexture->getHeight();
    return true;
}

bool ZqGlShowTexture::TextureLink::lock(uint32_t* const pitch, void** const bits) {
    unsigned int p = 0;
    if (m_pTexture == nullptr || !m_pTexture->lock(&p, bits)) {
        return false;
    }
    *pitch = p;
    return true;
}

bool ZqGlShowTexture::TextureLink::unlock() {
    if (m_pTexture == nullptr) {
        return false;
    }
    m_pTexture->unlock();
    return true;
}

uint32_t ZqGlShowTexture::getState() const {
    return m_pPlayer != nullptr ? m_pPlayer->getState() : 0;
}
bool ZqGlShowTexture::play() {
    return m_pPlayer != nullptr && m_pPlayer->play();
}
bool ZqGlShowTexture::pause() {
    return m_pPlayer != nullptr && m_pPlayer->pause();
}
bool ZqGlShowTexture::stop() {
    return m_pPlayer != nullptr && m_pPlayer->stop();
}
uint8_t ZqGlShowTexture::getLoopMode() const {
    return m_pPlayer != nullptr ? m_pPlayer->getLoopMode() : 0;
}
void ZqGlShowTexture::setLoopMode(const uint8_t mode) {
    if (m_pPlayer != nullptr) {
        m_pPlayer->setLoopMode(mode);
    }
}
float ZqGlShowTexture::getTotalTime() const {
    return m_pPlayer != nullptr ? m_pPlayer->getTotalTime() : 0.0f;
}
float ZqGlShowTexture::getTime() const {
    return m_pPlayer != nullptr ? m_pPlayer->getTime() : 0.0f;
}
void ZqGlShowTexture::setTime(const float ms) {
    if (m_pPlayer != nullptr) {
        m_pPlayer->setTime(ms);
    }
}
float ZqGlShowTexture::getPitch() const {
    return m_pPlayer != nullptr ? m_pPlayer->getPitch() : 1.0f;
}
void ZqGlShowTexture::setPitch(const float rate) {
    if (m_pPlayer != nullptr) {
        m_pPlayer->setPitch(rate);
    }
}
float ZqGlShowTexture::getVolume() const {
    return m_pPlayer != nullptr ? m_pPlayer->getVolume() : 0.0f;
}
void ZqGlShowTexture::setVolume(const float volume) {
    if (m_pPlayer != nullptr) {
        m_pPlayer->setVolume(volume);
    }
}
float ZqGlShowTexture::getPan() const {
    return m_pPlayer != nullptr ? m_pPlayer->getPan() : 0.0f;
}
void ZqGlShowTexture::setPan(const float pan) {
    if (m_pPlayer != nullptr) {
        m_pPlayer->setPan(pan);
    }
}
uint16_t ZqGlShowTexture::getWidth() const {
    return m_pPlayer != nullptr ? m_pPlayer->getWidth() : 0;
}
uint16_t ZqGlShowTexture::getHeight() const {
    return m_pPlayer != nullptr ? m_pPlayer->getHeight() : 0;
}
uint32_t ZqGlShowTexture::getVideoPitch() const {
    return m_pPlayer != nullptr ? m_pPlayer->getVideoPitch() : 0;
}
