#include "dorvanex/scene/CSPSprite.h"

#include "dorvanex/scene/CRenderObj.h"
#include "dorvanex/scene/CRenderQueue.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/zq.h"

#include <cmath>

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFFu;
// The device puts pixel centres on integer positions; the shift puts texel centres there too.
constexpr float PIXEL_SHIFT = 0.5f;

float textureWidth(const ZqGlTexture* const t) {
    return t != nullptr ? static_cast<float>(t->getWidth()) : 0.0f;
}

float textureHeight(const ZqGlTexture* const t) {
    return t != nullptr ? static_cast<float>(t->getHeight()) : 0.0f;
}

} // namespace

CSPSpriteBase::CSPSpriteBase(const uint32_t kind, const float width, const float height,
                             GameVertex* const vertices)
    : m_width(width), m_height(height), m_kind(kind) {
    initVertices(vertices);
}

CSPSpriteBase::CSPSpriteBase(const uint32_t kind, ZqGlTexture* const texture, const float width,
                             const float height, const float u, const float v,
                             const float sourceWidth, const float sourceHeight,
                             GameVertex* const vertices)
    : m_width(width), m_height(height), m_pTexture(texture), m_kind(kind) {
    initVertices(vertices);
    setSourceRect(u, v, sourceWidth < 0.0f ? width : sourceWidth,
                  sourceHeight < 0.0f ? height : sourceHeight);
}

CSPSpriteBase::CSPSpriteBase(const uint32_t kind, ZqGlTexture* const texture, const float width,
                             const float height, GameVertex* const vertices)
    : m_width(width != 0.0f ? width : textureWidth(texture)),
      m_height(height != 0.0f ? height : textureHeight(texture)), m_pTexture(texture),
      m_kind(kind) {
    initVertices(vertices);
    setSourceRect(0.0f, 0.0f, m_width, m_height);
}

CSPSpriteBase::~CSPSpriteBase() = default;

void CSPSpriteBase::initVertices(GameVertex* const vertices) {
    if (vertices != nullptr) {
        m_pVertices = vertices;
    } else {
        m_ownVertices = std::make_unique<GameVertex[]>(NR_VERTICES);
        m_pVertices = m_ownVertices.get();
        m_ownsVertices = true;
    }
    for (uint32_t i = 0; i < NR_VERTICES; ++i) {
        m_pVertices[i] = GameVertex{0.0f, 0.0f, 0.0f, 1.0f, WHITE, 0.0f, 0.0f};
    }
}

bool CSPSpriteBase::takeDirty() {
    const bool any = m_dirty != 0;
    m_dirty = 0;
    return any;
}

void CSPSpriteBase::setSize(const float width, const float height) {
    m_width = width;
    m_height = height;
    m_dirty |= DIRTY_GEOMETRY;
}

void CSPSpriteBase::setCenter(const float x, const float y) {
    m_centerX = x;
    m_centerY = y;
    m_dirty |= DIRTY_GEOMETRY;
}

void CSPSpriteBase::setCenterY(const float y) {
    m_centerY = y;
    m_dirty |= DIRTY_GEOMETRY;
}

void CSPSpriteBase::setColor(const uint8_t r, const uint8_t g, const uint8_t b, const uint8_t a) {
    setColor32(uint32_t{a} << 24 | uint32_t{r} << 16 | uint32_t{g} << 8 | b);
}

void CSPSpriteBase::setColor32(const uint32_t argb) {
    for (uint32_t i = 0; i < NR_VERTICES; ++i) {
        m_pVertices[i].color = argb;
    }
    m_dirty |= DIRTY_COLOR;
}

void CSPSpriteBase::setAlpha(const uint8_t a) {
    for (uint32_t i = 0; i < NR_VERTICES; ++i) {
        m_pVertices[i].color = (m_pVertices[i].color & 0x00FFFFFFu) | uint32_t{a} << 24;
    }
    m_dirty |= DIRTY_COLOR;
}

void CSPSpriteBase::setSourceRect(const float x, const float y, const float width,
                                  const float height) {
    m_dirty |= DIRTY_UV;
    GameVertex* const v = m_pVertices;
    if (m_pTexture == nullptr) {
        for (uint32_t i = 0; i < NR_VERTICES; ++i) {
            v[i].u = 0.0f;
            v[i].v = 0.0f;
        }
        return;
    }
    const float w = textureWidth(m_pTexture);
    const float h = textureHeight(m_pTexture);
    if (x >= 0.0f) {
        v[0].u = v[1].u = x / w;
    }
    if (y >= 0.0f) {
        v[0].v = v[2].v = y / h;
    }
    if (width >= 0.0f) {
        v[2].u = v[3].u = (x + width) / w;
    }
    if (height >= 0.0f) {
        v[1].v = v[3].v = (y + height) / h;
    }
}

void CSPSpriteBase::setVisible(const bool visible) {
    if (visible == m_visible) {
        return;
    }
    m_visible = visible;
    m_dirty |= DIRTY_VISIBILITY;
    if (m_ownsVertices) {
        return;
    }
    // A shared vertex block is drawn by its owner whatever this sprite says: hidden, the quad
    // collapses to a point.
    if (!visible) {
        m_dirty &= ~DIRTY_GEOMETRY;
        for (uint32_t i = 0; i < NR_VERTICES; ++i) {
            m_pVertices[i].x = m_pVertices[i].y = m_pVertices[i].z = 0.0f;
        }
    } else {
        m_dirty |= DIRTY_GEOMETRY;
    }
}

