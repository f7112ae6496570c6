#include "zq/gl/ZqGlSprite.h"

#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlSpriteQuad.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/system/ZqError.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The quads are triangle strips of position and one 2D texture coordinate.
constexpr uint32_t QUAD_FORMAT = 0x201;

// "%s*sprite*%dx%d*%dx%d": the texture's name, the rectangle's corner and size.
std::u16string quadName(const char16_t* const textureName, const uint16_t x, const uint16_t y,
                        const uint16_t w, const uint16_t h) {
    char suffix[64] = {};
    std::snprintf(suffix, sizeof suffix, "*sprite*%ux%u*%ux%u", static_cast<unsigned>(x),
                  static_cast<unsigned>(y), static_cast<unsigned>(w), static_cast<unsigned>(h));
    std::u16string name = textureName != nullptr ? textureName : u"";
    for (const char* p = suffix; *p != 0; ++p) {
        name.push_back(static_cast<char16_t>(*p));
    }
    return name;
}

zq_sprite::Target currentTarget() {
    zq_sprite::Target t;
    t.halfWidth = ZqGlSystem::getRenderTargetWidthHalf();
    t.halfHeight = ZqGlSystem::getRenderTargetHeightHalf();
    t.halfWidthReciprocal = ZqGlSystem::getRenderTargetWidthHalfReciprocal();
    t.halfHeightReciprocal = ZqGlSystem::getRenderTargetHeightHalfReciprocal();
    return t;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Start-up and device reset

void ZqGlSprite::sysInit() {
    init(POOL_SIZE);
    const zq_sprite::Quad zeros = {};
    m_pSimplePrimitive = ZqGlPrimitive::create(u"*sprite", ZqGlPrimitive::TYPE_TRIANGLESTRIP,
                                               QUAD_FORMAT, zeros, 4, nullptr, 0);
    m_pCamera = ZqGlCamera::create();
    if (m_pSimplePrimitive == nullptr || m_pCamera == nullptr) {
        throw ZqError::SPRITE_START;
    }
    m_pCameraBack = nullptr;
    m_mModelWorld = ZqMatrix::UNIT;
}

void ZqGlSprite::sysQuit() {
    quit();
    if (m_pSimplePrimitive != nullptr) {
        m_pSimplePrimitive->release();
        m_pSimplePrimitive = nullptr;
    }
    if (m_pCamera != nullptr) {
        m_pCamera->release();
        m_pCamera = nullptr;
    }
    m_pCameraBack = nullptr;
}

void ZqGlSprite::onResetDevice() {
    if (m_pCamera == nullptr) {
        return;
    }
    const float w = ZqGlSystem::getWidth();
    const float h = ZqGlSystem::getHeight();
    m_pCamera->setPerspective(w, h, CAMERA_NEAR, CAMERA_FAR);
    m_pCamera->setViewport(0.0f, 0.0f, w, h);
}

// ---------------------------------------------------------------------------------------------
// Sprite objects

ZqGlSprite* ZqGlSprite::create(ZqGlTexture* const texture, const uint16_t x, const uint16_t y,
                               const uint16_t w, const uint16_t h) {
    if (texture == nullptr || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqGlSprite* const sprite = ZqFixList::create();
    if (sprite == nullptr) {
        return nullptr;
    }
    if (!sprite->createBody(texture, x, y, w, h)) {
        ZqFixList::release(sprite);
        return nullptr;
    }
    return sprite;
}

bool ZqGlSprite::createBody(ZqGlTexture* const texture, const uint16_t x, const uint16_t y,
                            const uint16_t w, const uint16_t h) {
    m_pPrimitive = nullptr;
    m_pTexture = nullptr;
    // One reference on the texture, taken under the texture pool's lock.
    texture->addRef();
    zq_sprite::Quad quad;
    zq_sprite::spriteQuad(texture->getWidth(), texture->getHeight(), x, y, w, h, quad);
    const std::u16string name = quadName(texture->getName(), x, y, w, h);
    m_pPrimitive = ZqGlPrimitive::create(name.c_str(), ZqGlPrimitive::TYPE_TRIANGLESTRIP,
                                         QUAD_FORMAT, quad, 4, nullptr, 0);
    if (m_pPrimitive == nullptr) {
        texture->release();
        return false;
    }
    m_pTexture = texture;
    return true;
}

unsigned int ZqGlSprite::release() {
    const ZqLockGuard hold(*m_pCriticalSection);
    if (m_pPrimitive != nullptr) {
        m_pPrimitive->release();
        m_pPrimitive = nullptr;
    }
    if (m_pTexture != nullptr) {
        m_pTexture->release();
        m_pTexture = nullptr;
    }
    return ZqFixList::release(this);
}

// ---------------------------------------------------------------------------------------------
// The batch

void ZqGlSprite::begin() {
    begin(ZqGlShader::getDefaultShader(), ZqGlShader::TECHNIQUE_TEX);
}

void ZqGlSprite::begin(ZqGlShader* const shader, const unsigned int technique) {
    m_pCameraBack = ZqGlCamera::getCurrent();
    ZqGlCamera::setCurrent(m_pCamera);
    if (shader == nullptr) {
        return;
    }
    // setTechnique does nothing when this shader and technique are current already, and
    // records them only when the effect takes the technique.
    shader->setTechnique(technique);
    shader->beginTechnique();
    shader->beginPass(0);
}

void ZqGlSprite::draw(const float x, const float y, const float z) const {
    m_mModelWorld.setTrans(x, y, z);
    drawWith(m_mModelWorld);
}

void ZqGlSprite::draw(const ZqMatrix& model) const {
    drawWith(model);
}

void ZqGlSprite::drawWith(const ZqMatrix& model) const {
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader == nullptr || m_pPrimitive == nullptr) {
        return;
    }
    shader->setParamMatrixArray(ZqGlShader::PARAM_MODEL_VIEW, &model, 1);
    // Skipped inside when the texture is bound already.
    shader->setParamTexture(0, m_pTexture);
    shader->commitParamChanges();
    m_pPrimitive->draw();
}

void ZqGlSprite::end() {
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader != nullptr) {
        shader->endPass();
        shader->endTechnique();
    }
    ZqGlCamera::setCurrent(m_pCameraBack);
    m_pCameraBack = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Immediate draws

void ZqGlSprite::simpleDraw(ZqGlTexture* const texture, const float x, const float y, const float z,
                            const uint16_t u, const uint16_t v, const uint16_t w,
                            const uint16_t h) {
    simpleDraw(texture, x, y, z, w, h, u, v, w, h);
}

void ZqGlSprite::simpleDraw(ZqGlTexture* const texture, const float x, const float y, const float z,
                            const float sw, const float sh, const uint16_t u, const uint16_t v,
                            const uint16_t w, const uint16_t h) {
    if (texture == nullptr) {
        return;
    }
    zq_sprite::Quad quad;
    zq_sprite::screenQuad(currentTarget(), texture->getWidth(), texture->getHeight(), x, y, z, sw,
                          sh, u, v, w, h, quad);
    drawQuad(texture, quad);
}

void ZqGlSprite::simpleDraw(ZqGlTexture* const texture, const float x, const float y, const float z,
                            const float sw, const float sh, const float px, const float py,
                            const float s, const float c, const uint16_t u, const uint16_t v,
                            const uint16_t w, const uint16_t h) {
    if (texture == nullptr) {
        return;
    }
    zq_sprite::Quad quad;
    if (!zq_sprite::screenQuadTurned(currentTarget(), texture->getWidth(), texture->getHeight(), x,
                                     y, z, sw, sh, px, py, s, c, u, v, w, h, quad)) {
        return;
    }
    drawQuad(texture, quad);
}

void ZqGlSprite::drawQuad(ZqGlTexture* const texture, const zq_sprite::Quad& quad) {
    ZqGlShader* const shader = ZqGlShader::getDefaultShader();
    if (m_pSimplePrimitive == nullptr || shader == nullptr) {
        return;
    }
    void* vertices = nullptr;
    if (!m_pSimplePrimitive->lock(&vertices, nullptr) || vertices == nullptr) {
        m_pSimplePrimitive->unlock();
        return;
    }
    std::memcpy(vertices, quad, sizeof(zq_sprite::Quad));
    m_pSimplePrimitive->unlock();
    shader->setTechnique(ZqGlShader::TECHNIQUE_TEX_2D);
    shader->setParamTexture(0, texture);
    if (shader->beginTechnique() == 0) {
        return;
    }
    shader->beginPass(0);
    m_pSimplePrimitive->draw();
    shader->endPass();
    shader->endTechnique();
}