void CSPSpriteBase::draw(const uint32_t group) {
    if (!m_visible) {
        return;
    }
    if (m_kind == VERTEX_KIND_SCREEN && !m_queued) {
        zqp::gpu::Device* const device = ZqGlSystem::getD3dDevice();
        std::shared_ptr<zqp::gpu::VertexDeclaration> saved;
        if (device != nullptr) {
            device->getVertexDeclaration(saved);
        }
        setSpriteRenderState(m_kind, m_blendMode, m_zWrite, m_pTexture);
        update();
        ZqGlShader* const shader = ZqGlShader::getDefaultShader();
        if (shader != nullptr && shader->beginTechnique() != 0) {
            if (shader->beginPass(0)) {
                drawSpriteQuad(m_pVertices);
                shader->endPass();
            }
            shader->endTechnique();
        }
        if (device != nullptr) {
            device->setVertexDeclaration(saved.get());
        }
        return;
    }
    update();
    CRenderQueue* const queue = CRenderQueue::getInstance();
    if (queue == nullptr) {
        return;
    }
    CRenderSprite* const piece = createRenderSprite(this);
    if (piece == nullptr) {
        queue->countDropped();
        return;
    }
    queue->add(group, piece, false);
}

CSPSprite2D::CSPSprite2D(const float width, const float height, GameVertex* const vertices)
    : CSPSpriteBase(VERTEX_KIND_SCREEN, width, height, vertices) {}

CSPSprite2D::CSPSprite2D(ZqGlTexture* const texture, const float width, const float height,
                         const float u, const float v, const float sourceWidth,
                         const float sourceHeight, GameVertex* const vertices)
    : CSPSpriteBase(VERTEX_KIND_SCREEN, texture, width, height, u, v, sourceWidth, sourceHeight,
                    vertices) {}

CSPSprite2D::CSPSprite2D(ZqGlTexture* const texture, const float width, const float height,
                         GameVertex* const vertices)
    : CSPSpriteBase(VERTEX_KIND_SCREEN, texture, width, height, vertices) {}

void CSPSprite2D::setPosition(const float x, const float y) {
    m_x = x;
    m_y = y;
    m_dirty |= DIRTY_GEOMETRY;
}

void CSPSprite2D::setScale(const float x, const float y) {
    m_scaleX = x;
    m_scaleY = y;
    m_dirty |= DIRTY_GEOMETRY;
}

void CSPSprite2D::setAngle(const float angle) {
    m_angle = angle;
    m_sin = std::sin(angle);
    m_cos = std::cos(angle);
    m_dirty |= DIRTY_GEOMETRY;
}

bool CSPSprite2D::update() {
    if ((m_dirty & DIRTY_GEOMETRY) == 0 || !m_visible) {
        return takeDirty();
    }
    const float l = left();
    const float t = top();
    const float r = l + m_width;
    const float b = t + m_height;
    const float corners[NR_VERTICES][2] = {{l, t}, {l, b}, {r, t}, {r, b}};
    for (uint32_t i = 0; i < NR_VERTICES; ++i) {
        const float px = corners[i][0];
        const float py = corners[i][1];
        GameVertex& v = m_pVertices[i];
        v.x = px * m_cos * m_scaleX - py * m_sin * m_scaleY + m_x - PIXEL_SHIFT;
        v.y = px * m_sin * m_scaleX + py * m_cos * m_scaleY + m_y - PIXEL_SHIFT;
        v.z = 0.0f;
    }
    m_dirty = 0;
    return true;
}

CSPSprite3D::CSPSprite3D(ZqGlTexture* const texture, const float width, const float height,
                         const float u, const float v, const float sourceWidth,
                         const float sourceHeight, GameVertex* const vertices)
    : CSPSpriteBase(VERTEX_KIND_WORLD, texture, width, height, u, v, sourceWidth, sourceHeight,
                    vertices) {}

void CSPSprite3D::updateDepth() {
    if (!m_depthUpdate) {
        return;
    }
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    const ZqMatrix m = camera != nullptr ? m_world * camera->getWorldViewMatrix() : m_world;
    m_depth = m._43;
}

void CSPSprite3D::buildCorners(const ZqMatrix& m) {
    const float l = left();
    const float t = top();
    const float r = l + m_width;
    const float up = t + m_height;
    const float corners[NR_VERTICES][2] = {{l, up}, {l, t}, {r, up}, {r, t}};
    for (uint32_t i = 0; i < NR_VERTICES; ++i) {
        const ZqVector3 p = ZqVector3(corners[i][0], corners[i][1], 0.0f) * m;
        m_pVertices[i].x = p.x;
        m_pVertices[i].y = p.y;
        m_pVertices[i].z = p.z;
    }
}

bool CSPSprite3D::update() {
    updateDepth();
    if ((m_dirty & (DIRTY_GEOMETRY | DIRTY_WORLD)) == 0 || !m_visible) {
        return takeDirty();
    }
    buildCorners(m_world);
    m_dirty = 0;
    return true;
}

bool CSPBillboard::update() {
    if (!m_visible) {
        const bool shown = (m_dirty & DIRTY_VISIBILITY) != 0;
        m_dirty = 0;
        return shown;
    }
    updateDepth();
    // The view's rotation undone, then the sprite's own placement: the quad turns to face the
    // camera about its own origin.
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    ZqMatrix view = camera != nullptr ? camera->getWorldViewMatrix() : ZqMatrix::UNIT;
    view.setTrans(0.0f, 0.0f, 0.0f);
    view.transpose();
    m_billboard = view * m_world;
    buildCorners(m_billboard);
    m_dirty = 0;
    return true;
}
